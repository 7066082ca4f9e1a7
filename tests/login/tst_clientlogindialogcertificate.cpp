// The certificate tab inside the login dialog, with USB keys of the software token, the controller
// stand-in for the challenge and corvissim checking the login for real: the page and the PIN
// dialog, a cancelled PIN, the page's messages for each failed reading, the next certificate after
// a refusal, both refused, and a dialog hidden while the key is being read.

#include "comm/uicomm.h"
#include "login/certificatelogin.h"
#include "login/certificatepindialog.h"
#include "login/clientlogindialog.h"
#include "login/logincertificatepage.h"
#include "src/CustomControl/cuspasswordedit.h"
#include "src/CustomControl/custabwidget.h"
#include "support/ctlsim.h"
#include "support/logcapture.h"
#include "support/simprocess.h"
#include "support/testprefix.h"
#include "support/tokentool.h"
#include "testpaths.h"

#include <QJsonDocument>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QThreadPool>
#include <QtTest>

namespace {

const QString kPin = QStringLiteral("123456");
const char kSeparator[] = "[$^^$]";

QByteArray title(bool certAuthSign)
{
    return QByteArray(R"({"data":{"validateCodeType":"0","certAuthSign":")") + (certAuthSign ? "1" : "0") +
           R"(","loginMenu":[{"menuId":"accountLoginTab","menuText":"账号登录"},{"menuId":"certLoginTab","menuText":"证书登录"}]}})";
}

ClientLoginDialog* dialog()
{
    return ClientLoginDialog::instance();
}

LoginCertificatePage* page()
{
    return dialog()->certificatePage();
}

CertificatePinDialog* pinDialog()
{
    return dialog()->certificatePinDialog();
}

CusTabWidget* tabs()
{
    return dialog()->findChild<CusTabWidget*>("tabWidgetLogin");
}

void selectCertificate(bool cert)
{
    tabs()->setCurrentIndex(cert ? tabs()->indexOf(page()) : 0);
}

bool otherTabsEnabled()
{
    return tabs()->isTabEnabled(0);
}

// The PEM text of a container's certificate, as the token tool prints it.
QString pemOf(const QString& container)
{
    QString out;
    if (TokenTool::run({"cert", "key1", container}, &out) != 0) {
        return QString();
    }
    return out.trimmed();
}

// What the main window does for the login dialog: requests out through UiComm, the login
// results back.
struct Router {
    Router()
    {
        out = QObject::connect(dialog(), &ClientLoginDialog::sendReqClientLogin, UiComm::instance(),
                               [](ClientReq req, const QString& text) {
                                   UiComm::instance()->apiCorvisclientCommon(req, text, true);
                               });
        in = QObject::connect(UiComm::instance(), &UiComm::sendCommMsg, dialog(),
                              [](ClientReq req, const QString& text, const QString& extra, bool failed) {
                                  if (req == CReqClientVeskCheckCertificate) {
                                      dialog()->onReqClientLoginResult(req, text, failed, extra.toInt());
                                  }
                              });
    }
    ~Router()
    {
        QObject::disconnect(out);
        QObject::disconnect(in);
    }
    QMetaObject::Connection out;
    QMetaObject::Connection in;
};

}  // namespace

class TestClientLoginDialogCertificate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void pageAndPinDialog();
    void withoutSignature();
    void pinNotGiven_data();
    void pinNotGiven();
    void readingFails_data();
    void readingFails();
    void nextCertificateLogsIn();
    void bothRefused();
    void hiddenWhileReading();

private:
    void loadTitle(bool certAuthSign);
    // Clicks the login button; with `pin`, answers the PIN dialog as a user does.
    void login(const QString& pin = QString());
    QStringList sentBodies() const;

    std::unique_ptr<TestPrefix> prefix_;
    std::unique_ptr<QSignalSpy> sent_;
};

void TestClientLoginDialogCertificate::initTestCase()
{
    qRegisterMetaType<ClientReq>();
    UiComm::instance();
    prefix_ = std::make_unique<TestPrefix>();
    dialog()->resize(960, 700);
    dialog()->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog()));
}

void TestClientLoginDialogCertificate::init()
{
    prefix_.reset();
    prefix_ = std::make_unique<TestPrefix>();
    const QString picture = QStringLiteral("resource/default/clientlogin/证书认证.png");
    QVERIFY(prefix_->writeInstallFile(picture, readFile(CORVIS_SOURCE_DIR "/resources/installroot/" + picture)));
    sent_ = std::make_unique<QSignalSpy>(dialog(), &ClientLoginDialog::sendReqClientLogin);
}

void TestClientLoginDialogCertificate::cleanup()
{
    sent_.reset();
    if (!dialog()->isVisible()) {
        dialog()->show();
    }
    dialog()->exitClear();
    // No reading of this case may reach the next one.
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    selectCertificate(false);
    prefix_.reset();
}

void TestClientLoginDialogCertificate::loadTitle(bool certAuthSign)
{
    const QByteArray current = prefix_->readInstallFile("ini/syscfg.ini");
    if (!current.contains("[Mervasso]")) {
        QVERIFY(prefix_->writeSysCfg("[Mervasso]\ncsmode=1\ncustomProject=\n" + current));
    }
    QVERIFY(prefix_->writeInstallFile("ini/systemTitle.json", title(certAuthSign)));
    dialog()->handleSystemTitle();
    selectCertificate(true);
    QCOMPARE(tabs()->currentWidget(), static_cast<QWidget*>(page()));
}

void TestClientLoginDialogCertificate::login(const QString& pin)
{
    QTest::mouseClick(page()->loginButton(), Qt::LeftButton);
    if (pin.isEmpty()) {
        return;
    }
    QTRY_VERIFY(pinDialog()->isVisible());
    QCOMPARE(page()->textLabel()->text(), QStringLiteral("正在检测证书，请稍候…"));
    QTest::keyClicks(pinDialog()->pinEdit(), pin);
    QTest::keyClick(pinDialog()->pinEdit(), Qt::Key_Return);
    QVERIFY(!pinDialog()->isVisible());
    // The box does not keep what was typed.
    QCOMPARE(pinDialog()->pinEdit()->text(), QString());
}

QStringList TestClientLoginDialogCertificate::sentBodies() const
{
    QStringList out;
    for (const QList<QVariant>& args : *sent_) {
        if (args.at(0).value<ClientReq>() == CReqClientVeskCheckCertificate) {
            out.append(args.at(1).toString());
        }
    }
    return out;
}

void TestClientLoginDialogCertificate::pageAndPinDialog()
{
    loadTitle(true);
    QCOMPARE(tabs()->tabText(tabs()->currentIndex()), QStringLiteral("证书登录"));
    QCOMPARE(page()->textLabel()->text(), QStringLiteral("请插入U-key点击登录"));
    QCOMPARE(page()->loginButton()->text(), QStringLiteral("登    录"));
    QVERIFY(!page()->pictureLabel()->pixmap(Qt::ReturnByValue).isNull());
    QVERIFY(page()->errorLabel()->isHidden());
    QVERIFY(page()->progressBar()->isHidden());
    for (QLabel* label : {page()->textLabel(), page()->errorLabel()}) {
        QCOMPARE(label->textFormat(), Qt::PlainText);
    }
    QCOMPARE(pinDialog()->pinEdit()->echoMode(), QLineEdit::Password);
    // Reached by keyboard as they stand: cancel, then OK (Enter confirms from the box; the whole
    // walk is the keyboard test's).
    QVERIFY(pinDialog()->cancelButton()->focusPolicy() & Qt::TabFocus);
    QCOMPARE(pinDialog()->cancelButton()->nextInFocusChain(), static_cast<QWidget*>(pinDialog()->confirmButton()));
}

void TestClientLoginDialogCertificate::withoutSignature()
{
    QVERIFY(TokenTool::makeKey("key1", kPin, {"zhangsan"}));
    loadTitle(false);
    QSignalSpy jumped(dialog(), &ClientLoginDialog::sendJumpToMain);
    login();
    // No PIN is asked; the certificate alone is sent.
    QVERIFY(!pinDialog()->isVisible());
    QVERIFY(page()->isBusy());
    QVERIFY(!otherTabsEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(sentBodies().size(), 1, 20000);
    QCOMPARE(sentBodies().first(), pemOf("zhangsan"));
    QVERIFY(!sentBodies().first().contains(QLatin1String(kSeparator)));
    QVERIFY(page()->progressTimer()->isActive());

    dialog()->onReqClientLoginResult(CReqClientVeskCheckCertificate, QStringLiteral("登录成功"), false, 0);
    QCOMPARE(jumped.size(), 1);
    QCOMPARE(page()->textLabel()->text(), QStringLiteral("登录成功"));
    QVERIFY(page()->textLabel()->styleSheet().contains(QLatin1String("#1AA9FF")));
    QVERIFY(!page()->progressTimer()->isActive());
    QVERIFY(otherTabsEnabled());
}

void TestClientLoginDialogCertificate::pinNotGiven_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("cancel button") << "cancel";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("title bar close") << "close";
}

void TestClientLoginDialogCertificate::pinNotGiven()
{
    QFETCH(QString, how);
    QVERIFY(TokenTool::makeKey("key1", kPin, {"zhangsan"}));
    CtlSim ctl(*prefix_);
    QVERIFY2(ctl.isRunning(), qPrintable(ctl.startError()));
    QVERIFY(prefix_->writeSysCfg(ctl.sysCfg()));
    loadTitle(true);
    login();
    QTRY_VERIFY(pinDialog()->isVisible());
    // Nothing typed: nothing to confirm.
    QVERIFY(!pinDialog()->confirmButton()->isEnabled());
    QTest::keyClicks(pinDialog()->pinEdit(), kPin);
    QVERIFY(pinDialog()->confirmButton()->isEnabled());
    if (how == QLatin1String("cancel")) {
        pinDialog()->cancelButton()->click();
    } else if (how == QLatin1String("escape")) {
        QTest::keyClick(pinDialog()->pinEdit(), Qt::Key_Escape);
    } else {
        QTest::mouseClick(pinDialog()->findChild<QPushButton*>("btnClose"), Qt::LeftButton);
    }
    QVERIFY(!pinDialog()->isVisible());
    QCOMPARE(pinDialog()->pinEdit()->text(), QString());
    QCOMPARE(page()->textLabel()->text(), QStringLiteral("请插入U-key点击登录"));
    QVERIFY(!page()->isBusy());
    QVERIFY(page()->loginButton()->isEnabled());
    QVERIFY(otherTabsEnabled());
    // Nothing started: no challenge asked for, nothing read, nothing sent.
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    QVERIFY(ctl.requests().isEmpty());
    QCOMPARE(sentBodies().size(), 0);
    QVERIFY(dialog()->certificateLogin().certificates().empty());
}

void TestClientLoginDialogCertificate::readingFails_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("pin");
    QTest::addColumn<QString>("message");
    QTest::newRow("no key") << "nokey" << kPin << "请插入U-key后点击登录";
    QTest::newRow("wrong PIN") << "key" << "654321" << "PIN码验证错误";
    QTest::newRow("no controller") << "nocontroller" << kPin << "服务器连接失败，请检查网络是否正常";
}

void TestClientLoginDialogCertificate::readingFails()
{
    QFETCH(QString, setup);
    QFETCH(QString, pin);
    QFETCH(QString, message);
    if (setup != QLatin1String("nokey")) {
        QVERIFY(TokenTool::makeKey("key1", kPin, {"zhangsan"}));
    }
    std::unique_ptr<CtlSim> ctl;
    if (setup == QLatin1String("nocontroller")) {
        // A port nobody listens on.
        QVERIFY(prefix_->writeSysCfg("[Mervasso]\nServerIP=127.0.0.1\nServerPort=1\n"));
    } else {
        ctl = std::make_unique<CtlSim>(*prefix_);
        QVERIFY2(ctl->isRunning(), qPrintable(ctl->startError()));
        QVERIFY(prefix_->writeSysCfg(ctl->sysCfg()));
    }
    LogCapture log;
    loadTitle(true);
    login(pin);
    QVERIFY(page()->progressTimer()->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(page()->textLabel()->text(), message, 30000);
    QCOMPARE(page()->textLabel()->styleSheet(), QStringLiteral("QLabel {font-size:16px; color: #FF0000;}"));
    QVERIFY(!page()->progressTimer()->isActive());
    QVERIFY(page()->progressBar()->isHidden());
    QVERIFY(page()->loginButton()->isEnabled());
    QVERIFY(otherTabsEnabled());
    QCOMPARE(sentBodies().size(), 0);
    // The PIN never reaches a log line.
    QVERIFY(!log.text().contains(pin));
    if (setup == QLatin1String("key")) {
        // A wrong PIN still read the certificate, but signed nothing.
        QCOMPARE(dialog()->certificateLogin().certificates().size(), size_t(1));
        QVERIFY(dialog()->certificateLogin().signatures().empty());
    }
}

void TestClientLoginDialogCertificate::nextCertificateLogsIn()
{
    // The demo's key: the service refuses "revoked", the login goes on with "zhangsan" by itself.
    QVERIFY(TokenTool::makeKey("key1", kPin, {"revoked", "zhangsan"}));
    CtlSim ctl(*prefix_);
    QVERIFY2(ctl.isRunning(), qPrintable(ctl.startError()));
    QVERIFY(prefix_->writeSysCfg(ctl.sysCfg()));
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.startBuiltin("demo"), qPrintable(sim.errorOutput()));
    Router router;
    LogCapture log;
    QSignalSpy jumped(dialog(), &ClientLoginDialog::sendJumpToMain);
    loadTitle(true);
    login(kPin);
    QTRY_COMPARE_WITH_TIMEOUT(jumped.size(), 1, 30000);

    const QList<QJsonObject> logins = sim.requests("corvisclient", "0x0605");
    QCOMPARE(logins.size(), 2);
    QCOMPARE(sentBodies().size(), 2);
    const QStringList first = logins.at(0).value("body").toString().split(QLatin1String(kSeparator));
    const QStringList second = logins.at(1).value("body").toString().split(QLatin1String(kSeparator));
    QCOMPARE(first.size(), 4);
    QCOMPARE(second.size(), 4);
    QCOMPARE(first.at(0), pemOf("revoked"));
    QCOMPARE(second.at(0), pemOf("zhangsan"));
    // The same challenge, the one the controller handed out, signed by each key.
    QCOMPARE(second.mid(1, 2), first.mid(1, 2));
    const QList<QByteArray> issued = readFile(prefix_->root() + "/sim/challenges.jsonl").trimmed().split('\n');
    QCOMPARE(issued.size(), 1);
    const QJsonObject challenge = QJsonDocument::fromJson(issued.first()).object();
    QCOMPARE(first.at(1), challenge.value("authOriginal").toString());
    QCOMPARE(first.at(2), challenge.value("originalId").toString());
    QVERIFY(first.at(3) != second.at(3));
    // No tip between the two; the service's success text at the end.
    QCOMPARE(page()->textLabel()->text(), QStringLiteral("登录成功"));
    QVERIFY(page()->errorLabel()->isHidden());
    QVERIFY(!page()->progressTimer()->isActive());
    QVERIFY(!log.text().contains(kPin));
}

void TestClientLoginDialogCertificate::bothRefused()
{
    QVERIFY(TokenTool::makeKey("key1", kPin, {"revoked", "zhangsan"}));
    CtlSim ctl(*prefix_);
    QVERIFY2(ctl.isRunning(), qPrintable(ctl.startError()));
    QVERIFY(prefix_->writeSysCfg(ctl.sysCfg()));
    SimProcess sim(prefix_->root());
    QVERIFY2(sim.start(R"({"corvisclient": {"0x0605": [
        {"checkCertificate": {"reject": ["revoked"]}},
        {"checkCertificate": {"reject": ["zhangsan"], "refused": {"status": 1, "reply": "证书已过期，请更换U-key"}}}]}})"),
             qPrintable(sim.errorOutput()));
    Router router;
    QSignalSpy jumped(dialog(), &ClientLoginDialog::sendJumpToMain);
    loadTitle(true);
    login(kPin);
    QTRY_VERIFY_WITH_TIMEOUT(!page()->isBusy(), 30000);
    QCOMPARE(sim.requests("corvisclient", "0x0605").size(), 2);
    // The second refusal's text, in red in the error line.
    QVERIFY(page()->errorLabel()->isVisibleTo(page()));
    QCOMPARE(page()->errorLabel()->text(), QStringLiteral("证书已过期，请更换U-key"));
    QCOMPARE(page()->errorLabel()->styleSheet(), QStringLiteral("QLabel {font-size:16px; color: #FF0000;}"));
    QVERIFY(!page()->pictureLabel()->pixmap(Qt::ReturnByValue).isNull());
    QVERIFY(!page()->progressTimer()->isActive());
    QVERIFY(page()->loginButton()->isEnabled());
    QVERIFY(otherTabsEnabled());
    QCOMPARE(jumped.size(), 0);
    // A refusal nobody waits for any more tries nothing.
    dialog()->onReqClientLoginResult(CReqClientVeskCheckCertificate, QStringLiteral("证书已被停用"), true, 0);
    QCOMPARE(sentBodies().size(), 2);
    QCOMPARE(page()->errorLabel()->text(), QStringLiteral("证书已被停用"));
}

void TestClientLoginDialogCertificate::hiddenWhileReading()
{
    QVERIFY(TokenTool::makeKey("key1", kPin, {"zhangsan"}));
    // The controller takes its time with the challenge: the dialog goes away meanwhile.
    CtlSim ctl(*prefix_, R"({"controller": {"/Mervasso/cert/getAuthInfo.json": {"delayMs": 5000,
        "body": {"status": 2000, "subStatus": 0, "msg": "success", "data": {"$challenge": {"key": "WQB63815"}}}}}})");
    QVERIFY2(ctl.isRunning(), qPrintable(ctl.startError()));
    QVERIFY(prefix_->writeSysCfg(ctl.sysCfg()));
    loadTitle(true);
    login(kPin);
    QTRY_COMPARE_WITH_TIMEOUT(ctl.requests().size(), 1, 20000);
    dialog()->hide();
    QVERIFY(!page()->isBusy());
    QVERIFY(otherTabsEnabled());
    // The reading ends on its worker; its outcome is dropped, nothing is sent, and what it read
    // stays with it.
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    QVERIFY(dialog()->certificateLogin().certificates().empty());
    QCOMPARE(sentBodies().size(), 0);
    QCOMPARE(page()->textLabel()->text(), QStringLiteral("请插入U-key点击登录"));

    // Shown again, the next login works as if nothing happened.
    dialog()->show();
    selectCertificate(true);
    login(kPin);
    QTRY_COMPARE_WITH_TIMEOUT(sentBodies().size(), 1, 30000);
    QVERIFY(sentBodies().first().startsWith(pemOf("zhangsan") + QLatin1String(kSeparator)));
}

QTEST_MAIN(TestClientLoginDialogCertificate)
#include "tst_clientlogindialogcertificate.moc"
