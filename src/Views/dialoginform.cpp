#include "src/Views/dialoginform.h"

#include "app/common.h"
#include "comm/uicomm.h"
#include "corviscommon/logging.h"
#include "src/PolicyAnalyzer/policyanalyzer.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

DialogInform::DialogInform(QWidget* parent) : CustomDialog(parent)
{
    setObjectName(QStringLiteral("DialogInform"));
    setWindowTitle(QStringLiteral("消息中心"));
    resize(520, 420);

    auto* layout = new QVBoxLayout(body());
    list_ = new QListWidget(body());
    list_->setObjectName(QStringLiteral("listInform"));
    list_->setWordWrap(true);
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    list_->setFocusPolicy(Qt::NoFocus);
    list_->setStyleSheet(QStringLiteral("QListWidget{border: none;background-color: white;font-size: 14px;color: #2F2F2F;}"
                                        "QListWidget::item{border-bottom: 1px solid #DCDFE6;padding: 8px;}"));
    layout->addWidget(list_, 1);
    empty_ = new QLabel(QStringLiteral("暂无消息"), body());
    empty_->setObjectName(QStringLiteral("labelNoInform"));
    empty_->setAlignment(Qt::AlignCenter);
    empty_->setStyleSheet(QStringLiteral("font-size: 14px;color: #8F959E;"));
    layout->addWidget(empty_, 1);
    readAll_ = new QPushButton(QStringLiteral("全部已读"), body());
    readAll_->setObjectName(QStringLiteral("btnReadAll"));
    readAll_->setFixedSize(96, 30);
    readAll_->setStyleSheet(QStringLiteral("QPushButton{border-radius: 4px;background-color: #1AA9FF;color: white;font-size: 14px;}"
                                           "QPushButton:disabled{background-color: #D1D3D6;color: #8F959E;}"));
    layout->addWidget(readAll_, 0, Qt::AlignRight);
    connect(readAll_, &QPushButton::clicked, this, &DialogInform::onReadAllClicked);
    rebuild();
}

void DialogInform::requestInformList()
{
    UiComm::instance()->apiCorvisclientCommon(CReqClient105, QString(), true);
}

bool DialogInform::updateInformList()
{
    QList<st_inform> read;
    PolicyAnalyzer* analyzer = PolicyAnalyzer::instance();
    const bool ok = Common::edition().isVesk() ? analyzer->readInformListForVesk(read) : analyzer->readInformList(read);
    if (!ok) {
        LOG(WARNING) << "FUNC(DialogInform::updateInformList) the message list cannot be read, keep " << informs_.size();
        return false;
    }
    informs_ = read;
    rebuild();
    return true;
}

void DialogInform::markAllRead()
{
    for (st_inform& inform : informs_) {
        inform.isRead = 1;
    }
    rebuild();
}

void DialogInform::readAllFailed()
{
    readAll_->setEnabled(unreadCount() > 0);
}

void DialogInform::clearInform()
{
    informs_.clear();
    rebuild();
    hide();
}

void DialogInform::showInform()
{
    showNormal();
    raise();
    activateWindow();
}

int DialogInform::unreadCount() const
{
    return int(std::count_if(informs_.cbegin(), informs_.cend(), [](const st_inform& inform) { return inform.isRead == 0; }));
}

void DialogInform::onReadAllClicked()
{
    LOG(INFO) << "FUNC(DialogInform::onReadAllClicked) unread: " << unreadCount();
    readAll_->setEnabled(false);
    UiComm::instance()->apiCorvisclientCommon(CReqClientInformRead106, QString(), true);
}

void DialogInform::rebuild()
{
    list_->clear();
    for (const st_inform& inform : informs_) {
        auto* item = new QListWidgetItem(QStringLiteral("%1    %2\n%3").arg(inform.title, inform.time, inform.content), list_);
        QFont font = item->font();
        font.setBold(inform.isRead == 0);
        item->setFont(font);
        item->setData(Qt::UserRole, inform.id);
    }
    list_->setVisible(!informs_.isEmpty());
    empty_->setVisible(informs_.isEmpty());
    const int unread = unreadCount();
    readAll_->setEnabled(unread > 0);
    emit unreadCountChanged(unread);
}
