// DialogCommon: the pages, showing, tips and closing. Buttons, requests and results are in
// dialogcommonrequests.cpp, the profile form in dialogcommonuserinfo.cpp.

#include "src/Views/dialogcommon.h"

#include "app/common.h"
#include "corviscommon/logging.h"
#include "corviscommon/secretmask.h"
#include "login/accountmask.h"
#include "login/clientlogindialog.h"
#include "login/countdown.h"
#include "login/logincolors.h"
#include "src/CustomControl/cuslineedit.h"
#include "src/CustomControl/cuspasswordedit.h"
#include "src/CustomControl/cusstyle.h"
#include "src/CustomControl/custiplabel.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kMaxInput = 64;
const char* const kEditStyle = "QLineEdit { border: 1px solid #E0E0E0; border-radius: 4px; padding: 0 8px; }";
// Normal tips of this dialog are green in every edition.
const char* const kNormalTip = "#4AB793";
const char* const kErrorTip = "red";

const char* const kPageLogNames[] = {"PageDialogModifyPwd",    "PageDialogUnbindling",   "PageDialogBindling",
                                     "PageDialogAuthAgainPwd", "PageDialogAuthAgainSms", "PageDialogImproveUserInfo"};

template <typename Edit>
Edit* newEdit(QWidget* parent, const char* name, const QString& accessible, const QString& placeholder)
{
    auto* edit = new Edit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setAccessibleName(accessible);
    edit->setPlaceholderText(placeholder);
    edit->setMaxLength(kMaxInput);
    // CusLineEdit is polished with its own sheet's min-height while it is built; replacing that
    // sheet drops the minimum height at the next polish (the first show), and with it the fixed
    // height. Polish with our sheet now, then fix the height.
    edit->setStyleSheet(QLatin1String(kEditStyle));
    edit->ensurePolished();
    edit->setFixedHeight(36);
    return edit;
}

QLabel* plainLabel(const QString& text, QWidget* parent, const char* name = nullptr)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    if (name != nullptr) {
        label->setObjectName(QLatin1String(name));
    }
    return label;
}

}  // namespace

namespace {

DialogCommon* g_instance = nullptr;

std::function<void(DialogCommon*)>& instanceSetup()
{
    static std::function<void(DialogCommon*)> setup;
    return setup;
}

}  // namespace

DialogCommon* DialogCommon::instance()
{
    if (g_instance == nullptr) {
        g_instance = new DialogCommon();
        if (instanceSetup()) {
            instanceSetup()(g_instance);
        }
    }
    return g_instance;
}

void DialogCommon::setInstanceSetup(std::function<void(DialogCommon*)> setup)
{
    instanceSetup() = std::move(setup);
    if (g_instance != nullptr && instanceSetup()) {
        instanceSetup()(g_instance);
    }
}

DialogCommon::DialogCommon(QWidget* parent) : CustomDialog(parent)
{
    setObjectName(QStringLiteral("DialogCommon"));
    setAccessibleName(QStringLiteral("账号操作"));
    unbindCountDown_ = new CountDown(QStringLiteral("unbindCodeCountDown"), this);
    bindCountDown_ = new CountDown(QStringLiteral("bindCodeCountDown"), this);
    smsAgainCountDown_ = new CountDown(QStringLiteral("smsAgainCodeCountDown"), this);

    stack_ = new QStackedWidget(body());
    stack_->setObjectName(QStringLiteral("stackCommon"));
    auto* layout = new QVBoxLayout(body());
    layout->setContentsMargins(24, 12, 24, 16);
    layout->addWidget(stack_);

    buildModifyPwdPage();
    buildUnbindPage();
    buildBindPage();
    buildAuthAgainPwdPage();
    buildAuthAgainSmsPage();
    buildImproveUserInfoPage();
    connectButtons();

    const QString theme = LoginColors::theme(Common::edition());
    const QString hover = LoginColors::themeHover(Common::edition());
    setStyleSheet(QStringLiteral("QPushButton#btnConfirm, QPushButton#btnSubmit { background: %1; color: white; "
                                 "border: none; border-radius: 4px; min-height: 34px; min-width: 96px; }"
                                 "QPushButton#btnConfirm:hover, QPushButton#btnSubmit:hover { background: %2; }"
                                 "QPushButton#btnConfirm:disabled, QPushButton#btnSubmit:disabled { background: #C0C4CC; }"
                                 "QPushButton#btnCancel { background: white; color: #2F2F2F; border: 1px solid #DCDFE6; "
                                 "border-radius: 4px; min-height: 34px; min-width: 96px; }"
                                 "QPushButton#btnGetCode { color: %1; border: 1px solid %1; border-radius: 4px; "
                                 "background: white; min-height: 34px; min-width: 110px; }"
                                 "QPushButton#btnGetCode:disabled { color: #8F959E; border-color: #DCDFE6; }")
                      .arg(theme, hover));
    resize(DialogCommonRules::modifyPwdSize(false));
}

QWidget* DialogCommon::newPage(PageCommonDialogIndex page, const char* name)
{
    auto* widget = new QWidget(stack_);
    widget->setObjectName(QLatin1String(name));
    stack_->insertWidget(page, widget);
    pages_[page].page = widget;
    return widget;
}

void DialogCommon::addCodeRow(PageCommonDialogIndex page, QVBoxLayout* layout)
{
    QWidget* parent = pages_[page].page;
    auto* row = new QHBoxLayout;
    pages_[page].code = newEdit<CusLineEdit>(parent, "editCode", QStringLiteral("验证码"), QStringLiteral("请输入验证码"));
    pages_[page].codeButton = new QPushButton(QStringLiteral("获取验证码"), parent);
    pages_[page].codeButton->setObjectName(QStringLiteral("btnGetCode"));
    pages_[page].codeButton->setAccessibleName(QStringLiteral("获取验证码"));
    pages_[page].codeButton->setCursor(Qt::PointingHandCursor);
    row->addWidget(pages_[page].code, 1);
    row->addWidget(pages_[page].codeButton);
    layout->addLayout(row);
}

void DialogCommon::addTipAndButtons(PageCommonDialogIndex page, QVBoxLayout* layout, const QString& confirmText)
{
    QWidget* parent = pages_[page].page;
    auto* tip = new CusTipLabel(parent);
    tip->setObjectName(QStringLiteral("labelTip"));
    tip->setAlignment(Qt::AlignCenter);
    tip->setMinimumHeight(24);
    tip->setColours(QLatin1String(kErrorTip), QLatin1String(kNormalTip));
    pages_[page].tip = tip;
    layout->addWidget(tip);
    // The form page's scroll area takes the free height itself.
    if (page != PageDialogImproveUserInfo) {
        layout->addStretch(1);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    if (page != PageDialogImproveUserInfo) {
        auto* cancel = new QPushButton(QStringLiteral("取消"), parent);
        cancel->setObjectName(QStringLiteral("btnCancel"));
        cancel->setAccessibleName(QStringLiteral("取消"));
        cancel->setCursor(Qt::PointingHandCursor);
        pages_[page].cancel = cancel;
        buttons->addWidget(cancel);
        buttons->addSpacing(16);
    }
    auto* confirm = new QPushButton(confirmText, parent);
    confirm->setObjectName(page == PageDialogImproveUserInfo ? QStringLiteral("btnSubmit") : QStringLiteral("btnConfirm"));
    confirm->setAccessibleName(confirmText);
    confirm->setCursor(Qt::PointingHandCursor);
    pages_[page].confirm = confirm;
    buttons->addWidget(confirm);
    buttons->addStretch(1);
    layout->addLayout(buttons);
}

void DialogCommon::buildModifyPwdPage()
{
    QWidget* page = newPage(PageDialogModifyPwd, "pageModifyPwd");
    auto* layout = new QVBoxLayout(page);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(14);
    oldPwdLabel_ = plainLabel(QStringLiteral("原密码:"), page, "labelOldPwd");
    oldPwd_ = newEdit<CusPasswordEdit>(page, "editOldPwd", QStringLiteral("原密码"), QStringLiteral("请输入原密码"));
    newPwd_ = newEdit<CusPasswordEdit>(page, "editNewPwd", QStringLiteral("新密码"), QStringLiteral("请输入新密码"));
    confirmPwd_ =
        newEdit<CusPasswordEdit>(page, "editConfirmPwd", QStringLiteral("确认密码"), QStringLiteral("请再次输入新密码"));
    grid->addWidget(oldPwdLabel_, 0, 0, Qt::AlignRight);
    grid->addWidget(oldPwd_, 0, 1);
    grid->addWidget(plainLabel(QStringLiteral("新密码:"), page), 1, 0, Qt::AlignRight);
    grid->addWidget(newPwd_, 1, 1);
    grid->addWidget(plainLabel(QStringLiteral("确认密码:"), page), 2, 0, Qt::AlignRight);
    grid->addWidget(confirmPwd_, 2, 1);
    layout->addLayout(grid);
    auto* rules = new QVBoxLayout;
    rules->setContentsMargins(70, 4, 0, 0);
    rules->setSpacing(4);
    for (int i = 0; i < 5; ++i) {
        ruleLabels_[i] = plainLabel(QString(), page);
        ruleLabels_[i]->setObjectName(QStringLiteral("labelPwdRule%1").arg(i));
        ruleLabels_[i]->setStyleSheet(QStringLiteral("font-size: 13px; color: %1;").arg(QLatin1String(cusstyle::kTextMuted)));
        ruleLabels_[i]->hide();
        rules->addWidget(ruleLabels_[i]);
    }
    layout->addLayout(rules);
    addTipAndButtons(PageDialogModifyPwd, layout, QStringLiteral("确定"));
}

void DialogCommon::buildUnbindPage()
{
    QWidget* page = newPage(PageDialogUnbindling, "pageUnbind");
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(16);
    unbindPhoneLabel_ = plainLabel(QString(), page, "labelUnbindPhone");
    layout->addWidget(unbindPhoneLabel_);
    addCodeRow(PageDialogUnbindling, layout);
    addTipAndButtons(PageDialogUnbindling, layout, QStringLiteral("确定"));
}

void DialogCommon::buildBindPage()
{
    QWidget* page = newPage(PageDialogBindling, "pageBind");
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(16);
    bindPhone_ = newEdit<CusLineEdit>(page, "editPhone", QStringLiteral("手机号码"), QStringLiteral("请输入手机号码"));
    layout->addWidget(bindPhone_);
    addCodeRow(PageDialogBindling, layout);
    addTipAndButtons(PageDialogBindling, layout, QStringLiteral("确定"));
}

void DialogCommon::buildAuthAgainPwdPage()
{
    QWidget* page = newPage(PageDialogAuthAgainPwd, "pageAuthAgainPwd");
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(16);
    layout->addWidget(plainLabel(QStringLiteral("您当前评分过低，需要进行二次认证"), page, "labelAuthAgainNotice"));
    auto* row = new QHBoxLayout;
    againPwd_ = newEdit<CusPasswordEdit>(page, "editAgainPwd", QStringLiteral("二次认证密码"), QString());
    row->addWidget(plainLabel(QStringLiteral("密码:"), page));
    row->addWidget(againPwd_, 1);
    layout->addLayout(row);
    addTipAndButtons(PageDialogAuthAgainPwd, layout, QStringLiteral("确定"));
}

void DialogCommon::buildAuthAgainSmsPage()
{
    QWidget* page = newPage(PageDialogAuthAgainSms, "pageAuthAgainSms");
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(16);
    layout->addWidget(plainLabel(QStringLiteral("您当前评分过低，需要进行二次认证"), page, "labelAuthAgainNotice"));
    addCodeRow(PageDialogAuthAgainSms, layout);
    addTipAndButtons(PageDialogAuthAgainSms, layout, QStringLiteral("确定"));
}

void DialogCommon::buildImproveUserInfoPage()
{
    QWidget* page = newPage(PageDialogImproveUserInfo, "pageImproveUserInfo");
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(page);
    scroll->setObjectName(QStringLiteral("scrollImproveUserInfo"));
    scroll->setAccessibleName(QStringLiteral("个人信息"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    formArea_ = new QWidget(scroll);
    formArea_->setObjectName(QStringLiteral("widgetImproveUserInfoForm"));
    formLayout_ = new QVBoxLayout(formArea_);
    formLayout_->setSpacing(6);
    formLayout_->addStretch(1);
    scroll->setWidget(formArea_);
    layout->addWidget(scroll, 1);
    addTipAndButtons(PageDialogImproveUserInfo, layout, QStringLiteral("提交"));
}

// ---------------------------------------------------------------------------------------------
// Showing

void DialogCommon::switchTo(PageCommonDialogIndex page, const QSize& size, const QString& title)
{
    page_ = page;
    // Each page has its own size, whatever the other pages of the stack would need.
    setFixedSize(size);
    setWindowTitle(title);
    stack_->setCurrentIndex(page);
    // Enter in a field confirms this page, not the first button after the field.
    pages_[page].confirm->setDefault(true);
}

void DialogCommon::showWindow(PageCommonDialogIndex page, cs_ret_status status, ClientReq req)
{
    req_ = req;
    const int unbind = unbindCountDown_->remaining();
    const int bind = bindCountDown_->remaining();
    const int sms = smsAgainCountDown_->remaining();
    const int longest = std::max({unbind, bind, sms});
    LOG(INFO) << "DialogCommon::showWindow page: " << page << ", status: " << status << ", req: " << hexCode(req)
              << ", unbind: " << unbind << ", bind: " << bind << ", smsAgain: " << sms << ", authCodeMaxTime:" << longest;

    switch (page) {
    case PageDialogModifyPwd: {
        LOG(INFO) << "post to get systemtitle";
        sendRequest(CReqClientQuerySystemTitle, QString());
        // The rules shown are those of the title the login page holds now; the answer refreshes
        // that title for the next time.
        const st_pwdClaim& claim = ClientLoginDialog::instance()->systemTitle().pwdClaim;
        const bool open = claim.isPwdClaimOpen != 0;
        const QStringList rules = DialogCommonRules::pwdClaimRules(claim);
        for (int i = 0; i < 5; ++i) {
            ruleLabels_[i]->setText(open ? rules.at(i) : QString());
            ruleLabels_[i]->setVisible(open);
        }
        const DialogCommonRules::ModifyPwdMode mode = DialogCommonRules::modifyPwdMode(status);
        switchTo(page, DialogCommonRules::modifyPwdSize(open), mode.title);
        m_isFirstLogin = mode.firstLogin;
        oldPwdLabel_->setVisible(mode.firstLogin == 0);
        oldPwd_->setVisible(mode.firstLogin == 0);
        if (!mode.trayText.isEmpty()) {
            sendTray(mode.trayText);
        }
        break;
    }
    case PageDialogUnbindling:
    case PageDialogBindling:
    case PageDialogAuthAgainSms:
        switchTo(page, DialogCommonRules::size(page), DialogCommonRules::title(page));
        m_isFirstLogin = 0;
        // A code asked for a moment ago on another page still counts here.
        if (longest > 0) {
            LOG(INFO) << "already have authCode time, so start timer!";
            countDown(page)->start(longest);
        }
        break;
    case PageDialogAuthAgainPwd:
    case PageDialogImproveUserInfo:
        switchTo(page, DialogCommonRules::size(page), DialogCommonRules::title(page));
        m_isFirstLogin = 0;
        break;
    }

    oldPwd_->clear();
    newPwd_->clear();
    confirmPwd_->clear();
    for (PageCommonDialogIndex p : {PageDialogUnbindling, PageDialogBindling, PageDialogAuthAgainPwd, PageDialogAuthAgainSms}) {
        setBtnStatus(true, p);
    }
    setBtnStatus(true, PageDialogModifyPwd);
    showNormal();
    raise();
    activateWindow();
    if (page == PageDialogModifyPwd) {
        (m_isFirstLogin == 0 ? oldPwd_ : newPwd_)->setFocus();
    }
}

void DialogCommon::setUnbindingPhone(const QString& phone)
{
    unbindingPhone_ = phone;
    const QString masked = AccountMask::encryptLastAccount(phone, PageLoginPhone, Common::edition());
    unbindPhoneLabel_->setText(QStringLiteral("当前绑定手机号：%1").arg(masked.isEmpty() ? phone : masked));
}

QString DialogCommon::tipText(PageCommonDialogIndex page) const
{
    return pages_[page].tip->text();
}

CountDown* DialogCommon::countDown(PageCommonDialogIndex page) const
{
    switch (page) {
    case PageDialogUnbindling:
        return unbindCountDown_;
    case PageDialogBindling:
        return bindCountDown_;
    case PageDialogAuthAgainSms:
        return smsAgainCountDown_;
    default:
        return nullptr;
    }
}

void DialogCommon::setTips(const QString& text, PageCommonDialogIndex page, bool isError)
{
    if (page < PageDialogModifyPwd || page > PageDialogImproveUserInfo) {
        return;
    }
    LOG(INFO) << kPageLogNames[page] << " setTips:" << corvis::logSafe(text);
    // "font-size: 14px;color:red;" or "font-size: 14px;color:#4AB793;"
    pages_[page].tip->setTip(text, QLatin1String(isError ? kErrorTip : kNormalTip));
}

void DialogCommon::setBtnStatus(bool enabled, PageCommonDialogIndex page)
{
    if (page < PageDialogModifyPwd || page > PageDialogImproveUserInfo) {
        return;
    }
    PageWidgets& widgets = pages_[page];
    widgets.confirm->setEnabled(enabled);
    if (widgets.codeButton != nullptr) {
        // A running count-down keeps its button.
        const CountDown* running = countDown(page);
        widgets.codeButton->setEnabled(enabled && (running == nullptr || !running->isRunning()));
    }
}

void DialogCommon::hideAndClearData()
{
    LOG(INFO) << "DialogCommon::hideWindow, index:" << page_;
    hide();
    for (PageWidgets& widgets : pages_) {
        widgets.tip->clearTip();
        if (widgets.code != nullptr) {
            widgets.code->clear();
        }
    }
    for (QLabel* label : ruleLabels_) {
        label->clear();
        label->hide();
    }
    for (QLineEdit* edit : {static_cast<QLineEdit*>(oldPwd_), static_cast<QLineEdit*>(newPwd_),
                            static_cast<QLineEdit*>(confirmPwd_), static_cast<QLineEdit*>(bindPhone_),
                            static_cast<QLineEdit*>(againPwd_)}) {
        edit->clear();
    }
}

void DialogCommon::closeEvent(QCloseEvent* event)
{
    // A second authentication is left by succeeding or by logging out.
    if (page_ == PageDialogAuthAgainPwd || page_ == PageDialogAuthAgainSms) {
        LOG(INFO) << "AuthAgainPwd or AuthAgainSms close, so logout!";
        logout();
    }
    if (m_isFirstLogin == 1) {
        emit sendRecoverLoginBtn(req_);
    }
    hideAndClearData();
    CustomDialog::closeEvent(event);
}
