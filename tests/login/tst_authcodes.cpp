// Code answers, the code button count-down, failure locks read from service texts, the login
// lock record and the image code file.

#include "login/authcodereply.h"
#include "login/countdown.h"
#include "login/failurelock.h"
#include "login/imagecode.h"
#include "login/loginlockcountdown.h"
#include "support/logcapture.h"
#include "support/testprefix.h"

#include <QBuffer>
#include <QImage>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

class TestAuthCodes : public QObject
{
    Q_OBJECT

private slots:
    void codeReply_data();
    void codeReply();
    void countDownRuns();
    void countDownClamps_data();
    void countDownClamps();
    void failureLockStart_data();
    void failureLockStart();
    void failureLockTicks();
    void failureLockTexts_data();
    void failureLockTexts();
    void failureLockNeverTwice();
    void failureLockLogs();
    void lockRecord_data();
    void lockRecord();
    void lockCountDown();
    void imageCode_data();
    void imageCode();
};

void TestAuthCodes::codeReply_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("tip");
    QTest::newRow("button 30, others absent") << R"({"status":2000,"msg":"已发送","result":{"smsSendCodeButtonTime":30}})"
                                              << int(AuthCodeReply::Ok) << 60 << "已发送";
    QTest::newRow("largest of three") << R"({"status":2000,"msg":"ok","result":{"smsSendCodeButtonTime":30,
        "iSendSmsTimeInterval":"90","iUserSmsLockWaitTime":"120"}})" << int(AuthCodeReply::Ok) << 120 << "ok";
    QTest::newRow("all small") << R"({"status":2000,"msg":"ok","result":{"smsSendCodeButtonTime":5,
        "iSendSmsTimeInterval":"10","iUserSmsLockWaitTime":"20"}})" << int(AuthCodeReply::Ok) << 20 << "ok";
    QTest::newRow("empty result") << R"({"status":2000,"msg":"ok","result":{}})" << int(AuthCodeReply::Ok) << 60
                                  << "ok";
    QTest::newRow("huge interval clamped") << R"({"status":2000,"result":{"iSendSmsTimeInterval":"99999999999999999999"}})"
                                           << int(AuthCodeReply::Ok) << CountDown::kMaxSeconds << "";
    QTest::newRow("huge number clamped") << R"({"status":2000,"result":{"smsSendCodeButtonTime":1e30}})"
                                         << int(AuthCodeReply::Ok) << CountDown::kMaxSeconds << "";
    QTest::newRow("negative waits give zero") << R"({"status":2000,"result":{"smsSendCodeButtonTime":-5,
        "iSendSmsTimeInterval":"-7","iUserSmsLockWaitTime":"-1"}})" << int(AuthCodeReply::Ok) << 0 << "";
    QTest::newRow("unreadable text counts as absent") << R"({"status":2000,"result":{"smsSendCodeButtonTime":3,
        "iSendSmsTimeInterval":"soon","iUserSmsLockWaitTime":"2"}})" << int(AuthCodeReply::Ok) << 60 << "";
    QTest::newRow("status refused") << R"({"status":4001,"msg":"发送太频繁"})" << int(AuthCodeReply::StatusError) << 0
                                    << "发送太频繁";
    QTest::newRow("status refused without msg") << R"({"status":4001})" << int(AuthCodeReply::StatusError) << 0
                                                << "未知错误";
    QTest::newRow("status missing") << R"({"msg":"x"})" << int(AuthCodeReply::StatusError) << 0 << "x";
    QTest::newRow("no result") << R"({"status":2000,"msg":"ok"})" << int(AuthCodeReply::NoResult) << 0
                               << "安全工作台启动异常，请重启电脑后重试！";
    QTest::newRow("not JSON") << "get code failed" << int(AuthCodeReply::ParseError) << 0 << "后台数据处理异常！";
    QTest::newRow("array") << "[1,2]" << int(AuthCodeReply::ParseError) << 0 << "后台数据处理异常！";
}

void TestAuthCodes::codeReply()
{
    QFETCH(QString, text);
    QFETCH(int, outcome);
    QFETCH(int, seconds);
    QFETCH(QString, tip);
    const AuthCodeReply reply = AuthCodeReply::parse(text);
    QCOMPARE(int(reply.outcome), outcome);
    if (reply.outcome == AuthCodeReply::Ok) {
        QCOMPARE(reply.seconds, seconds);
    }
    QCOMPARE(reply.tip(), tip);
}

void TestAuthCodes::countDownRuns()
{
    CountDown countDown("accountCode");
    QSignalSpy changed(&countDown, &CountDown::changed);
    QSignalSpy finished(&countDown, &CountDown::finished);
    countDown.start(3);
    QVERIFY(countDown.isRunning());
    QCOMPARE(countDown.timer()->interval(), 1000);
    QCOMPARE(changed.takeFirst().at(0).toInt(), 3);
    countDown.tick();
    countDown.tick();
    QCOMPARE(changed.size(), 2);
    QCOMPARE(changed.at(1).at(0).toInt(), 1);
    QCOMPARE(CountDown::runningText(countDown.remaining()), QStringLiteral("已发送（1）"));
    countDown.tick();
    QVERIFY(!countDown.isRunning());
    QCOMPARE(finished.size(), 1);
    countDown.tick();  // a late tick changes nothing
    QCOMPARE(countDown.remaining(), 0);
    QCOMPARE(finished.size(), 1);
}

void TestAuthCodes::countDownClamps_data()
{
    QTest::addColumn<qint64>("requested");
    QTest::addColumn<int>("remaining");
    QTest::addColumn<bool>("running");
    QTest::newRow("zero") << qint64(0) << 0 << false;
    QTest::newRow("negative") << qint64(-20) << 0 << false;
    QTest::newRow("a day") << qint64(86400) << 86400 << true;
    QTest::newRow("beyond int") << qint64(99999999999LL) << 86400 << true;
}

void TestAuthCodes::countDownClamps()
{
    QFETCH(qint64, requested);
    QFETCH(int, remaining);
    QFETCH(bool, running);
    CountDown countDown("phoneCode");
    QSignalSpy finished(&countDown, &CountDown::finished);
    countDown.start(requested);
    QCOMPARE(countDown.remaining(), remaining);
    QCOMPARE(countDown.isRunning(), running);
    QCOMPARE(finished.size(), running ? 0 : 1);
}

void TestAuthCodes::failureLockStart_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("started");
    QTest::addColumn<int>("total");
    QTest::addColumn<QString>("firstTip");
    QTest::newRow("minutes and seconds") << int(FailureLock::LoginFailed) << "已登录失败3次，请2分钟 30秒后重试" << true
                                         << 150 << "已登录失败3次，请2分钟 30秒后重试";
    QTest::newRow("only seconds") << int(FailureLock::LoginFailed) << "已登录失败3次，请30秒后重试" << false << 0 << "";
    QTest::newRow("only minutes") << int(FailureLock::LoginFailed) << "已登录失败3次，请2分钟后重试" << false << 0 << "";
    QTest::newRow("no count") << int(FailureLock::LoginFailed) << "已登录失败，请2分钟0秒后重试" << false << 0 << "";
    QTest::newRow("locked needs no count") << int(FailureLock::LoginLocked)
                                           << "因您多次输入错误，当前登录已锁定，请1分钟5秒后重试" << true << 65
                                           << "因您多次输入错误，当前登录已锁定，请1分钟5秒后重试";
    QTest::newRow("reset") << int(FailureLock::ResetFailed) << "已连续输错信息5次，请0分钟 45秒后重试" << true << 45
                           << "已连续输错信息5次，请45秒后重试";
    QTest::newRow("zero total") << int(FailureLock::LoginFailed) << "已登录失败3次，请0分钟0秒后重试" << false << 0 << "";
    QTest::newRow("huge minutes clamped") << int(FailureLock::LoginFailed) << "已登录失败3次，请99999999999分钟 1秒后重试"
                                          << true << FailureLock::kMaxTotalSeconds << "已登录失败3次，请1440分钟后重试";
    QTest::newRow("huge count clamped") << int(FailureLock::ResetFailed)
                                        << "已连续输错信息88888888888888888888次，请1分钟 1秒后重试" << true << 61
                                        << "已连续输错信息999次，请1分钟 1秒后重试";
    QTest::newRow("huge seconds clamped") << int(FailureLock::LoginLocked) << "锁定0分钟4294967297秒" << true
                                          << FailureLock::kMaxTotalSeconds
                                          << "因您多次输入错误，当前登录已锁定，请1440分钟0秒后重试";
}

void TestAuthCodes::failureLockStart()
{
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(bool, started);
    QFETCH(int, total);
    QFETCH(QString, firstTip);
    FailureLock lock{FailureLock::Kind(kind)};
    QSignalSpy tips(&lock, &FailureLock::tipChanged);
    QCOMPARE(lock.start(text), started);
    QCOMPARE(lock.isRunning(), started);
    QCOMPARE(lock.totalSeconds(), total);
    if (started) {
        QCOMPARE(lock.timer()->interval(), 1000);
        QVERIFY(lock.timer()->isActive());
        QCOMPARE(tips.size(), 1);
        QCOMPARE(tips.at(0).at(0).toString(), firstTip);
    } else {
        QCOMPARE(tips.size(), 0);
        QVERIFY(lock.timer() == nullptr);
    }
}

void TestAuthCodes::failureLockTicks()
{
    FailureLock lock(FailureLock::LoginFailed);
    QSignalSpy tips(&lock, &FailureLock::tipChanged);
    QSignalSpy finished(&lock, &FailureLock::finished);
    QVERIFY(lock.start("已登录失败4次，请2分钟 0秒后重试"));
    QCOMPARE(tips.last().at(0).toString(), QStringLiteral("已登录失败4次，请2分钟后重试"));
    lock.tick();
    QCOMPARE(tips.last().at(0).toString(), QStringLiteral("已登录失败4次，请1分钟 59秒后重试"));
    for (int i = 0; i < 59; ++i) {
        lock.tick();
    }
    QCOMPARE(tips.last().at(0).toString(), QStringLiteral("已登录失败4次，请1分钟后重试"));
    for (int i = 0; i < 59; ++i) {
        lock.tick();
    }
    QCOMPARE(tips.last().at(0).toString(), QStringLiteral("已登录失败4次，请1秒后重试"));
    QPointer<QTimer> timer = lock.timer();
    lock.tick();
    QCOMPARE(tips.last().at(0).toString(), QString());
    QCOMPARE(finished.size(), 1);
    QVERIFY(!lock.isRunning());
    QTRY_VERIFY(timer.isNull());  // deleted once it has ended
    const int count = tips.size();
    lock.tick();
    QCOMPARE(tips.size(), count);
}

void TestAuthCodes::failureLockTexts_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("total");
    QTest::addColumn<QString>("tip");
    QTest::newRow("failed m s") << int(FailureLock::LoginFailed) << 61 << "已登录失败2次，请1分钟 1秒后重试";
    QTest::newRow("failed s") << int(FailureLock::LoginFailed) << 59 << "已登录失败2次，请59秒后重试";
    QTest::newRow("failed m") << int(FailureLock::LoginFailed) << 180 << "已登录失败2次，请3分钟后重试";
    QTest::newRow("locked m s") << int(FailureLock::LoginLocked) << 61 << "因您多次输入错误，当前登录已锁定，请1分钟1秒后重试";
    QTest::newRow("locked s") << int(FailureLock::LoginLocked) << 9 << "因您多次输入错误，当前登录已锁定，9秒后重试";
    QTest::newRow("locked m") << int(FailureLock::LoginLocked) << 120 << "因您多次输入错误，当前登录已锁定，请2分钟0秒后重试";
    QTest::newRow("reset m s") << int(FailureLock::ResetFailed) << 61 << "已连续输错信息2次，请1分钟 1秒后重试";
    QTest::newRow("reset s") << int(FailureLock::ResetFailed) << 1 << "已连续输错信息2次，请1秒后重试";
    QTest::newRow("reset m") << int(FailureLock::ResetFailed) << 60 << "已连续输错信息2次，请1分钟后重试";
}

void TestAuthCodes::failureLockTexts()
{
    QFETCH(int, kind);
    QFETCH(int, total);
    QFETCH(QString, tip);
    FailureLock lock{FailureLock::Kind(kind)};
    QVERIFY(lock.start("2次 0分钟1秒"));
    QCOMPARE(lock.tipText(total), tip);
}

void TestAuthCodes::failureLockNeverTwice()
{
    FailureLock lock(FailureLock::LoginFailed);
    QVERIFY(lock.start("已登录失败3次，请1分钟 0秒后重试"));
    QVERIFY(!lock.start("已登录失败4次，请5分钟 0秒后重试"));
    QCOMPARE(lock.totalSeconds(), 60);
    lock.stop();
    QVERIFY(!lock.isRunning());
    QVERIFY(lock.start("已登录失败4次，请5分钟 0秒后重试"));
    QCOMPARE(lock.totalSeconds(), 300);
}

void TestAuthCodes::failureLockLogs()
{
    LogCapture log;
    FailureLock reset(FailureLock::ResetFailed);
    QVERIFY(reset.start("已连续输错信息5次，请1分钟 2秒后重试"));
    reset.tick();
    QVERIFY(log.contains("FUNC(handleRestPswCodeCheckFail) captured sec:2"));
    QVERIFY(log.contains("FUNC(handleRestPswCodeCheckFail) captured min:1"));
    QVERIFY(log.contains("FUNC(handleRestPswCodeCheckFail) captured times:5"));
    QVERIFY(log.contains("FUNC(handleRestPswCodeCheckFail) timeout sec:61"));
    FailureLock login(FailureLock::LoginLocked);
    QVERIFY(login.start("请3分钟4秒后重试"));
    login.tick();
    QVERIFY(log.contains("FUNC(handleCodeCheckFail) captured sec:4"));
    QVERIFY(log.contains("FUNC(handleCodeCheckFail) timeout sec:183"));
}

void TestAuthCodes::lockRecord_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("restTime");
    QTest::addColumn<int>("failCount");
    QTest::addColumn<QString>("msg");
    QTest::newRow("whole record") << R"({"restTime":300,"failCount":5,"msg":"账户已锁定"})" << 300 << 5 << "账户已锁定";
    QTest::newRow("no rest time") << R"({"failCount":5,"msg":"m"})" << -1 << 5 << "m";
    QTest::newRow("negative read as unknown") << R"({"restTime":-9,"failCount":-1,"msg":"m"})" << -1 << -1 << "m";
    QTest::newRow("huge rest time") << R"({"restTime":1e40,"failCount":2,"msg":"m"})" << 86400 << 2 << "m";
    QTest::newRow("plain text") << "账户已锁定，请稍后再试" << -1 << -1 << "账户已锁定，请稍后再试";
}

void TestAuthCodes::lockRecord()
{
    QFETCH(QString, text);
    QFETCH(int, restTime);
    QFETCH(int, failCount);
    QFETCH(QString, msg);
    const st_loginLock lock = LoginLockCountDown::parse(text);
    QCOMPARE(lock.restTime, restTime);
    QCOMPARE(lock.failCount, failCount);
    QCOMPARE(lock.msg, msg);
}

void TestAuthCodes::lockCountDown()
{
    LoginLockCountDown countDown;
    QSignalSpy tips(&countDown, &LoginLockCountDown::tipChanged);
    QVERIFY(!countDown.start(LoginLockCountDown::parse(R"({"failCount":3,"msg":"m"})")));
    QVERIFY(!countDown.isRunning());
    QVERIFY(countDown.start(LoginLockCountDown::parse(R"({"restTime":3,"failCount":5,"msg":"m"})")));
    QCOMPARE(countDown.timer()->interval(), 1000);
    QCOMPARE(tips.size(), 0);
    countDown.tick();
    QCOMPARE(tips.last().at(0).toString(), QStringLiteral("您已登录失败5次，账户锁定2秒！"));
    countDown.tick();
    QCOMPARE(tips.last().at(0).toString(), QStringLiteral("您已登录失败5次，账户锁定1秒！"));
    countDown.tick();
    QCOMPARE(tips.last().at(0).toString(), QString());
    QVERIFY(!countDown.isRunning());
    QCOMPARE(countDown.lock().restTime, 0);
}

void TestAuthCodes::imageCode_data()
{
    QTest::addColumn<QString>("prefix_");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<bool>("saved");
    QImage image(12, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    QTest::newRow("png") << "data:image/png;base64," << png.toBase64() << true;
    QTest::newRow("wrong prefix") << "data:image/jpeg;base64," << png.toBase64() << false;
    QTest::newRow("no prefix") << "" << png.toBase64() << false;
    QTest::newRow("bad base64") << "data:image/png;base64," << QByteArray("%%%%") << false;
    QTest::newRow("not a picture") << "data:image/png;base64," << QByteArray("hello").toBase64() << false;
}

void TestAuthCodes::imageCode()
{
    TestPrefix prefix;
    QFETCH(QString, prefix_);
    QFETCH(QByteArray, payload);
    QFETCH(bool, saved);
    LogCapture log;
    const QString path = ImageCode::accountImagePath();
    QCOMPARE(path, prefix.installPath("cache/imageCode.png"));
    QCOMPARE(ImageCode::saveBase64Imgae(prefix_ + QString::fromLatin1(payload), path), saved);
    QCOMPARE(QFile::exists(path), saved);
    if (saved) {
        QImage back(path);
        QCOMPARE(back.size(), QSize(12, 8));
    } else {
        QVERIFY(log.contains("authImage value error: ", google::GLOG_WARNING));
        QVERIFY(!log.text().contains(QString::fromLatin1(payload.left(40))) || payload.size() < 8);
    }
}

QTEST_GUILESS_MAIN(TestAuthCodes)
#include "tst_authcodes.moc"
