#pragma once

#include "src/Views/approvefilter.h"

#include <QWidget>

class QAbstractItemModel;
class QComboBox;
class QLabel;
class QListView;
class QModelIndex;
class QStackedWidget;

// What both approval record lists share: the state and time boxes above the list, the list with
// one record per row, and a line in place of the list while it loads or when it is empty. Every
// change of a box reloads the list; a double-click (or Return) on a row opens its details.
//
// Children: "boxStatus", "boxTime", "stackRecords" with "listRecords" and "labelRecordsEmpty".
class ApproveRecordView : public QWidget
{
    Q_OBJECT
public:
    explicit ApproveRecordView(QWidget* parent = nullptr);

    // Both boxes back to "全部状态" and "所有时间", then a reload.
    void initRecords();
    const ApproveFilter& filter() const { return filter_; }
    QListView* listView() const { return list_; }
    // Whether the list waits for an answer.
    bool isLoading() const { return loading_; }
    int recordCount() const;

public slots:
    void onStatusClick(int index);
    void onTimeClick(int index);
    // Discards the rows and queries again with the current filters.
    virtual void handleComboboxClicked() = 0;
    virtual void onDoubleClicked(const QModelIndex& index) = 0;

signals:
    // The list shows an answer (also an empty or failed one): how many rows it holds.
    void recordsShown(int count);

protected:
    void setModel(QAbstractItemModel* model);
    void showLoading();
    // Ends the wait: the rows, or the line for an empty list.
    void showRecords();

    ApproveFilter filter_;

private:
    QComboBox* status_ = nullptr;
    QComboBox* time_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QListView* list_ = nullptr;
    QLabel* empty_ = nullptr;
    bool loading_ = false;
};
