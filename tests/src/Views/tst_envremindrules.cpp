// The operation-environment reminder rules: thresholds drawn on the gauges, which resources are
// over their threshold, in which order, and when the tray is asked to remind.

#include "src/Views/envremindrules.h"

#include <QtTest>

namespace {

st_operationEnv policy(int memSwitch, int mem, int cpuSwitch, int cpu, int diskSwitch, int disk)
{
    st_operationEnv env;
    env.memoryReminderSwitch = memSwitch;
    env.memoryThreshold = mem;
    env.memoryReminderTips = QStringLiteral("内存不足");
    env.cpuReminderSwitch = cpuSwitch;
    env.cpuThreshold = cpu;
    env.cpuReminderTips = QStringLiteral("处理器繁忙");
    env.storeSpaceReminderSwitch = diskSwitch;
    env.storeSpaceThreshold = disk;
    env.storeSpaceReminderTips = QStringLiteral("磁盘将满");
    return env;
}

}  // namespace

class TestEnvRemindRules : public QObject
{
    Q_OBJECT

private slots:
    void gaugeThreshold_data();
    void gaugeThreshold();
    void decide_data();
    void decide();
    void emptyTipsKeepTheTrayQuiet();
    void defaultPolicyRemindsOfNothing();
};

void TestEnvRemindRules::gaugeThreshold_data()
{
    QTest::addColumn<int>("reminderSwitch");
    QTest::addColumn<int>("threshold");
    QTest::addColumn<double>("fraction");
    QTest::newRow("on, 80") << 1 << 80 << 0.8;
    QTest::newRow("on, 0") << 1 << 0 << 0.0;
    QTest::newRow("on, 100") << 1 << 100 << 1.0;
    QTest::newRow("on, none") << 1 << -1 << -1.0;
    QTest::newRow("on, below none") << 1 << -7 << -1.0;
    QTest::newRow("off, 80") << 0 << 80 << -1.0;
    QTest::newRow("any non-zero switch") << 2 << 50 << 0.5;
}

void TestEnvRemindRules::gaugeThreshold()
{
    QFETCH(int, reminderSwitch);
    QFETCH(int, threshold);
    QFETCH(double, fraction);
    QCOMPARE(EnvRemindRules::gaugeThreshold(reminderSwitch, threshold), fraction);
}

void TestEnvRemindRules::decide_data()
{
    QTest::addColumn<st_operationEnv>("env");
    QTest::addColumn<QList<double>>("ratios");  // cpu, memory, disk
    QTest::addColumn<int>("closeTrayRemind");
    QTest::addColumn<QList<double>>("thresholds");  // cpu, memory, disk
    QTest::addColumn<QStringList>("reasons");
    QTest::addColumn<bool>("remind");
    QTest::addColumn<QString>("trayText");

    const QList<double> none{-1.0, -1.0, -1.0};
    QTest::newRow("all switches off") << policy(0, 10, 0, 10, 0, 10) << QList<double>{0.9, 0.9, 0.9} << 0 << none
                                      << QStringList() << false << QString();
    QTest::newRow("memory over") << policy(1, 80, 0, 80, 0, 80) << QList<double>{0.1, 0.875, 0.1} << 0
                                 << QList<double>{-1.0, 0.8, -1.0}
                                 << QStringList{"need to remind, current memoryUsed: 87.5%, memoryThreshold: 80%"} << true
                                 << QStringLiteral("内存不足");
    QTest::newRow("exactly at the threshold") << policy(0, 0, 1, 50, 0, 0) << QList<double>{0.5, 0.0, 0.0} << 0
                                              << QList<double>{0.5, -1.0, -1.0}
                                              << QStringList{"need to remind, current cpuUsed: 50%, cpuThreshold: 50%"} << true
                                              << QStringLiteral("处理器繁忙");
    QTest::newRow("all over: memory, processor, disk")
        << policy(1, 50, 1, 50, 1, 50) << QList<double>{0.6, 0.7, 0.8123} << 0 << QList<double>{0.5, 0.5, 0.5}
        << QStringList{"need to remind, current memoryUsed: 70%, memoryThreshold: 50%",
                       "need to remind, current cpuUsed: 60%, cpuThreshold: 50%",
                       "need to remind, current diskUsed: 81.23%, storeSpaceThreshold: 50%"}
        << true << QStringLiteral("内存不足\n处理器繁忙\n磁盘将满");
    QTest::newRow("all under") << policy(1, 90, 1, 90, 1, 90) << QList<double>{0.2, 0.3, 0.4} << 0
                               << QList<double>{0.9, 0.9, 0.9} << QStringList() << false << QString();
    // The configuration switches the tray off: the gauges still show the thresholds.
    QTest::newRow("closetrayremind") << policy(1, 10, 1, 10, 1, 10) << QList<double>{0.5, 0.5, 0.5} << 1
                                     << QList<double>{0.1, 0.1, 0.1}
                                     << QStringList{"need to remind, current memoryUsed: 50%, memoryThreshold: 10%",
                                                    "need to remind, current cpuUsed: 50%, cpuThreshold: 10%",
                                                    "need to remind, current diskUsed: 50%, storeSpaceThreshold: 10%"}
                                     << false << QStringLiteral("内存不足\n处理器繁忙\n磁盘将满");
    // A switch without a threshold would remind at any load.
    QTest::newRow("switch on without threshold") << policy(1, -1, 1, -1, 1, -1) << QList<double>{0.0, 0.0, 0.0} << 0 << none
                                                 << QStringList() << false << QString();
    QTest::newRow("threshold 0 at an idle host") << policy(0, 0, 1, 0, 0, 0) << QList<double>{0.0, 0.0, 0.0} << 0
                                                 << QList<double>{0.0, -1.0, -1.0}
                                                 << QStringList{"need to remind, current cpuUsed: 0%, cpuThreshold: 0%"} << true
                                                 << QStringLiteral("处理器繁忙");
    QTest::newRow("threshold above 100 is never reached") << policy(1, 150, 0, 0, 0, 0) << QList<double>{1.0, 1.0, 1.0} << 0
                                                          << QList<double>{-1.0, 1.5, -1.0} << QStringList() << false
                                                          << QString();
    QTest::newRow("no sample yet") << policy(1, 50, 0, 0, 0, 0) << QList<double>() << 0 << QList<double>{-1.0, 0.5, -1.0}
                                   << QStringList() << false << QString();
}

void TestEnvRemindRules::decide()
{
    QFETCH(st_operationEnv, env);
    QFETCH(QList<double>, ratios);
    QFETCH(int, closeTrayRemind);
    QFETCH(QList<double>, thresholds);
    QFETCH(QStringList, reasons);
    QFETCH(bool, remind);
    QFETCH(QString, trayText);
    const st_envRemindDecision d = EnvRemindRules::decide(env, ratios, closeTrayRemind);
    QCOMPARE((QList<double>{d.cpuThreshold, d.memoryThreshold, d.diskThreshold}), thresholds);
    QCOMPARE(d.reasons, reasons);
    QCOMPARE(d.tips.size(), reasons.size());
    QCOMPARE(d.remind, remind);
    QCOMPARE(d.trayText, trayText);
}

void TestEnvRemindRules::emptyTipsKeepTheTrayQuiet()
{
    st_operationEnv env = policy(1, 10, 1, 10, 0, 0);
    env.memoryReminderTips.clear();
    env.cpuReminderTips = QStringLiteral("  ");
    st_envRemindDecision d = EnvRemindRules::decide(env, {0.5, 0.5, 0.5}, 0);
    QCOMPARE(d.tips.size(), 2);
    QVERIFY(!d.remind);

    // One tip with text is enough; the empty one adds no blank line.
    env.cpuReminderTips = QStringLiteral("处理器繁忙");
    d = EnvRemindRules::decide(env, {0.5, 0.5, 0.5}, 0);
    QVERIFY(d.remind);
    QCOMPARE(d.trayText, QStringLiteral("处理器繁忙"));
}

void TestEnvRemindRules::defaultPolicyRemindsOfNothing()
{
    // What a failed or partial policy document leaves: every reminder off.
    const st_envRemindDecision d = EnvRemindRules::decide(st_operationEnv(), {1.0, 1.0, 1.0}, 0);
    QCOMPARE(d.memoryThreshold, -1.0);
    QVERIFY(d.tips.isEmpty());
    QVERIFY(!d.remind);
}

QTEST_APPLESS_MAIN(TestEnvRemindRules)
#include "tst_envremindrules.moc"
