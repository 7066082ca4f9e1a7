#include "src/Views/pageversioncheck.h"

#include "app/common.h"
#include "comm/uicomm.h"
#include "corviscommon/logging.h"
#include "corviscommon/productpaths.h"
#include "src/CustomControl/cusmessagebox.h"

#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

void setButtonState(QPushButton* button, bool enable, const QString& idle, const QString& busy)
{
    button->setText(enable ? idle : busy);
    button->setEnabled(enable);
    button->setStyleSheet(enable ? QStringLiteral("QPushButton{border-radius: 4px;background-color: #4AB793;color: white;font-size: 14px;}")
                                 : QStringLiteral("QPushButton{border-radius: 4px;background-color: #D1D3D6;color: #8F959E;font-size: 14px;}"));
}

QLabel* infoLine(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("font-size: 14px;color: #6D6D6D;"));
    return label;
}

}  // namespace

PageVersionCheck::PageVersionCheck(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PageVersionCheck"));
    init();
}

QString PageVersionCheck::backupPackagePath()
{
    return corvis::paths::updateBackup();
}

void PageVersionCheck::init()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 60, 40, 60);
    layout->setSpacing(12);

    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("labelLogo"));
    logo->setAlignment(Qt::AlignCenter);
    const QPixmap picture(corvis::paths::logo());
    if (!picture.isNull()) {
        logo->setPixmap(picture.scaled(96, 96, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    layout->addWidget(logo);

    auto* product = new QLabel(Common::softName() + QStringLiteral(" V") + Common::version(), this);
    product->setObjectName(QStringLiteral("labelProduct"));
    product->setAlignment(Qt::AlignCenter);
    product->setStyleSheet(QStringLiteral("font-size: 20px;color: #2F2F2F;"));
    layout->addWidget(product);

    layout->addWidget(infoLine(QStringLiteral("版权所有：奎特网络科技有限公司"), this));
    layout->addWidget(infoLine(QStringLiteral("地址：示范市高新区创新路 1 号，100000"), this));
    layout->addWidget(infoLine(QStringLiteral("反馈建议请发送至邮箱 support@quintrel.example"), this));
    layout->addSpacing(24);

    checkBtn_ = new QPushButton(this);
    checkBtn_->setObjectName(QStringLiteral("btnCheckVersion"));
    checkBtn_->setFixedSize(176, 37);
    changeCheckVersionBtnStatus(true);
    connect(checkBtn_, &QPushButton::clicked, this, &PageVersionCheck::onCheckVersionBtn);
    layout->addWidget(checkBtn_, 0, Qt::AlignHCenter);

    backBtn_ = new QPushButton(this);
    backBtn_->setObjectName(QStringLiteral("btnBackVersion"));
    backBtn_->setFixedSize(176, 37);
    changeBackVersionBtnStatus(true);
    backBtn_->setVisible(isOpenRollbackUpdate());
    connect(backBtn_, &QPushButton::clicked, this, &PageVersionCheck::onBackVersionBtn);
    layout->addWidget(backBtn_, 0, Qt::AlignHCenter);
    layout->addStretch(1);

    msgBox_ = new CusMessageBox(this);
    connect(msgBox_, &CusMessageBox::clickSure, this, &PageVersionCheck::onRollbackConfirmed);
}

void PageVersionCheck::changeCheckVersionBtnStatus(bool enable)
{
    setButtonState(checkBtn_, enable, QStringLiteral("版本更新"), QStringLiteral("正在检查版本更新"));
    if (enable) {
        LOG(INFO) << "changeCheckVersionBtnStatus enable true!";
    }
}

void PageVersionCheck::changeBackVersionBtnStatus(bool enable)
{
    setButtonState(backBtn_, enable, QStringLiteral("版本回退"), QStringLiteral("正在检查版本回退"));
    if (enable) {
        LOG(INFO) << "changeBackVersionBtnStatus enable true!";
    }
}

void PageVersionCheck::onCheckVersionBtn()
{
    changeCheckVersionBtnStatus(false);
    UiComm::instance()->apiCorvisUpdateSrvCommon(CReqUpdate39, QString());
}

void PageVersionCheck::onBackVersionBtn()
{
    const QString path = backupPackagePath();
    if (!QFileInfo(path).isFile()) {
        rollbackConfirm_ = false;
        LOG(INFO) << "file is not exist! path" << path;
        msgBox_->showMessage(QStringLiteral("检测不到安装包，无法进行回退操作"), false);
        return;
    }
    rollbackConfirm_ = true;
    LOG(INFO) << "CORVIS_BAK_UPDATE_FILE_PATH is exist!";
    msgBox_->showMessage(QStringLiteral("检测到上一版本，是否回退并安装"), true);
}

void PageVersionCheck::onRollbackConfirmed()
{
    if (!rollbackConfirm_) {
        LOG(INFO) << "nothing to do";
        return;
    }
    changeBackVersionBtnStatus(false);
    UiComm::instance()->apiCorvisUpdateSrvCommon(CReqUpdate40, QString());
    LOG(INFO) << "send msg to corvisupdatesrv to backVersion!";
}

void PageVersionCheck::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
}
