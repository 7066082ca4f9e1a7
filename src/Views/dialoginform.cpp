#include "src/Views/dialoginform.h"

#include "app/common.h"
#include "comm/uicomm.h"
#include "corviscommon/logging.h"
#include "src/PolicyAnalyzer/policyanalyzer.h"
#include "src/Views/informlistmodel.h"

#include <QCoreApplication>
#include <QLabel>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QThreadPool>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

struct DialogInform::ReadResult {
    bool ok = false;
    QVector<st_inform> kept;
    int unread = 0;
    int total = 0;
};

DialogInform::DialogInform(QWidget* parent) : CustomDialog(parent)
{
    setObjectName(QStringLiteral("DialogInform"));
    setWindowTitle(QStringLiteral("消息中心"));
    resize(520, 420);

    auto* layout = new QVBoxLayout(body());
    model_ = new InformListModel(this);
    list_ = new QListView(body());
    list_->setObjectName(QStringLiteral("listInform"));
    list_->setAccessibleName(QStringLiteral("消息列表"));
    list_->setModel(model_);
    list_->setWordWrap(true);
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setFocusPolicy(Qt::NoFocus);
    // Rows are laid out a batch at a time between events, not all at once.
    list_->setLayoutMode(QListView::Batched);
    list_->setBatchSize(100);
    list_->setStyleSheet(QStringLiteral("QListView{border: none;background-color: white;font-size: 14px;color: #2F2F2F;}"
                                        "QListView::item{border-bottom: 1px solid #DCDFE6;padding: 8px;}"));
    layout->addWidget(list_, 1);
    empty_ = new QLabel(QStringLiteral("暂无消息"), body());
    empty_->setObjectName(QStringLiteral("labelNoInform"));
    empty_->setTextFormat(Qt::PlainText);
    empty_->setAlignment(Qt::AlignCenter);
    empty_->setStyleSheet(QStringLiteral("font-size: 14px;color: #8F959E;"));
    layout->addWidget(empty_, 1);
    readAll_ = new QPushButton(QStringLiteral("全部已读"), body());
    readAll_->setObjectName(QStringLiteral("btnReadAll"));
    readAll_->setAccessibleName(QStringLiteral("全部已读"));
    readAll_->setFixedSize(96, 30);
    readAll_->setStyleSheet(QStringLiteral("QPushButton{border-radius: 4px;background-color: #1AA9FF;color: white;font-size: 14px;}"
                                           "QPushButton:disabled{background-color: #D1D3D6;color: #8F959E;}"));
    layout->addWidget(readAll_, 0, Qt::AlignRight);
    connect(readAll_, &QPushButton::clicked, this, &DialogInform::onReadAllClicked);
    refreshControls();
}

DialogInform::~DialogInform() = default;

void DialogInform::requestInformList()
{
    UiComm::instance()->apiCorvisclientCommon(CReqClient105, QString(), true);
}

void DialogInform::updateInformList()
{
    if (reading_) {
        readAgain_ = true;
        return;
    }
    startRead();
}

void DialogInform::startRead()
{
    reading_ = true;
    readAgain_ = false;
    const quint64 generation = generation_;
    const bool vesk = Common::edition().isVesk();
    PolicyAnalyzer* analyzer = PolicyAnalyzer::instance();
    QPointer<DialogInform> self(this);
    QThreadPool::globalInstance()->start([self, generation, vesk, analyzer]() {
        QList<st_inform> read;
        ReadResult result;
        result.ok = vesk ? analyzer->readInformListForVesk(read) : analyzer->readInformList(read);
        if (result.ok) {
            result.total = read.size();
            result.unread = int(std::count_if(read.cbegin(), read.cend(), [](const st_inform& inform) { return inform.isRead == 0; }));
            // Newest first as listed: the head of the list is kept.
            const int kept = std::min(read.size(), kMaxKept);
            result.kept.reserve(kept);
            std::copy(read.cbegin(), read.cbegin() + kept, std::back_inserter(result.kept));
        }
        // The full list is freed here, on the worker thread.
        read.clear();
        QMetaObject::invokeMethod(
            qApp, [self, generation, result]() {
                if (self) {
                    self->applyRead(generation, result);
                }
            },
            Qt::QueuedConnection);
    });
}

void DialogInform::applyRead(quint64 generation, const ReadResult& result)
{
    reading_ = false;
    if (generation == generation_) {
        if (!result.ok) {
            LOG(WARNING) << "FUNC(DialogInform::updateInformList) the message list cannot be read, keep "
                         << model_->rowCount();
        } else {
            if (result.total > kMaxKept) {
                LOG(INFO) << "FUNC(DialogInform::updateInformList) " << result.total << " messages, the newest "
                          << kMaxKept << " kept";
            }
            unread_ = result.unread;
            model_->setInforms(result.kept);
            refreshControls();
        }
        emit informListUpdated(result.ok);
    }
    if (readAgain_) {
        startRead();
    }
}

QList<st_inform> DialogInform::informs() const
{
    const QVector<st_inform>& kept = model_->informs();
    return QList<st_inform>(kept.cbegin(), kept.cend());
}

void DialogInform::markAllRead()
{
    model_->markAllRead();
    unread_ = 0;
    refreshControls();
}

void DialogInform::readAllFailed()
{
    readAll_->setEnabled(unreadCount() > 0);
}

void DialogInform::clearInform()
{
    // A read still under way belongs to the session that ended.
    ++generation_;
    readAgain_ = false;
    unread_ = 0;
    model_->setInforms({});
    refreshControls();
    hide();
}

void DialogInform::showInform()
{
    showNormal();
    raise();
    activateWindow();
}

void DialogInform::onReadAllClicked()
{
    LOG(INFO) << "FUNC(DialogInform::onReadAllClicked) unread: " << unreadCount();
    readAll_->setEnabled(false);
    UiComm::instance()->apiCorvisclientCommon(CReqClientInformRead106, QString(), true);
}

void DialogInform::refreshControls()
{
    const bool empty = model_->rowCount() == 0;
    list_->setVisible(!empty);
    empty_->setVisible(empty);
    readAll_->setEnabled(unread_ > 0);
    emit unreadCountChanged(unread_);
}
