#pragma once

#include "src/PolicyAnalyzer/st_appforresource.h"
#include "src/Views/approverecordview.h"
#include "src/Views/recordlistmodel.h"

class AppResourceRequest;

// The application access requests of "我的申请": the client service's records (request 118 with
// the time range), filtered here by state.
//
// The service's answers carry nothing to tell one query from another, so one query is in flight
// at a time: a reload while one runs is sent when its answer arrives, and that older answer is
// dropped.
class AppforRight : public ApproveRecordView
{
    Q_OBJECT
public:
    // Item data role of a row's st_appforResource.
    static constexpr int kRecordRole = Qt::UserRole + 11;

    explicit AppforRight(QWidget* parent = nullptr);

    // The client service's answer to 118: the records that pass the state filter replace the
    // rows. A failed answer leaves the list empty.
    void updateInfo(bool ok, const QString& text);
    QVector<st_appforResource> records() const { return model_->records(); }
    AppResourceRequest* detailDialog() const { return detail_; }

public slots:
    void handleComboboxClicked() override;
    void onDoubleClicked(const QModelIndex& index) override;

private:
    void sendQuery();

    RecordListModel<st_appforResource>* model_ = nullptr;
    AppResourceRequest* detail_ = nullptr;
    bool inFlight_ = false;
    bool reloadWanted_ = false;
};
