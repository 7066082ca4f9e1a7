#pragma once

#include "http/api.h"
#include "src/Views/approverecordview.h"
#include "src/Views/recordlistmodel.h"

#include <QMetaType>

#include <atomic>
#include <memory>

Q_DECLARE_METATYPE(stSandboxApproveRecord)
Q_DECLARE_METATYPE(stQuerySandboxApproveRecordsRsp)

class SandboxResourceRequest;

// The sandbox data requests of "我的申请": the controller's records, asked for on the global
// thread pool with the time range and filtered here by state.
//
// The GUI thread never waits for the controller. Each reload is a new query: an answer that
// arrives for an older one is dropped (a slow answer never overwrites a newer filter's), and a
// query still waiting for a pool thread when a newer one starts is not sent at all.
class SandboxForRight : public ApproveRecordView
{
    Q_OBJECT
public:
    // Item data role of a row's stSandboxApproveRecord.
    static constexpr int kRecordRole = Qt::UserRole + 12;

    explicit SandboxForRight(QWidget* parent = nullptr);

    QVector<stSandboxApproveRecord> records() const { return model_->records(); }
    SandboxResourceRequest* detailDialog() const { return detail_; }
    // The number of the latest query (0 before the first).
    quint64 currentQuery() const { return query_; }

public slots:
    void handleComboboxClicked() override;
    void onDoubleClicked(const QModelIndex& index) override;
    // The controller's answer to query `query`, in the GUI thread.
    void onSandboxApproveRecordsRsp(const stQuerySandboxApproveRecordsRsp& rsp, quint64 query);

signals:
    // A query's answer, handed from the pool thread to the GUI thread.
    void sendSandboxApproveRecordsRsp(const stQuerySandboxApproveRecordsRsp& rsp, quint64 query);
    // The answer of an older query arrived after a newer query had started, and was dropped.
    void staleAnswerDropped(quint64 query);

private:
    RecordListModel<stSandboxApproveRecord>* model_ = nullptr;
    SandboxResourceRequest* detail_ = nullptr;
    quint64 query_ = 0;
    // The latest query's number, read by the pool tasks to skip a query already replaced.
    std::shared_ptr<std::atomic<quint64>> latest_;
};
