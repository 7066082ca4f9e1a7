#pragma once

#include <QList>
#include <QMetaType>
#include <QString>
#include <QVector>

#include <limits>

// One choice of a select (7) or check-box (8) element.
struct st_selectOption {
    QString name;
    QString value;

    bool operator==(const st_selectOption& other) const { return name == other.name && value == other.value; }
};

// One field of the user-information form that a login may ask for first (the entries of
// "pageElements" in login.json's "result").
struct st_ImproveUserInfoElements {
    // Kinds of input by `ielementtype`.
    enum ElementType { LineEdit = 1, TextEdit = 2, LineEdit3 = 3, ComboBox = 7, CheckBoxes = 8 };
    // An `iorder` that is not a number: after every numbered element.
    static constexpr int kNoOrder = std::numeric_limits<int>::max();

    int iorder = kNoOrder;
    int iisrequired = 0;  // non-zero: the field must be filled
    int ielementtype = 0;
    QString strelementdesc;   // the input's hint
    QString strelementname;   // the label
    QString strelementvalue;  // what the controller holds now
    QString uidelementid;     // the key of the value in the submitted JSON
    QList<st_selectOption> selectOption;  // from "elementfeatureJson"

    bool isRequired() const { return iisrequired != 0; }
};
Q_DECLARE_METATYPE(st_ImproveUserInfoElements)
Q_DECLARE_METATYPE(QVector<st_ImproveUserInfoElements>)
