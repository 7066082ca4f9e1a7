// The common account dialog driven as a user does, with its requests crossing a real socket to a
// raw client-service peer and its tray notices to a raw tray peer.

#include "comm/clientreq.h"
#include "comm/uicomm.h"
#include "login/clientlogindialog.h"
#include "login/countdown.h"
#include "src/CustomControl/cuslineedit.h"
#include "src/CustomControl/custiplabel.h"
#include "src/CustomControl/cusstyle.h"
#include "src/Views/dialogcommon.h"
#include "support/logcapture.h"
#include "support/rawpeer.h"
#include "support/testprefix.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMutex>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QtTest>

#include <memory>

namespace {

const QByteArray kUserInfo = "[UserInfo]\nUserName=zhang\n";
const QByteArray kTitleWithClaim = R"({"data":{"validateCodeType":"0","loginMenu":[
    {"menuId":"accountLoginTab","menuText":"账号登录"}],
    "pwdClaim":{"min_length":"8","max_length":"20","min_numlen":"1","min_charlen":"2","min_special_len":"1"}}})";
const QByteArray kTitleNoClaim = R"({"data":{"validateCodeType":"0","loginMenu":[
    {"menuId":"accountLoginTab","menuText":"账号登录"}]}})";

uint16_t wire(ClientReq req)
{
    return clientReqInfo(req).wireType;
}

}  // namespace

class TestDialogCommon : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void pages_data();
    void pages();
    void modifyPwdTyped_data();
    void modifyPwdTyped();
    void modifyPwdResults_data();
    void modifyPwdResults();
    void bindPhone();
    void unbindPhoneFailures();
    void countDownCarriesOver();
    void secondAuthentication();
    void leavingSecondAuthentication_data();
    void leavingSecondAuthentication();
    void improveUserInfoForm();
    void improveUserInfoLargeForm();

private:
    DialogCommon* dialog() const { return DialogCommon::instance(); }
    QWidget* page(const char* name) const { return dialog()->findChild<QWidget*>(name); }
    template <typename T>
    T* on(const char* pageName, const char* child) const
    {
        return page(pageName)->findChild<T*>(child);
    }
    void answerNext(ClientReq req, uint16_t status, const QByteArray& text);
    QList<RawServicePeer::Request> clientRequests(ClientReq req) const;
    bool waitForClient(ClientReq req, int count = 1) const;
    QStringList trayTexts() const;
    void loadTitle(const QByteArray& title);

    std::unique_ptr<TestPrefix> prefix_;
    std::unique_ptr<RawServicePeer> client_;
    std::unique_ptr<RawServicePeer> tray_;
    QMutex answersMutex_;
    QHash<uint16_t, RawServicePeer::Reply> answers_;
    int loginState_ = 0;
};

void TestDialogCommon::initTestCase()
{
    qRegisterMetaType<ClientReq>();
    // The main window's wiring: every request to the client service, every result back.
    connect(dialog(), &DialogCommon::sendReqClientModifyPwd, this,
            [](ClientReq req, const QString& text) { UiComm::instance()->apiCorvisclientCommon(req, text, true); });
    connect(UiComm::instance(), &UiComm::sendCommMsg, this,
            [this](ClientReq req, const QString& text, const QString&, bool failed) {
                if (req != CReqClientQuerySystemTitle) {
                    dialog()->handleReqClientResult(req, text, failed);
                }
            });
    dialog()->setLoginStateSource([this] { return loginState_; });
}

void TestDialogCommon::init()
{
    prefix_.reset();
    prefix_ = std::make_unique<TestPrefix>();
    QVERIFY(prefix_->writeUserInfo(kUserInfo));
    loadTitle(kTitleNoClaim);
    answers_.clear();
    loginState_ = 0;
    client_ = std::make_unique<RawServicePeer>(peerSocketPath(ReqPeer::Corvisclient),
                                               [this](const RawServicePeer::Request& request) {
                                                   QMutexLocker lock(&answersMutex_);
                                                   RawServicePeer::Reply reply = answers_.value(request.type);
                                                   reply.type = request.type;
                                                   return reply;
                                               });
    tray_ = std::make_unique<RawServicePeer>(peerSocketPath(ReqPeer::Corvistray), [](const RawServicePeer::Request&) {
        RawServicePeer::Reply reply;
        reply.action = RawServicePeer::Reply::ReadOnly;
        return reply;
    });
    QVERIFY(client_->isListening());
    QVERIFY(tray_->isListening());
}

void TestDialogCommon::cleanup()
{
    dialog()->hideAndClearData();
    for (PageCommonDialogIndex p : {PageDialogUnbindling, PageDialogBindling, PageDialogAuthAgainSms}) {
        dialog()->countDown(p)->stop();
    }
    // Results still on their way land before the peers go.
    QTest::qWait(0);
    client_.reset();
    tray_.reset();
    prefix_.reset();
}

void TestDialogCommon::loadTitle(const QByteArray& title)
{
    QVERIFY(prefix_->writeInstallFile(QStringLiteral("ini/systemTitle.json"), title));
    ClientLoginDialog::instance()->handleSystemTitle();
}

void TestDialogCommon::answerNext(ClientReq req, uint16_t status, const QByteArray& text)
{
    QMutexLocker lock(&answersMutex_);
    RawServicePeer::Reply reply;
    reply.status = status;
    reply.text = text;
    answers_.insert(wire(req), reply);
}

QList<RawServicePeer::Request> TestDialogCommon::clientRequests(ClientReq req) const
{
    QList<RawServicePeer::Request> out;
    for (const RawServicePeer::Request& request : client_->requests()) {
        if (request.type == wire(req)) {
            out.append(request);
        }
    }
    return out;
}

bool TestDialogCommon::waitForClient(ClientReq req, int count) const
{
    for (int i = 0; i < 1000 && clientRequests(req).size() < count; ++i) {
        QTest::qWait(10);
    }
    return clientRequests(req).size() >= count;
}

QStringList TestDialogCommon::trayTexts() const
{
    QStringList out;
    for (const RawServicePeer::Request& request : tray_->requests()) {
        out.append(QString::fromUtf8(request.param));
    }
    return out;
}

void TestDialogCommon::pages_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("claim");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("oldShown");
    QTest::addColumn<QString>("tray");
    QTest::newRow("0 voluntary") << 0 << 0 << false << "修改密码" << QSize(520, 366) << true << "";
    QTest::newRow("0 voluntary, claim") << 0 << 0 << true << "修改密码" << QSize(605, 480) << true << "";
    QTest::newRow("0 first login 14") << 0 << 14 << true << "首次登陆修改密码" << QSize(605, 480) << false << "";
    QTest::newRow("0 expired 15") << 0 << 15 << false << "密码过期修改密码" << QSize(520, 366) << false << "";
    QTest::newRow("0 too weak 16") << 0 << 16 << false << "修改密码" << QSize(520, 366) << false
                                   << "口令强度不符合要求，请修改密码";
    QTest::newRow("0 status 18 is no forced change") << 0 << 18 << false << "修改密码" << QSize(520, 366) << true << "";
    QTest::newRow("1 unbind") << 1 << 0 << false << "解绑手机" << QSize(520, 320) << true << "";
    QTest::newRow("2 bind") << 2 << 0 << false << "绑定手机" << QSize(520, 320) << true << "";
    QTest::newRow("3 password") << 3 << 0 << false << "口令认证" << QSize(520, 260) << true << "";
    QTest::newRow("4 sms") << 4 << 0 << false << "短信认证" << QSize(520, 260) << true << "";
}

void TestDialogCommon::pages()
{
    QFETCH(int, page);
    QFETCH(int, status);
    QFETCH(bool, claim);
    QFETCH(QString, title);
    QFETCH(QSize, size);
    QFETCH(bool, oldShown);
    QFETCH(QString, tray);
    loadTitle(claim ? kTitleWithClaim : kTitleNoClaim);
    dialog()->showWindow(PageCommonDialogIndex(page), cs_ret_status(status), CReqClientLogin76);
    QVERIFY(dialog()->isVisible());
    QCOMPARE(dialog()->currentPage(), page);
    QCOMPARE(dialog()->findChild<QStackedWidget*>("stackCommon")->currentIndex(), page);
    QCOMPARE(dialog()->windowTitle(), title);
    QCOMPARE(dialog()->size(), size);
    // Every field is drawn at its full height, however the page came to be shown.
    const QList<QLineEdit*> fields = dialog()->findChild<QStackedWidget*>("stackCommon")->currentWidget()->findChildren<QLineEdit*>();
    QVERIFY(!fields.isEmpty());
    for (QLineEdit* field : fields) {
        if (field->isVisible()) {
            QVERIFY2(field->height() == 36, qPrintable(field->objectName() + QStringLiteral(" is %1 px high").arg(field->height())));
        }
    }
    if (page == 0) {
        QCOMPARE(dialog()->isFirstLogin(), oldShown ? 0 : 1);
        QCOMPARE(on<QLineEdit>("pageModifyPwd", "editOldPwd")->isVisible(), oldShown);
        QCOMPARE(on<QLabel>("pageModifyPwd", "labelOldPwd")->isVisible(), oldShown);
        QCOMPARE(on<QLabel>("pageModifyPwd", "labelPwdRule0")->isVisible(), claim);
        if (claim) {
            QCOMPARE(on<QLabel>("pageModifyPwd", "labelPwdRule0")->text(), QStringLiteral("· 密码长度不少于8个字符"));
            QCOMPARE(on<QLabel>("pageModifyPwd", "labelPwdRule4")->text(), QStringLiteral("· 密码最少包含1个特殊字符"));
        }
        // The title is asked for again, for the next time.
        QVERIFY(waitForClient(CReqClientQuerySystemTitle));
    }
    if (tray.isEmpty()) {
        QTest::qWait(50);
        QCOMPARE(trayTexts(), QStringList());
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(trayTexts(), QStringList{tray}, 10000);
    }
}

void TestDialogCommon::modifyPwdTyped_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("oldPwd");
    QTest::addColumn<QString>("newPwd");
    QTest::addColumn<QString>("confirm");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("body");
    QTest::newRow("old missing") << 0 << "" << "New2@xyz" << "New2@xyz" << "原密码不能为空，请重新输入！"
                                 << "editOldPwd" << "";
    QTest::newRow("same as old") << 0 << "Same1!ab" << "Same1!ab" << "Same1!ab" << "新密码与原密码一致，请重新输入！"
                                 << "editNewPwd" << "";
    QTest::newRow("mismatch") << 0 << "Old1!abc" << "New2@xyz" << "New2@xy" << "两次密码输入不一致，请重新输入！"
                              << "editConfirmPwd" << "";
    QTest::newRow("voluntary sent") << 0 << "Old1!abc" << "New2@xyz" << "New2@xyz" << "" << "" << "Old1!abc\nNew2@xyz\n0";
    QTest::newRow("forced 14 keeps the old one") << 14 << "" << "Same1!ab" << "Same1!ab" << "" << ""
                                                 << "\nSame1!ab\n1";
}

void TestDialogCommon::modifyPwdTyped()
{
    QFETCH(int, status);
    QFETCH(QString, oldPwd);
    QFETCH(QString, newPwd);
    QFETCH(QString, confirm);
    QFETCH(QString, tip);
    QFETCH(QString, focus);
    QFETCH(QString, body);
    answerNext(CReqClientModifyPwd, 5, "原密码错误");
    LogCapture log;
    dialog()->showWindow(PageDialogModifyPwd, cs_ret_status(status), CReqClientLogin76);
    if (status == 0) {
        QTest::keyClicks(on<QLineEdit>("pageModifyPwd", "editOldPwd"), oldPwd);
    }
    QTest::keyClicks(on<QLineEdit>("pageModifyPwd", "editNewPwd"), newPwd);
    QTest::keyClicks(on<QLineEdit>("pageModifyPwd", "editConfirmPwd"), confirm);
    QPushButton* confirmButton = on<QPushButton>("pageModifyPwd", "btnConfirm");
    QTest::mouseClick(confirmButton, Qt::LeftButton);
    if (!tip.isEmpty()) {
        QCOMPARE(dialog()->tipText(PageDialogModifyPwd), tip);
        QVERIFY(dialog()->focusWidget() != nullptr);
        QCOMPARE(dialog()->focusWidget()->objectName(), focus);
        QTest::qWait(50);
        QVERIFY(clientRequests(CReqClientModifyPwd).isEmpty());
        return;
    }
    QVERIFY(!confirmButton->isEnabled());
    QVERIFY(waitForClient(CReqClientModifyPwd));
    QCOMPARE(QString::fromUtf8(clientRequests(CReqClientModifyPwd).first().param), body);
    // A refusal is the page's tip, and the page is usable again with what was typed.
    QTRY_COMPARE_WITH_TIMEOUT(dialog()->tipText(PageDialogModifyPwd), QStringLiteral("原密码错误"), 10000);
    QVERIFY(confirmButton->isEnabled());
    QCOMPARE(on<QLineEdit>("pageModifyPwd", "editNewPwd")->text(), newPwd);
    // What was typed never reaches a log line.
    QVERIFY(!log.text().contains(newPwd));
    if (!oldPwd.isEmpty()) {
        QVERIFY(!log.text().contains(oldPwd));
    }
}

void TestDialogCommon::modifyPwdResults_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("replyStatus");
    QTest::addColumn<QString>("tray");
    QTest::addColumn<bool>("logout");
    QTest::addColumn<bool>("recover");
    QTest::addColumn<bool>("jump");
    QTest::newRow("voluntary, 18 logs out") << 0 << 18 << "修改密码成功，请重新登录" << true << false << false;
    QTest::newRow("voluntary, done") << 0 << 0 << "修改密码成功" << false << false << false;
    QTest::newRow("forced 15, 18 back to login") << 15 << 18 << "" << false << true << false;
    QTest::newRow("forced 14, done: work area") << 14 << 0 << "" << false << false << true;
}

void TestDialogCommon::modifyPwdResults()
{
    QFETCH(int, status);
    QFETCH(int, replyStatus);
    QFETCH(QString, tray);
    QFETCH(bool, logout);
    QFETCH(bool, recover);
    QFETCH(bool, jump);
    answerNext(CReqClientModifyPwd, uint16_t(replyStatus), "ok");
    QSignalSpy recovered(dialog(), &DialogCommon::sendRecoverLoginBtn);
    QSignalSpy jumped(dialog(), &DialogCommon::sendJumpToMain);
    QSignalSpy results(dialog(), &DialogCommon::resultReceived);
    dialog()->showWindow(PageDialogModifyPwd, cs_ret_status(status), CReqClientLogin80);
    if (status == 0) {
        QTest::keyClicks(on<QLineEdit>("pageModifyPwd", "editOldPwd"), "Old1!abc");
    }
    QTest::keyClicks(on<QLineEdit>("pageModifyPwd", "editNewPwd"), "New2@xyz");
    QTest::keyClicks(on<QLineEdit>("pageModifyPwd", "editConfirmPwd"), "New2@xyz");
    QTest::mouseClick(on<QPushButton>("pageModifyPwd", "btnConfirm"), Qt::LeftButton);
    const auto modifyResults = [&results] {
        int n = 0;
        for (const QList<QVariant>& args : results) {
            n += args.at(0).value<ClientReq>() == CReqClientModifyPwd ? 1 : 0;
        }
        return n;
    };
    QTRY_COMPARE_WITH_TIMEOUT(modifyResults(), 1, 10000);
    QVERIFY(!dialog()->isVisible());
    // Gone with the dialog: what was typed.
    QVERIFY(on<QLineEdit>("pageModifyPwd", "editNewPwd")->text().isEmpty());
    if (!tray.isEmpty()) {
        QTRY_VERIFY_WITH_TIMEOUT(trayTexts().contains(tray), 10000);
    }
    if (logout) {
        QVERIFY(waitForClient(CReqClientLogout));
        QCOMPARE(clientRequests(CReqClientLogout).first().param, QByteArray());
    } else {
        QVERIFY(clientRequests(CReqClientLogout).isEmpty());
    }
    QCOMPARE(recovered.size(), recover ? 1 : 0);
    if (recover) {
        QCOMPARE(recovered.first().first().value<ClientReq>(), CReqClientLogin80);
    }
    QCOMPARE(jumped.size(), jump ? 1 : 0);
}

void TestDialogCommon::bindPhone()
{
    QSignalSpy phone(dialog(), &DialogCommon::sendSetPersonalCenterPhone);
    dialog()->showWindow(PageDialogBindling, CS_RET_SUCCESS, CReqClientLogin76);
    QPushButton* code = on<QPushButton>("pageBind", "btnGetCode");
    // No phone: no code asked for.
    QTest::mouseClick(code, Qt::LeftButton);
    QCOMPARE(dialog()->tipText(PageDialogBindling), QStringLiteral("手机号不能为空，请重新输入！"));
    answerNext(CReqClientBindAuthCode, 0,
               R"({"status":2000,"msg":"验证码已发送","result":{"smsSendCodeButtonTime":90}})");
    QTest::keyClicks(on<QLineEdit>("pageBind", "editPhone"), "13800138000");
    QTest::mouseClick(code, Qt::LeftButton);
    QVERIFY(waitForClient(CReqClientBindAuthCode));
    QCOMPARE(clientRequests(CReqClientBindAuthCode).first().param, QByteArray("13800138000"));
    QTRY_COMPARE_WITH_TIMEOUT(dialog()->tipText(PageDialogBindling), QStringLiteral("验证码已发送"), 10000);
    QCOMPARE(dialog()->countDown(PageDialogBindling)->remaining(), 90);
    QVERIFY(!code->isEnabled());
    QCOMPARE(code->text(), CountDown::runningText(90));
    // The confirm checks the code first.
    QPushButton* confirm = on<QPushButton>("pageBind", "btnConfirm");
    QTest::mouseClick(confirm, Qt::LeftButton);
    QCOMPARE(dialog()->tipText(PageDialogBindling), QStringLiteral("验证码不能为空，请重新输入！"));
    answerNext(CReqClientBind, 0, "");
    QTest::keyClicks(on<QLineEdit>("pageBind", "editCode"), "6688");
    QTest::mouseClick(confirm, Qt::LeftButton);
    QVERIFY(waitForClient(CReqClientBind));
    QCOMPARE(clientRequests(CReqClientBind).first().param, QByteArray("6688&13800138000"));
    QTRY_COMPARE_WITH_TIMEOUT(phone.size(), 1, 10000);
    QCOMPARE(phone.first().first().toString(), QStringLiteral("13800138000"));
    QVERIFY(!dialog()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(trayTexts().contains(QStringLiteral("绑定手机号成功")), 10000);
}

void TestDialogCommon::unbindPhoneFailures()
{
    dialog()->setUnbindingPhone(QStringLiteral("13800138000"));
    dialog()->showWindow(PageDialogUnbindling, CS_RET_SUCCESS, CReqClientLogin76);
    QVERIFY(!on<QLabel>("pageUnbind", "labelUnbindPhone")->text().contains(QStringLiteral("13800138000")));
    // An answer that is not a document is shown as it came.
    answerNext(CReqClientUnbindAuthCode, 0, "<b>服务繁忙</b>");
    QPushButton* code = on<QPushButton>("pageUnbind", "btnGetCode");
    QTest::mouseClick(code, Qt::LeftButton);
    QVERIFY(waitForClient(CReqClientUnbindAuthCode));
    QCOMPARE(clientRequests(CReqClientUnbindAuthCode).first().param, QByteArray());
    QTRY_COMPARE_WITH_TIMEOUT(dialog()->tipText(PageDialogUnbindling), QStringLiteral("<b>服务繁忙</b>"), 10000);
    QCOMPARE(on<CusTipLabel>("pageUnbind", "labelTip")->textFormat(), Qt::PlainText);
    QVERIFY(code->isEnabled());
    QVERIFY(!dialog()->countDown(PageDialogUnbindling)->isRunning());
    // A refused unbind keeps the page open with its code.
    answerNext(CReqClientUnbind, 0, "验证码错误");
    QTest::keyClicks(on<QLineEdit>("pageUnbind", "editCode"), "1234");
    QTest::mouseClick(on<QPushButton>("pageUnbind", "btnConfirm"), Qt::LeftButton);
    QVERIFY(waitForClient(CReqClientUnbind));
    QCOMPARE(clientRequests(CReqClientUnbind).first().param, QByteArray("1234"));
    QTRY_COMPARE_WITH_TIMEOUT(dialog()->tipText(PageDialogUnbindling), QStringLiteral("验证码错误"), 10000);
    QVERIFY(dialog()->isVisible());
    QCOMPARE(on<QLineEdit>("pageUnbind", "editCode")->text(), QStringLiteral("1234"));
    QVERIFY(on<QPushButton>("pageUnbind", "btnConfirm")->isEnabled());
}

void TestDialogCommon::countDownCarriesOver()
{
    dialog()->showWindow(PageDialogUnbindling, CS_RET_SUCCESS, CReqClientLogin76);
    answerNext(CReqClientUnbindAuthCode, 0,
               R"({"status":2000,"msg":"已发送","result":{"smsSendCodeButtonTime":"-3","iSendSmsTimeInterval":"50"}})");
    QTest::mouseClick(on<QPushButton>("pageUnbind", "btnGetCode"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(dialog()->countDown(PageDialogUnbindling)->remaining(), 60, 10000);
    dialog()->hideAndClearData();
    // The bind page opened a moment later waits the same.
    dialog()->showWindow(PageDialogBindling, CS_RET_SUCCESS, CReqClientLogin76);
    QCOMPARE(dialog()->countDown(PageDialogBindling)->remaining(), dialog()->countDown(PageDialogUnbindling)->remaining());
    QVERIFY(!on<QPushButton>("pageBind", "btnGetCode")->isEnabled());
}

void TestDialogCommon::secondAuthentication()
{
    QSignalSpy enabled(dialog(), &DialogCommon::sendHandleEnable);
    dialog()->showWindow(PageDialogAuthAgainPwd, CS_RET_SUCCESS, CReqClientLogin76);
    QPushButton* confirm = on<QPushButton>("pageAuthAgainPwd", "btnConfirm");
    QTest::mouseClick(confirm, Qt::LeftButton);
    QCOMPARE(dialog()->tipText(PageDialogAuthAgainPwd), QStringLiteral("密码不能为空，请重新输入！"));
    answerNext(CReqClientAgainAuthPwd, 0, "");
    LogCapture log;
    QTest::keyClicks(on<QLineEdit>("pageAuthAgainPwd", "editAgainPwd"), "Again#9pw");
    QTest::mouseClick(confirm, Qt::LeftButton);
    QVERIFY(waitForClient(CReqClientAgainAuthPwd));
    QCOMPARE(clientRequests(CReqClientAgainAuthPwd).first().param, QByteArray("zhang\nAgain#9pw"));
    QTRY_COMPARE_WITH_TIMEOUT(enabled.size(), 1, 10000);
    QCOMPARE(enabled.first().at(0).toBool(), true);
    QVERIFY(enabled.first().at(1).toStringList().isEmpty());
    QVERIFY(!dialog()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(trayTexts().contains(QStringLiteral("二次认证-口令认证成功")), 10000);
    QVERIFY(!log.text().contains(QStringLiteral("Again#9pw")));

    // By SMS: the code request, then the code.
    dialog()->showWindow(PageDialogAuthAgainSms, CS_RET_SUCCESS, CReqClientLogin76);
    answerNext(CReqClientAgainAuthSmsCode, 5, "短信服务不可用");
    QTest::mouseClick(on<QPushButton>("pageAuthAgainSms", "btnGetCode"), Qt::LeftButton);
    QVERIFY(waitForClient(CReqClientAgainAuthSmsCode));
    QTRY_COMPARE_WITH_TIMEOUT(dialog()->tipText(PageDialogAuthAgainSms), QStringLiteral("短信服务不可用"), 10000);
    answerNext(CReqClientAgainAuthSms, 0, "");
    QTest::keyClicks(on<QLineEdit>("pageAuthAgainSms", "editCode"), "4321");
    QTest::mouseClick(on<QPushButton>("pageAuthAgainSms", "btnConfirm"), Qt::LeftButton);
    QVERIFY(waitForClient(CReqClientAgainAuthSms));
    QCOMPARE(clientRequests(CReqClientAgainAuthSms).first().param, QByteArray("4321"));
    QTRY_COMPARE_WITH_TIMEOUT(enabled.size(), 2, 10000);
}

void TestDialogCommon::leavingSecondAuthentication_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("loginState");
    QTest::addColumn<bool>("byTitleBar");
    QTest::addColumn<bool>("logout");
    QTest::newRow("3 cancel logged in") << 3 << 1 << false << true;
    QTest::newRow("4 cancel logged in (2)") << 4 << 2 << false << true;
    QTest::newRow("3 cancel not logged in") << 3 << 0 << false << false;
    QTest::newRow("4 closed, not logged in") << 4 << 0 << true << true;
    QTest::newRow("3 closed") << 3 << 1 << true << true;
    QTest::newRow("1 closed") << 1 << 1 << true << false;
}

void TestDialogCommon::leavingSecondAuthentication()
{
    QFETCH(int, page);
    QFETCH(int, loginState);
    QFETCH(bool, byTitleBar);
    QFETCH(bool, logout);
    loginState_ = loginState;
    dialog()->showWindow(PageCommonDialogIndex(page), CS_RET_SUCCESS, CReqClientLogin76);
    if (byTitleBar) {
        dialog()->close();
    } else {
        const char* names[] = {"pageModifyPwd", "pageUnbind", "pageBind", "pageAuthAgainPwd", "pageAuthAgainSms"};
        QTest::mouseClick(on<QPushButton>(names[page], "btnCancel"), Qt::LeftButton);
    }
    QVERIFY(!dialog()->isVisible());
    if (logout) {
        QVERIFY(waitForClient(CReqClientLogout));
    } else {
        QTest::qWait(50);
        QVERIFY(clientRequests(CReqClientLogout).isEmpty());
    }
}

void TestDialogCommon::improveUserInfoForm()
{
    auto element = [](const QString& id, const QString& name, int type, int required, int order) {
        st_ImproveUserInfoElements e;
        e.uidelementid = id;
        e.strelementname = name;
        e.ielementtype = type;
        e.iisrequired = required;
        e.iorder = order;
        return e;
    };
    QVector<st_ImproveUserInfoElements> elements;
    elements << element("e1", "<b>姓名</b>", 1, 1, 1) << element("e2", "简介", 2, 0, 2);
    auto dept = element("e3", "部门", 7, 1, 3);
    dept.selectOption = {{"财务", "fin"}, {"研发", "dev"}};
    auto hobby = element("e4", "爱好", 8, 0, 4);
    hobby.selectOption = {{"读书", "r"}, {"跑步", "s"}};
    elements << dept << hobby << element("e5", "奇怪", 42, 1, 5) << element("e6", "邮箱", 3, 0, 6);
    LogCapture log;
    QSignalSpy results(dialog(), &DialogCommon::resultReceived);
    dialog()->showWindow(elements);
    QCOMPARE(dialog()->currentPage(), int(PageDialogImproveUserInfo));
    QCOMPARE(dialog()->windowTitle(), QStringLiteral("完善个人信息"));
    QCOMPARE(dialog()->size(), QSize(481, 470));
    // The unknown type is left out, with a warning.
    QVERIFY(log.contains(QStringLiteral("of unknown type 42"), google::GLOG_WARNING));
    QVERIFY(page("pageImproveUserInfo")->findChild<QWidget*>("improveInput4") == nullptr);
    // A name from the controller stays text.
    bool sawName = false;
    for (QLabel* label : page("pageImproveUserInfo")->findChildren<QLabel*>("labelElementName")) {
        if (label->text().contains(QStringLiteral("<b>姓名</b>").toHtmlEscaped())) {
            sawName = true;
        }
        QVERIFY(!label->text().contains(QStringLiteral("<b>姓名</b>")));
    }
    QVERIFY(sawName);
    // A hint in a field reads lighter than what is typed.
    auto* name = on<QLineEdit>("pageImproveUserInfo", "improveInput0");
    QVERIFY(name->palette().color(QPalette::PlaceholderText) != name->palette().color(QPalette::Text));
    QCOMPARE(name->palette().color(QPalette::PlaceholderText), QColor(QLatin1String(cusstyle::kTextMuted)));

    // Required fields empty: nothing is sent.
    QPushButton* submit = on<QPushButton>("pageImproveUserInfo", "btnSubmit");
    QTest::mouseClick(submit, Qt::LeftButton);
    QCOMPARE(dialog()->tipText(PageDialogImproveUserInfo),
             QStringLiteral("<b>姓名</b>不能为空,部门不能为空,请重新输入"));
    QTest::keyClicks(on<QLineEdit>("pageImproveUserInfo", "improveInput0"), "Zhang San");
    QTest::keyClicks(on<QPlainTextEdit>("pageImproveUserInfo", "improveInput1"), "a\"b");
    on<QComboBox>("pageImproveUserInfo", "improveInput2")->setCurrentIndex(2);
    QTest::mouseClick(on<QCheckBox>("pageImproveUserInfo", "improveInput3_1"), Qt::LeftButton);
    QTest::keyClicks(on<QLineEdit>("pageImproveUserInfo", "improveInput5"), "bad-mail");
    QTest::mouseClick(submit, Qt::LeftButton);
    QCOMPARE(dialog()->tipText(PageDialogImproveUserInfo), QStringLiteral("邮箱输入有误,请重新输入"));
    on<QLineEdit>("pageImproveUserInfo", "improveInput5")->clear();
    QTest::keyClicks(on<QLineEdit>("pageImproveUserInfo", "improveInput5"), "zs@corp.cn");
    answerNext(CReqClientImproveUserInfo, 0, "信息不完整");
    QTest::mouseClick(submit, Qt::LeftButton);
    QVERIFY(waitForClient(CReqClientImproveUserInfo));
    QCOMPARE(QString::fromUtf8(clientRequests(CReqClientImproveUserInfo).first().param),
             QStringLiteral("{\"e1\":\"Zhang San\",\"e2\":\"a\\\"b\",\"e3\":\"dev\",\"e4\":[\"s\"],\"e6\":\"zs@corp.cn\"}"));
    QTRY_COMPARE_WITH_TIMEOUT(dialog()->tipText(PageDialogImproveUserInfo), QStringLiteral("信息不完整"), 10000);
    QVERIFY(dialog()->isVisible());
    answerNext(CReqClientImproveUserInfo, 0, "提交成功");
    QTest::mouseClick(submit, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog()->isVisible(), 10000);
}

void TestDialogCommon::improveUserInfoLargeForm()
{
    QVector<st_ImproveUserInfoElements> elements;
    for (int i = 0; i < 500; ++i) {
        st_ImproveUserInfoElements e;
        e.uidelementid = QStringLiteral("id%1").arg(i);
        e.strelementname = QStringLiteral("字段%1").arg(i);
        e.ielementtype = 1;
        e.iorder = 1;  // every order the same: the document's order
        elements << e;
    }
    dialog()->showWindow(elements);
    auto* scroll = on<QScrollArea>("pageImproveUserInfo", "scrollImproveUserInfo");
    QTRY_VERIFY(scroll->verticalScrollBar()->maximum() > 0);
    QCOMPARE(dialog()->size(), QSize(481, 470));
    // The form takes the page's height but for the tip and the button under it.
    const int below = on<QWidget>("pageImproveUserInfo", "labelTip")->height() +
                      on<QWidget>("pageImproveUserInfo", "btnSubmit")->height();
    QVERIFY2(scroll->height() >= page("pageImproveUserInfo")->height() - below - 40,
             qPrintable(QStringLiteral("the form is %1 px of %2").arg(scroll->height()).arg(page("pageImproveUserInfo")->height())));
    QCOMPARE(on<QLineEdit>("pageImproveUserInfo", "improveInput499")->accessibleName(), QStringLiteral("字段499"));
    // A second form replaces the first.
    dialog()->showWindow(QVector<st_ImproveUserInfoElements>{});
    QVERIFY(page("pageImproveUserInfo")->findChild<QWidget*>("improveInput0") == nullptr);
}

QTEST_MAIN(TestDialogCommon)
#include "tst_dialogcommon.moc"
