#include "src/Views/sandboxforright.h"

#include "corviscommon/logging.h"
#include "corviscommon/secretmask.h"
#include "src/CustomControl/cusitemdelegate.h"
#include "src/Views/approverecorddelegate.h"
#include "src/Views/approvetext.h"
#include "src/Views/sandboxresourcerequest.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

namespace {

QVariant describe(const stSandboxApproveRecord& record, int role)
{
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(record.fileName);
    case CusItemDelegate::SubtitleRole: {
        QString line = QStringLiteral("沙箱：") + QString::fromStdString(record.sandboxName);
        line += QStringLiteral("    大小：") + ApproveText::fileSize(record.fileSize);
        line += QStringLiteral("    申请时间：") + ApproveText::time(QString::fromStdString(record.applyTime));
        return line;
    }
    case ApproveRecordDelegate::StatusRole:
        return QString::fromStdString(record.approveResult);
    case Qt::AccessibleDescriptionRole:
        return ApproveText::statusText(QString::fromStdString(record.approveResult));
    default:
        return QVariant();
    }
}

}  // namespace

SandboxForRight::SandboxForRight(QWidget* parent)
    : ApproveRecordView(parent), latest_(std::make_shared<std::atomic<quint64>>(0))
{
    setObjectName(QStringLiteral("SandboxForRight"));
    qRegisterMetaType<stQuerySandboxApproveRecordsRsp>("stQuerySandboxApproveRecordsRsp");
    model_ = new RecordListModel<stSandboxApproveRecord>(kRecordRole, &describe, this);
    setModel(model_);
    connect(this, &SandboxForRight::sendSandboxApproveRecordsRsp, this, &SandboxForRight::onSandboxApproveRecordsRsp);
    showRecords();
}

void SandboxForRight::handleComboboxClicked()
{
    model_->clear();
    showLoading();
    const quint64 query = ++query_;
    latest_->store(query);
    const stQuerySandboxApproveRecordsReq req = filter_.sandboxRequest(ApproveFilter::now());
    LOG(INFO) << "FUNC(SandboxForRight::handleComboboxClicked) query: " << query << ", status: " << filter_.status()
              << ", startTime: " << req.startTime << ", endTime: " << req.endTime;

    QPointer<SandboxForRight> self(this);
    std::shared_ptr<std::atomic<quint64>> latest = latest_;
    QThreadPool::globalInstance()->start([self, latest, req, query]() {
        // Replaced while it waited for a thread: the controller is not asked for nothing.
        if (latest->load() != query) {
            return;
        }
        stQuerySandboxApproveRecordsRsp rsp;
        const API::Result result = API::getInstance()->querySandboxApproveRecords(req, rsp);
        if (result != API::Ok) {
            rsp.status = result;
            if (rsp.msg.empty()) {
                rsp.msg = "the controller could not be asked";
            }
        }
        QCoreApplication* app = QCoreApplication::instance();
        if (app == nullptr) {
            return;
        }
        // The view is reached only in the GUI thread, where the pointer may be read safely.
        QMetaObject::invokeMethod(
            app,
            [self, rsp = std::move(rsp), query]() {
                if (self != nullptr) {
                    emit self->sendSandboxApproveRecordsRsp(rsp, query);
                }
            },
            Qt::QueuedConnection);
    });
}

void SandboxForRight::onSandboxApproveRecordsRsp(const stQuerySandboxApproveRecordsRsp& rsp, quint64 query)
{
    if (query != query_) {
        LOG(INFO) << "FUNC(SandboxForRight::onSandboxApproveRecordsRsp) dropped the answer of query " << query
                  << ", the latest is " << query_;
        emit staleAnswerDropped(query);
        return;
    }
    LOG(INFO) << "response sandbox approverescords.";
    model_->clear();
    if (rsp.status != 2000) {
        LOG(ERROR) << "response error: " << corvis::logSafe(rsp.msg) << " (status " << rsp.status << ")";
        showRecords();
        return;
    }
    QVector<stSandboxApproveRecord> shown;
    shown.reserve(static_cast<int>(rsp.recordList.size()));
    for (const stSandboxApproveRecord& record : rsp.recordList) {
        if (filter_.matches(QString::fromStdString(record.approveResult))) {
            shown.append(record);
        }
    }
    LOG(INFO) << "FUNC(SandboxForRight::onSandboxApproveRecordsRsp) records: " << rsp.recordList.size()
              << ", totalCount: " << rsp.totalCount << ", shown: " << shown.size();
    model_->append(std::move(shown));
    showRecords();
}

void SandboxForRight::onDoubleClicked(const QModelIndex& index)
{
    if (!index.isValid() || index.model() != model_) {
        return;
    }
    if (detail_ == nullptr) {
        detail_ = new SandboxResourceRequest(window());
    }
    detail_->showRecord(model_->at(index.row()));
}
