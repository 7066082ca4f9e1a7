#pragma once

#include "src/PolicyAnalyzer/st_dynamicauthresult.h"

#include <QList>
#include <QModelIndex>
#include <QString>
#include <QWidget>

class QLabel;
class QStandardItemModel;
class QTableView;

// The dynamic-authorization page: the latest assessment's security score, trust level and time,
// and a table of the assessed risk items. Each updateData() replaces the whole content.
//
// Children: "labelDynamicPicture", "labelScore", "labelTrustLevel", "labelCheckTime",
// "tableDynamicAuth" (result labels "labelResult_<row>").
class PageDynamicAuth : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kColumnRiskType = 0;
    static constexpr int kColumnItemName = 1;
    static constexpr int kColumnResult = 2;
    static constexpr int kColumnRiskScore = 3;
    static constexpr int kColumnDescription = 4;

    explicit PageDynamicAuth(QWidget* parent = nullptr);

    // Reads the dynamic result and shows it.
    void updateData();
    void updateTable(const QList<st_dynamicAuthItem>& items);
    // "font-size: %1px; color: %2" on `widget`.
    static void setFontColor(QWidget* widget, int pixelSize, const QString& colour);
    // The result column's text and style for an item's verdict.
    static QString resultText(int bResult);
    static QString resultStyle(int bResult);

    QTableView* table() const { return table_; }

public slots:
    // A hovered cell's text as a tooltip at the mouse position.
    void onShowTip(const QModelIndex& index);

private:
    QLabel* picture_ = nullptr;
    QLabel* score_ = nullptr;
    QLabel* trustLevel_ = nullptr;
    QLabel* checkTime_ = nullptr;
    QTableView* table_ = nullptr;
    QStandardItemModel* model_ = nullptr;
};
