// The main window when its push socket path is held by someone else: the workbench cannot hear
// the services, and the user is told through the tray with the restart message, once.

#include "corviscommon/productpath.h"
#include "src/Views/mainwindow.h"
#include "support/simprocess.h"
#include "support/testprefix.h"

#include <QtTest>

class TestMainWindowPushPath : public QObject
{
    Q_OBJECT

private slots:
    void heldPathToldOnce();
};

void TestMainWindowPushPath::heldPathToldOnce()
{
    TestPrefix prefix;
    QVERIFY(prefix.writeSysCfg("[Mervasso]\ncsmode=1\n"));
    SimProcess sim(prefix.root());
    QVERIFY2(sim.start(), qPrintable(sim.errorOutput()));
    // A plain file where the push socket belongs.
    const QString pushPath = corvis::productPathQ(QStringLiteral("/tmp/.corvisbench.us"));
    QVERIFY(writeFile(pushPath, "squatted"));

    MainWindow::setTrayWaitAttempts(0);
    MainWindow::instance();
    QVERIFY(sim.waitForRequest(QStringLiteral("corvistray"), QStringLiteral("0x0401")));
    const QList<QJsonObject> notices = sim.requests(QStringLiteral("corvistray"), QStringLiteral("0x0401"));
    QCOMPARE(notices.size(), 1);
    QCOMPARE(notices.first().value(QStringLiteral("body")).toString(),
             QStringLiteral("安全工作台启动异常，请重启电脑后重试！"));
    QCOMPARE(readFile(pushPath), QByteArray("squatted"));
}

QTEST_MAIN(TestMainWindowPushPath)
#include "tst_mainwindow_pushpath.moc"
