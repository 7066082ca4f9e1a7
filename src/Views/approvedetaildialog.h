#pragma once

#include "src/CustomControl/customdialog.h"

#include <QList>
#include <QPair>
#include <QString>

class QFormLayout;
class QLabel;

// The details of one approval record: a heading with the record's kind and its state as a
// coloured tag, then one line per field ("文件名称：" and its value). Values are outside texts
// and show as plain text. Created once by its list and shown again for each record.
//
// Children: "labelKind", "labelStatus", and each field's value label by the name given.
class ApproveDetailDialog : public CustomDialog
{
    Q_OBJECT
public:
    explicit ApproveDetailDialog(QWidget* parent = nullptr);

    QString kindText() const;
    QString statusText() const;
    // The value shown beside a field, by the field's text ("文件名称：").
    QString fieldText(const QString& label) const;

protected:
    void setKind(const QString& text);
    // A field line; returns the label that shows its value.
    QLabel* addField(const QString& label, const QString& objectName);
    void setStatus(const QString& approveResult);
    // Shows the dialog in front of its list, or brings it forward when it is open.
    void present();

private:
    QLabel* kind_ = nullptr;
    QLabel* status_ = nullptr;
    QFormLayout* form_ = nullptr;
    QList<QPair<QString, QLabel*>> fields_;
};
