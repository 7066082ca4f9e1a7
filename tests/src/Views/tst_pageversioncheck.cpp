// The version page against corvissim for what reaches the update service: the check button goes
// busy and asks once, a rollback is asked for only after the user confirms it and only when the
// backup package is there, the rollback button follows the configuration, and the main window's
// status calls give the buttons back.

#include "src/Views/pageversioncheck.h"

#include "src/CustomControl/cusmessagebox.h"
#include "support/simprocess.h"
#include "support/testprefix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

const QString kUpdate = QStringLiteral("corvisupdatesrv");
const QString kCheck = QStringLiteral("0x3901");
const QString kRollback = QStringLiteral("0x4001");

QByteArray sysCfg(int rollback)
{
    return "[Mervasso]\nServerIP=10.20.30.40\n[functions]\nrollbackUpdate=" + QByteArray::number(rollback) + "\n";
}

QPushButton* button(const QWidget& page, const char* name)
{
    return page.findChild<QPushButton*>(QLatin1String(name));
}

}  // namespace

class TestPageVersionCheck : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void rollbackButtonFollowsTheConfiguration_data();
    void rollbackButtonFollowsTheConfiguration();
    void checkGoesBusyAndAsksOnce();
    void rollback_data();
    void rollback();
    void statusCallsGiveTheButtonsBack();

private:
    int count(const QString& type) const { return int(sim_->requests(kUpdate, type).size()); }
    bool writeBackup(bool present) const;

    std::unique_ptr<TestPrefix> prefix_;
    std::unique_ptr<SimProcess> sim_;
};

void TestPageVersionCheck::initTestCase()
{
    prefix_ = std::make_unique<TestPrefix>();
    sim_ = std::make_unique<SimProcess>(prefix_->root());
    QVERIFY2(sim_->start(), qPrintable(sim_->errorOutput()));
}

void TestPageVersionCheck::init()
{
    QVERIFY(prefix_->writeSysCfg(sysCfg(1)));
    QVERIFY(writeBackup(false));
}

void TestPageVersionCheck::cleanup()
{
    CusMessageBox::clearNextAnswers();
}

bool TestPageVersionCheck::writeBackup(bool present) const
{
    const QString path = PageVersionCheck::backupPackagePath();
    if (!present) {
        QFile::remove(path);
        return !QFileInfo::exists(path);
    }
    return prefix_->writeInstallFile(QDir(prefix_->installPath(QString())).relativeFilePath(path), "PK\x03\x04");
}

void TestPageVersionCheck::rollbackButtonFollowsTheConfiguration_data()
{
    QTest::addColumn<int>("rollback");
    QTest::addColumn<bool>("visible");
    QTest::newRow("switched on") << 1 << true;
    QTest::newRow("switched off") << 0 << false;
    QTest::newRow("not a number") << -7 << false;
}

void TestPageVersionCheck::rollbackButtonFollowsTheConfiguration()
{
    QFETCH(int, rollback);
    QFETCH(bool, visible);
    QVERIFY(prefix_->writeSysCfg(sysCfg(rollback)));
    PageVersionCheck page;
    page.show();
    QCOMPARE(button(page, "btnBackVersion")->isVisible(), visible);
    QVERIFY(button(page, "btnCheckVersion")->isVisible());
    QCOMPARE(button(page, "btnCheckVersion")->text(), QStringLiteral("版本更新"));
    QCOMPARE(button(page, "btnBackVersion")->text(), QStringLiteral("版本回退"));
}

void TestPageVersionCheck::checkGoesBusyAndAsksOnce()
{
    PageVersionCheck page;
    page.show();
    const int before = count(kCheck);
    QPushButton* check = button(page, "btnCheckVersion");
    QTest::mouseClick(check, Qt::LeftButton);
    QCOMPARE(check->text(), QStringLiteral("正在检查版本更新"));
    QVERIFY(!check->isEnabled());
    // A second press reaches a disabled button.
    QTest::mouseClick(check, Qt::LeftButton);
    QVERIFY(sim_->waitForRequest(kUpdate, kCheck, 15000));
    QTRY_COMPARE_WITH_TIMEOUT(count(kCheck), before + 1, 15000);
    QCOMPARE(sim_->requests(kUpdate, kCheck).last().value(QStringLiteral("body")).toString(), QString());
}

void TestPageVersionCheck::rollback_data()
{
    QTest::addColumn<bool>("package");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("question");
    QTest::addColumn<bool>("withCancel");
    QTest::addColumn<bool>("sent");
    const QString ask = QStringLiteral("检测到上一版本，是否回退并安装");
    const QString missing = QStringLiteral("检测不到安装包，无法进行回退操作");
    QTest::newRow("confirmed") << true << int(CusMessageBox::Confirm) << ask << true << true;
    QTest::newRow("cancelled") << true << int(CusMessageBox::Cancel) << ask << true << false;
    QTest::newRow("no package, notice confirmed") << false << int(CusMessageBox::Confirm) << missing << false << false;
}

void TestPageVersionCheck::rollback()
{
    QFETCH(bool, package);
    QFETCH(int, answer);
    QFETCH(QString, question);
    QFETCH(bool, withCancel);
    QFETCH(bool, sent);
    QVERIFY(writeBackup(package));
    PageVersionCheck page;
    page.show();
    auto* box = page.findChild<CusMessageBox*>();
    QVERIFY(box != nullptr);
    QSignalSpy answered(box, answer == CusMessageBox::Confirm ? &CusMessageBox::clickSure : &CusMessageBox::clickCancel);
    const int before = count(kRollback);

    CusMessageBox::setNextAnswer(CusMessageBox::Answer(answer));
    QPushButton* back = button(page, "btnBackVersion");
    QTest::mouseClick(back, Qt::LeftButton);
    QTRY_COMPARE(answered.count(), 1);
    QCOMPARE(box->message(), question);
    QCOMPARE(box->hasCancel(), withCancel);
    QCOMPARE(back->isEnabled(), !sent);
    QCOMPARE(back->text(), sent ? QStringLiteral("正在检查版本回退") : QStringLiteral("版本回退"));
    if (sent) {
        QVERIFY(sim_->waitForRequest(kUpdate, kRollback, 15000));
        QTRY_COMPARE_WITH_TIMEOUT(count(kRollback), before + 1, 15000);
        QCOMPARE(sim_->requests(kUpdate, kRollback).last().value(QStringLiteral("body")).toString(), QString());
    } else {
        // A request on its way would have been recorded by the time a check request is.
        const int checks = count(kCheck);
        QTest::mouseClick(button(page, "btnCheckVersion"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(count(kCheck) > checks, 15000);
        QCOMPARE(count(kRollback), before);
    }
}

void TestPageVersionCheck::statusCallsGiveTheButtonsBack()
{
    QVERIFY(writeBackup(true));
    PageVersionCheck page;
    page.show();
    QPushButton* check = button(page, "btnCheckVersion");
    QPushButton* back = button(page, "btnBackVersion");
    CusMessageBox::setNextAnswer(CusMessageBox::Confirm);
    const int checks = count(kCheck);
    const int rollbacks = count(kRollback);
    QTest::mouseClick(check, Qt::LeftButton);
    QTest::mouseClick(back, Qt::LeftButton);
    QTRY_VERIFY(!back->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(count(kCheck), checks + 1, 15000);
    QTRY_COMPARE_WITH_TIMEOUT(count(kRollback), rollbacks + 1, 15000);
    QVERIFY(!check->isEnabled());

    // The update service answered the check: only that button comes back.
    page.changeCheckVersionBtnStatus(true);
    QVERIFY(check->isEnabled());
    QCOMPARE(check->text(), QStringLiteral("版本更新"));
    QVERIFY(check->styleSheet().contains(QLatin1String("#4AB793")));
    QVERIFY(!back->isEnabled());

    page.changeBackVersionBtnStatus(true);
    QVERIFY(back->isEnabled());
    QCOMPARE(back->text(), QStringLiteral("版本回退"));

    // And the next check can be asked for.
    const int before = count(kCheck);
    QTest::mouseClick(check, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(count(kCheck), before + 1, 15000);
}

QTEST_MAIN(TestPageVersionCheck)
#include "tst_pageversioncheck.moc"
