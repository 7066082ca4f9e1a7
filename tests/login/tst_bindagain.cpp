// A login refused because the device is bound to another user (the bind-again dialog and its
// request), and the list of bound devices beside the bind switch.

#include "app/common.h"
#include "comm/clientreq.h"
#include "login/clientlogindialog.h"
#include "login/dialogbindagain.h"
#include "login/dialogdevicebind.h"
#include "login/logincredentialpage.h"
#include "src/CustomControl/cuslineedit.h"
#include "src/CustomControl/cuspasswordedit.h"
#include "src/CustomControl/custabwidget.h"
#include "src/CustomControl/custiplabel.h"
#include "support/testprefix.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>

#include <memory>

namespace {

const QByteArray kTitle = R"({"data":{"validateCodeType":"0","loginMenu":[
    {"menuId":"accountLoginTab","menuText":"账号登录"},{"menuId":"phoneLoginTab","menuText":"手机号登录"}]}})";
const QString kBindJson =
    QStringLiteral(R"({"msg":"设备已绑定其他用户","result":{"bindUserName":"<i>lisi</i>","token":"t-9"}})");

ClientLoginDialog* dialog()
{
    return ClientLoginDialog::instance();
}

LoginCredentialPage* accountPage()
{
    return dialog()->findChild<LoginCredentialPage*>("pageAccount");
}

DialogBindAgain* bindAgain()
{
    return DialogBindAgain::instance();
}

template <typename T>
T* child(QWidget* parent, const char* name)
{
    return parent->findChild<T*>(name);
}

}  // namespace

class TestBindAgain : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void bindAgainFromLogin_data();
    void bindAgainFromLogin();
    void unreadableDocumentStillAsks();
    void convertDeviceBindState_data();
    void convertDeviceBindState();
    void deviceList_data();
    void deviceList();

private:
    void logIn();
    std::unique_ptr<TestPrefix> prefix_;
};

void TestBindAgain::initTestCase()
{
    qRegisterMetaType<ClientReq>();
    dialog()->resize(960, 700);
    dialog()->show();
}

void TestBindAgain::init()
{
    prefix_.reset();
    prefix_ = std::make_unique<TestPrefix>();
    QVERIFY(prefix_->writeSysCfg("[Mervasso]\ncsmode=1\ncustomProject=\n"));
    QVERIFY(prefix_->writeInstallFile("ini/systemTitle.json", kTitle));
    dialog()->handleSystemTitle();
}

void TestBindAgain::cleanup()
{
    bindAgain()->hide();
    accountPage()->setLoggingState(false, true);
    dialog()->setTabWidgetLoginEnabled(true);
    prefix_.reset();
}

void TestBindAgain::logIn()
{
    auto* tabs = dialog()->findChild<CusTabWidget*>("tabWidgetLogin");
    tabs->setCurrentIndex(tabs->indexOf(accountPage()));
    accountPage()->accountEdit()->clear();
    QTest::keyClicks(accountPage()->accountEdit(), "zs01");
    accountPage()->passwordEdit()->clear();
    QTest::keyClicks(accountPage()->passwordEdit(), "Kq9z!mA2");
    QTest::mouseClick(accountPage()->loginButton(), Qt::LeftButton);
}

void TestBindAgain::bindAgainFromLogin_data()
{
    QTest::addColumn<bool>("submit");
    QTest::newRow("submitted") << true;
    QTest::newRow("closed without submitting") << false;
}

void TestBindAgain::bindAgainFromLogin()
{
    QFETCH(bool, submit);
    logIn();
    QVERIFY(accountPage()->isLogging());
    QSignalSpy sent(dialog(), &ClientLoginDialog::sendReqClientLogin);
    dialog()->onReqClientLoginResult(CReqClientLogin76, kBindJson, false, 20);
    QTRY_VERIFY(bindAgain()->isVisible());
    QCOMPARE(bindAgain()->windowTitle(), QStringLiteral("设备绑定检查"));
    QCOMPARE(accountPage()->tipLabel()->text(), QStringLiteral("设备已绑定其他用户"));
    QCOMPARE(child<QLineEdit>(bindAgain(), "editDeviceName")->text(), Common::pcName());
    QCOMPARE(child<QLineEdit>(bindAgain(), "editBindUser")->text(), QStringLiteral("<i>lisi</i>"));
    QCOMPARE(child<QLineEdit>(bindAgain(), "editNewUser")->text(), QStringLiteral("zs01"));
    QCOMPARE(child<QLabel>(bindAgain(), "labelBindAgainHead")->text(), QStringLiteral("认证失败"));
    QVERIFY(child<QLabel>(bindAgain(), "labelBindAgainNotice")->text().startsWith(QStringLiteral("温馨提示：\n1、请确认本机的设备所属人")));
    // The page stays busy while the question is open.
    QVERIFY(accountPage()->isLogging());
    QVERIFY(!accountPage()->loginButton()->isEnabled());
    if (submit) {
        QTest::mouseClick(child<QPushButton>(bindAgain(), "btnBindAgainSubmit"), Qt::LeftButton);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.first().at(0).value<ClientReq>(), CReqClient114);
        QCOMPARE(sent.first().at(1).toString(), QStringLiteral("zs01\nt-9"));
    } else {
        bindAgain()->close();
        QCOMPARE(sent.size(), 0);
    }
    QVERIFY(!bindAgain()->isVisible());
    // Closed: the page is given back.
    QVERIFY(!accountPage()->isLogging());
    QVERIFY(accountPage()->loginButton()->isEnabled());
    QVERIFY(dialog()->findChild<CusTabWidget*>("tabWidgetLogin")->isEnabled());
}

void TestBindAgain::unreadableDocumentStillAsks()
{
    logIn();
    dialog()->onReqClientLoginResult(CReqClientLogin76, QStringLiteral("设备已绑定"), false, 20);
    QTRY_VERIFY(bindAgain()->isVisible());
    QCOMPARE(accountPage()->tipLabel()->text(), QStringLiteral("设备已绑定"));
    QVERIFY(child<QLineEdit>(bindAgain(), "editBindUser")->text().isEmpty());
    bindAgain()->close();
    QVERIFY(!accountPage()->isLogging());
}

void TestBindAgain::convertDeviceBindState_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("text");
    QTest::newRow("-3") << -3 << "未绑定";
    QTest::newRow("-2") << -2 << "";
    QTest::newRow("-1") << -1 << "待审批";
    QTest::newRow("1") << 1 << "已绑定";
    QTest::newRow("2") << 2 << "拒绝绑定";
    QTest::newRow("3") << 3 << "已解绑";
    QTest::newRow("0 unknown") << 0 << "";
    QTest::newRow("99 unknown") << 99 << "";
}

void TestBindAgain::convertDeviceBindState()
{
    QFETCH(int, state);
    QFETCH(QString, text);
    QCOMPARE(DialogDeviceBind::convertDeviceBindState(state), text);
}

void TestBindAgain::deviceList_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("state");
    QTest::newRow("two devices") << QByteArray(R"({"data":{"userName":"zs01","rows":[
        {"devMachineCode":"m-1","devName":"<b>办公机</b>","status":1},{"devMachineCode":"m-2","devName":"家","status":-1}]}})")
                                 << 2 << "已绑定";
    QTest::newRow("no device") << QByteArray(R"({"userName":"zs01","rows":[]})") << 0 << "";
    QTest::newRow("unreadable") << QByteArray("{nope") << 0 << "";
}

void TestBindAgain::deviceList()
{
    QFETCH(QByteArray, file);
    QFETCH(int, rows);
    QFETCH(QString, state);
    QVERIFY(prefix_->writeInstallFile("ini/devicebind.json", file));
    // The list opens from the step-login page's bind row.
    accountPage()->setStep(2);
    accountPage()->setBindVisible(true);
    QTest::mouseClick(accountPage()->bindListButton(), Qt::LeftButton);
    DialogDeviceBind* list = DialogDeviceBind::instance();
    QTRY_VERIFY(list->isVisible());
    QCOMPARE(list->windowTitle(), QStringLiteral("展示绑定设备"));
    QCOMPARE(list->rowCount(), rows);
    auto* table = child<QTableWidget>(list, "tableDeviceBind");
    QCOMPARE(child<QLabel>(list, "labelNoDevice")->isVisible(), rows == 0);
    QCOMPARE(child<QLabel>(list, "labelNoDevice")->text(), QStringLiteral("暂无绑定设备"));
    if (rows > 0) {
        bool sawState = false;
        bool sawName = false;
        for (int c = 0; c < table->columnCount(); ++c) {
            sawState = sawState || table->item(0, c)->text() == state;
            sawName = sawName || table->item(0, c)->text() == QStringLiteral("<b>办公机</b>");
        }
        QVERIFY(sawState);
        QVERIFY(sawName);
    }
    list->hide();
    accountPage()->setStep(1);
}

QTEST_MAIN(TestBindAgain)
#include "tst_bindagain.moc"
