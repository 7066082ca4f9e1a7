// The personal centre: the user's data with its fallbacks, the buttons its flags allow, the login
// history, and the account dialog it opens, whose request reaches a raw client-service peer.

#include "comm/clientreq.h"
#include "comm/uicomm.h"
#include "src/Views/dialogcommon.h"
#include "src/Views/dialogpersonalcenter.h"
#include "support/rawpeer.h"
#include "support/testprefix.h"

#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>

#include <memory>

class TestDialogPersonalCenter : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void baseData_data();
    void baseData();
    void loginHistory();
    void buttonsOpenTheAccountDialog_data();
    void buttonsOpenTheAccountDialog();
    void phoneChangedByTheAccountDialog();

private:
    QLabel* label(const char* name) const { return center_->findChild<QLabel*>(name); }
    QPushButton* button(const char* name) const { return center_->findChild<QPushButton*>(name); }

    std::unique_ptr<TestPrefix> prefix_;
    std::unique_ptr<DialogPersonalCenter> center_;
};

void TestDialogPersonalCenter::init()
{
    prefix_ = std::make_unique<TestPrefix>();
    center_ = std::make_unique<DialogPersonalCenter>();
    center_->show();
}

void TestDialogPersonalCenter::cleanup()
{
    center_.reset();
    prefix_.reset();
}

void TestDialogPersonalCenter::baseData_data()
{
    QTest::addColumn<QByteArray>("userInfo");
    QTest::addColumn<QString>("phone");
    QTest::addColumn<QString>("expiry");
    QTest::addColumn<bool>("phoneButton");
    QTest::addColumn<QString>("phoneButtonText");
    QTest::addColumn<bool>("pwdButton");
    QTest::newRow("phone bound, both allowed")
        << QByteArray("[UserInfo]\nUserFullName=张三\nDepartment=财务部\nPhoneNumber=13800138000\n"
                      "PwdExpiredTime=2027-01-31\nallowChangePhone=1\nallowChangePwd=1\n")
        << "13800138000" << "2027-01-31" << true << "解绑手机" << true;
    QTest::newRow("nothing bound, never expires")
        << QByteArray("[UserInfo]\nUserFullName=李四\nallowChangePhone=1\nallowChangePwd=0\n") << "未绑定手机号"
        << "永不过期" << true << "绑定手机" << false;
    QTest::newRow("flags only for exactly 1")
        << QByteArray("[UserInfo]\nallowChangePhone=true\nallowChangePwd=01\n") << "未绑定手机号" << "永不过期"
        << false << "绑定手机" << false;
    QTest::newRow("no flags") << QByteArray("[UserInfo]\nPhoneNumber=139\n") << "139" << "永不过期" << false
                              << "解绑手机" << false;
}

void TestDialogPersonalCenter::baseData()
{
    QFETCH(QByteArray, userInfo);
    QFETCH(QString, phone);
    QFETCH(QString, expiry);
    QFETCH(bool, phoneButton);
    QFETCH(QString, phoneButtonText);
    QFETCH(bool, pwdButton);
    QVERIFY(prefix_->writeUserInfo(userInfo));
    center_->updateBaseData();
    QCOMPARE(label("labelPhone")->text(), phone);
    QCOMPARE(label("labelPwdExpired")->text(), expiry);
    QCOMPARE(button("btnPhone")->isVisible(), phoneButton);
    QCOMPARE(button("btnPhone")->text(), phoneButtonText);
    QCOMPARE(button("btnPhone")->accessibleName(), phoneButtonText);
    QCOMPARE(button("btnModifyPwd")->isVisible(), pwdButton);
    // Logging out forgets the user.
    center_->exitClear();
    QCOMPARE(label("labelPhone")->text(), QStringLiteral("未绑定手机号"));
    QVERIFY(label("labelFullName")->text().isEmpty());
    QVERIFY(!button("btnModifyPwd")->isVisible() || !center_->isVisible());
}

void TestDialogPersonalCenter::loginHistory()
{
    QJsonArray list;
    for (int i = 0; i < 20; ++i) {
        list.append(QJsonObject{{"action_time", QStringLiteral("2026-12-%1 09:00:00").arg(i + 1, 2, 10, QLatin1Char('0'))},
                                {"auth_type", QString::number(i % 16 + 1)},
                                {"client_ip", QStringLiteral("10.0.0.%1").arg(i)},
                                {"client_mac", "00:11:22:33:44:55"},
                                {"description", i == 0 ? "<b>登录成功</b>" : "登录成功"}});
    }
    const QByteArray doc = QJsonDocument(QJsonObject{{"data", QJsonObject{{"list", list}}}}).toJson();
    QVERIFY(prefix_->writeInstallFile(QStringLiteral("ini/loginAudit.json"), doc));
    QSignalSpy updated(center_.get(), &DialogPersonalCenter::loginAuditUpdated);
    center_->updateLoginAudit();
    QCOMPARE(updated.size(), 1);
    auto* table = center_->findChild<QTableWidget*>("tableLoginAudit");
    QCOMPARE(table->rowCount(), 20);
    QCOMPARE(table->columnCount(), 5);
    QStringList headers;
    for (int c = 0; c < 5; ++c) {
        headers << table->horizontalHeaderItem(c)->text();
    }
    QCOMPARE(headers, (QStringList{"登陆时间", "登陆方式", "设备IP", "设备MAC", "描述"}));
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("2026-12-01 09:00:00"));
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("口令认证"));
    QCOMPARE(table->item(1, 1)->text(), QStringLiteral("二维码认证"));
    QCOMPARE(table->item(19, 2)->text(), QStringLiteral("10.0.0.19"));
    QCOMPARE(table->item(0, 4)->text(), QStringLiteral("<b>登录成功</b>"));
    // A broken document keeps what the table shows.
    QVERIFY(prefix_->writeInstallFile(QStringLiteral("ini/loginAudit.json"), "{broken"));
    center_->updateLoginAudit();
    QCOMPARE(updated.size(), 2);
    QCOMPARE(table->rowCount(), 20);
}

void TestDialogPersonalCenter::buttonsOpenTheAccountDialog_data()
{
    QTest::addColumn<QString>("phone");
    QTest::addColumn<QString>("buttonName");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("title");
    QTest::newRow("bound: unbind") << "13800138000" << "btnPhone" << int(PageDialogUnbindling) << "解绑手机";
    QTest::newRow("none: bind") << "" << "btnPhone" << int(PageDialogBindling) << "绑定手机";
    QTest::newRow("password") << "" << "btnModifyPwd" << int(PageDialogModifyPwd) << "修改密码";
}

void TestDialogPersonalCenter::buttonsOpenTheAccountDialog()
{
    QFETCH(QString, phone);
    QFETCH(QString, buttonName);
    QFETCH(int, page);
    QFETCH(QString, title);
    QVERIFY(prefix_->writeUserInfo("[UserInfo]\nPhoneNumber=" + phone.toUtf8() +
                                   "\nallowChangePhone=1\nallowChangePwd=1\n"));
    center_->updateBaseData();
    DialogCommon* common = center_->dialogCommon();
    QVERIFY(common != DialogCommon::instance());
    QSignalSpy requests(common, &DialogCommon::sendReqClientModifyPwd);
    QTest::mouseClick(button(buttonName.toLatin1().constData()), Qt::LeftButton);
    QTRY_VERIFY(common->isVisible());
    QCOMPARE(common->currentPage(), page);
    QCOMPARE(common->windowTitle(), title);
    QCOMPARE(common->isFirstLogin(), 0);
    if (page == PageDialogUnbindling) {
        // The number shows masked on the unbind page.
        const QString shown = common->findChild<QLabel*>("labelUnbindPhone")->text();
        QVERIFY(shown.startsWith(QStringLiteral("当前绑定手机号：")));
        QVERIFY(!shown.contains(phone));
    }
    if (page == PageDialogModifyPwd) {
        // The password page asks for the system title first.
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests.first().first().value<ClientReq>(), CReqClientQuerySystemTitle);
    }
    common->hideAndClearData();
}

void TestDialogPersonalCenter::phoneChangedByTheAccountDialog()
{
    QVERIFY(prefix_->writeUserInfo("[UserInfo]\nPhoneNumber=13800138000\nallowChangePhone=1\n"));
    center_->updateBaseData();
    DialogCommon* common = center_->dialogCommon();
    connect(common, &DialogCommon::sendSetPersonalCenterPhone, center_.get(), &DialogPersonalCenter::slot_set_bindPhone);
    connect(common, &DialogCommon::sendReqClientModifyPwd, this,
            [](ClientReq req, const QString& text) { UiComm::instance()->apiCorvisclientCommon(req, text, true); });
    connect(UiComm::instance(), &UiComm::sendCommMsg, common,
            [common](ClientReq req, const QString& text, const QString&, bool failed) {
                common->handleReqClientResult(req, text, failed);
            });
    RawServicePeer client(peerSocketPath(ReqPeer::Corvisclient), [](const RawServicePeer::Request& request) {
        RawServicePeer::Reply reply;
        reply.type = request.type;
        return reply;
    });
    RawServicePeer tray(peerSocketPath(ReqPeer::Corvistray), [](const RawServicePeer::Request&) {
        RawServicePeer::Reply reply;
        reply.action = RawServicePeer::Reply::ReadOnly;
        return reply;
    });
    QTest::mouseClick(button("btnPhone"), Qt::LeftButton);
    QTRY_VERIFY(common->isVisible());
    QTest::keyClicks(common->findChild<QWidget*>("pageUnbind")->findChild<QLineEdit*>("editCode"), "2468");
    QTest::mouseClick(common->findChild<QWidget*>("pageUnbind")->findChild<QPushButton*>("btnConfirm"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(label("labelPhone")->text(), QStringLiteral("未绑定手机号"), 10000);
    QCOMPARE(button("btnPhone")->text(), QStringLiteral("绑定手机"));
    QCOMPARE(center_->phoneBound(), 0);
    bool sent = false;
    for (const RawServicePeer::Request& request : client.requests()) {
        if (request.type == clientReqInfo(CReqClientUnbind).wireType) {
            QCOMPARE(request.param, QByteArray("2468"));
            sent = true;
        }
    }
    QVERIFY(sent);
    QVERIFY(!common->isVisible());
}

QTEST_MAIN(TestDialogPersonalCenter)
#include "tst_dialogpersonalcenter.moc"
