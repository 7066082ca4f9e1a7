#include "login/dialogbindagain.h"

#include "app/common.h"
#include "corviscommon/logging.h"
#include "corviscommon/productpaths.h"
#include "login/logincolors.h"
#include "src/CustomControl/cuslineedit.h"
#include "src/CustomControl/cusstyle.h"
#include "src/CustomControl/cuspicture.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

CusLineEdit* readOnlyField(QWidget* parent, const char* name, const QString& accessible)
{
    auto* edit = new CusLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setAccessibleName(accessible);
    edit->setReadOnly(true);
    edit->setFixedHeight(34);
    edit->setStyleSheet(QStringLiteral("QLineEdit { border: 1px solid #E0E0E0; border-radius: 4px; padding: 0 8px; "
                                       "background: #F5F7FA; }"));
    return edit;
}

}  // namespace

DialogBindAgain* DialogBindAgain::instance(QWidget* parent)
{
    static DialogBindAgain* dialog = new DialogBindAgain(parent);
    return dialog;
}

QString DialogBindAgain::noticeText()
{
    return QStringLiteral("温馨提示：\n1、请确认本机的设备所属人，确认是本人设备后可提交变更设备绑定的申请；\n"
                          "2、注意！非本人设备请勿点击“提交”，管理员核实后会拒绝本次申请。");
}

QString DialogBindAgain::requestBody(const QString& account, const QString& token)
{
    return account + QLatin1Char('\n') + token;
}

DialogBindAgain::DialogBindAgain(QWidget* parent) : CustomDialog(parent)
{
    setObjectName(QStringLiteral("DialogBindAgain"));
    setAccessibleName(QStringLiteral("设备绑定检查"));
    setWindowTitle(QStringLiteral("设备绑定检查"));
    setModal(true);
    setMinimizeVisible(false);
    resize(500, 470);
    const corvis::Edition edition = Common::edition();

    auto* picture = new QLabel(body());
    picture->setObjectName(QStringLiteral("labelBindAgainPicture"));
    const QString path = corvis::paths::resource(edition.isVesk() ? QStringLiteral("vesk/clientlogin/head_error.png")
                                                                  : QStringLiteral("default/clientlogin/head_error.png"));
    picture->setPixmap(CusPicture::load(path, QSize(56, 56)));
    auto* head = new QLabel(QStringLiteral("认证失败"), body());
    head->setObjectName(QStringLiteral("labelBindAgainHead"));
    head->setStyleSheet(QStringLiteral("font-size: 18px; font-weight: bold; color: %1;").arg(QLatin1String(cusstyle::kTitle)));
    auto* reason = new QLabel(QStringLiteral("认证的用户名与绑定的用户名信息不一致"), body());
    reason->setObjectName(QStringLiteral("labelBindAgainReason"));
    reason->setStyleSheet(QStringLiteral("color: %1;").arg(QLatin1String(cusstyle::kError)));
    auto* heading = new QVBoxLayout;
    heading->addWidget(head);
    heading->addWidget(reason);
    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addLayout(heading, 1);

    deviceName_ = readOnlyField(body(), "editDeviceName", QStringLiteral("设备名称"));
    bindUser_ = readOnlyField(body(), "editBindUser", QStringLiteral("已绑定用户"));
    newUser_ = readOnlyField(body(), "editNewUser", QStringLiteral("新绑定用户"));
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight);
    form->setVerticalSpacing(12);
    form->addRow(QStringLiteral("设备名称："), deviceName_);
    form->addRow(QStringLiteral("已绑定用户："), bindUser_);
    form->addRow(QStringLiteral("新绑定用户："), newUser_);

    auto* notice = new QLabel(noticeText(), body());
    notice->setObjectName(QStringLiteral("labelBindAgainNotice"));
    notice->setTextFormat(Qt::PlainText);
    notice->setWordWrap(true);
    notice->setStyleSheet(QStringLiteral("background: #FFF7E6; color: %1; padding: 10px; border-radius: 4px;")
                              .arg(QLatin1String(cusstyle::kText)));

    submit_ = new QPushButton(QStringLiteral("提交"), body());
    submit_->setObjectName(QStringLiteral("btnBindAgainSubmit"));
    submit_->setAccessibleName(QStringLiteral("提交"));
    submit_->setCursor(Qt::PointingHandCursor);
    submit_->setFixedSize(140, 36);
    submit_->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none; border-radius: 4px; }"
                                          "QPushButton:hover { background: %2; }")
                               .arg(LoginColors::theme(edition), LoginColors::themeHover(edition)));
    connect(submit_, &QPushButton::clicked, this, &DialogBindAgain::onSubmit);

    auto* layout = new QVBoxLayout(body());
    layout->setContentsMargins(28, 18, 28, 20);
    layout->setSpacing(16);
    layout->addLayout(top);
    layout->addLayout(form);
    layout->addWidget(notice);
    layout->addStretch(1);
    layout->addWidget(submit_, 0, Qt::AlignHCenter);
}

void DialogBindAgain::setBindInfo(const st_againBindInfo& info, const QString& account)
{
    info_ = info;
    account_ = account;
    deviceName_->setText(Common::pcName());
    bindUser_->setText(info.bindUserName);
    newUser_->setText(account);
    // Long names stay readable from their start.
    for (CusLineEdit* edit : {deviceName_, bindUser_, newUser_}) {
        edit->setCursorPosition(0);
    }
}

void DialogBindAgain::onSubmit()
{
    LOG(INFO) << "FUNC(DialogBindAgain::onSubmit) apply to bind this device to the new user";
    close();
    emit sendReqBindAgain(CReqClient114, requestBody(account_, info_.token));
}
