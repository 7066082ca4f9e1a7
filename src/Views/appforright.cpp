#include "src/Views/appforright.h"

#include "comm/uicomm.h"
#include "corviscommon/logging.h"
#include "corviscommon/secretmask.h"
#include "src/CustomControl/cusitemdelegate.h"
#include "src/PolicyAnalyzer/policyanalyzer.h"
#include "src/Views/appresourcerequest.h"
#include "src/Views/approverecorddelegate.h"
#include "src/Views/approvetext.h"

#include <QListView>

namespace {

QVariant describe(const st_appforResource& record, int role)
{
    switch (role) {
    case Qt::DisplayRole:
        return record.appName;
    case CusItemDelegate::SubtitleRole: {
        QString line = QStringLiteral("申请时间：") + ApproveText::time(record.applyTime);
        line += QStringLiteral("    有效期：") + ApproveText::validity(record.validEndTime);
        return line;
    }
    case ApproveRecordDelegate::StatusRole:
        return record.approveResult;
    case Qt::AccessibleDescriptionRole:
        return ApproveText::statusText(record.approveResult);
    default:
        return QVariant();
    }
}

}  // namespace

AppforRight::AppforRight(QWidget* parent) : ApproveRecordView(parent)
{
    setObjectName(QStringLiteral("AppforRight"));
    model_ = new RecordListModel<st_appforResource>(kRecordRole, &describe, this);
    setModel(model_);
    showRecords();
}

void AppforRight::handleComboboxClicked()
{
    model_->clear();
    showLoading();
    if (inFlight_) {
        // Sent once the running query answers; its answer is for the filters before.
        reloadWanted_ = true;
        return;
    }
    sendQuery();
}

void AppforRight::sendQuery()
{
    inFlight_ = true;
    reloadWanted_ = false;
    const QString body = filter_.appRequestBody(ApproveFilter::now());
    LOG(INFO) << "FUNC(AppforRight::handleComboboxClicked) status: " << filter_.status()
              << ", time: " << filter_.timeIndex() << ", body: " << corvis::logSafe(body);
    UiComm::instance()->apiCorvisclientCommon(CReqClientAppforCombobox, body);
}

void AppforRight::updateInfo(bool ok, const QString& text)
{
    if (inFlight_) {
        inFlight_ = false;
        if (reloadWanted_) {
            LOG(INFO) << "FUNC(AppforRight::updateInfo) the filters changed while the query ran, asking again";
            sendQuery();
            return;
        }
    }
    model_->clear();
    if (!ok) {
        LOG(WARNING) << "FUNC(AppforRight::updateInfo) query failed: " << corvis::logSafe(text);
        showRecords();
        return;
    }
    QList<st_appforResource> parsed;
    if (!PolicyAnalyzer::instance()->parseApproveRecords(text, parsed)) {
        LOG(ERROR) << "FUNC(AppforRight::updateInfo) unreadable records: " << corvis::logSafe(text);
    }
    QVector<st_appforResource> shown;
    shown.reserve(parsed.size());
    for (const st_appforResource& record : qAsConst(parsed)) {
        if (filter_.matches(record.approveResult)) {
            shown.append(record);
        }
    }
    LOG(INFO) << "FUNC(AppforRight::updateInfo) records: " << parsed.size() << ", shown: " << shown.size();
    model_->append(std::move(shown));
    showRecords();
}

void AppforRight::onDoubleClicked(const QModelIndex& index)
{
    if (!index.isValid() || index.model() != model_) {
        return;
    }
    if (detail_ == nullptr) {
        detail_ = new AppResourceRequest(window());
    }
    detail_->showRecord(model_->at(index.row()));
}
