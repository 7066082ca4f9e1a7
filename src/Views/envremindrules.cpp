#include "src/Views/envremindrules.h"

#include <QtMath>

namespace {

// A fraction as the log shows it: percent with at most two decimals.
QString percent(double fraction)
{
    return QString::number(qRound(fraction * 10000.0) / 100.0);
}

}  // namespace

double EnvRemindRules::gaugeThreshold(int reminderSwitch, int threshold)
{
    if (reminderSwitch == 0 || threshold < 0) {
        return -1.0;
    }
    return threshold / 100.0;
}

st_envRemindDecision EnvRemindRules::decide(const st_operationEnv& env, const QList<double>& ratios, int closeTrayRemind)
{
    st_envRemindDecision d;
    d.cpuThreshold = gaugeThreshold(env.cpuReminderSwitch, env.cpuThreshold);
    d.memoryThreshold = gaugeThreshold(env.memoryReminderSwitch, env.memoryThreshold);
    d.diskThreshold = gaugeThreshold(env.storeSpaceReminderSwitch, env.storeSpaceThreshold);

    const double cpu = ratios.value(0, 0.0);
    const double memory = ratios.value(1, 0.0);
    const double disk = ratios.value(2, 0.0);
    // A switch without a threshold (-1) would remind at any load: it compares nothing.
    if (d.memoryThreshold >= 0.0 && d.memoryThreshold <= memory) {
        d.reasons.append(QStringLiteral("need to remind, current memoryUsed: %1%, memoryThreshold: %2%")
                             .arg(percent(memory), QString::number(env.memoryThreshold)));
        d.tips.append(env.memoryReminderTips);
    }
    if (d.cpuThreshold >= 0.0 && d.cpuThreshold <= cpu) {
        d.reasons.append(QStringLiteral("need to remind, current cpuUsed: %1%, cpuThreshold: %2%")
                             .arg(percent(cpu), QString::number(env.cpuThreshold)));
        d.tips.append(env.cpuReminderTips);
    }
    if (d.diskThreshold >= 0.0 && d.diskThreshold <= disk) {
        d.reasons.append(QStringLiteral("need to remind, current diskUsed: %1%, storeSpaceThreshold: %2%")
                             .arg(percent(disk), QString::number(env.storeSpaceThreshold)));
        d.tips.append(env.storeSpaceReminderTips);
    }

    QStringList shown;
    for (const QString& tip : d.tips) {
        if (!tip.trimmed().isEmpty()) {
            shown.append(tip);
        }
    }
    d.trayText = shown.join(QLatin1Char('\n'));
    // An empty notification tells the user nothing: without any tip text the tray stays quiet.
    d.remind = !d.tips.isEmpty() && closeTrayRemind == 0 && !d.trayText.isEmpty();
    return d;
}
