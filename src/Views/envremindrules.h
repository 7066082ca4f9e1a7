#pragma once

#include "corviscommon/st_operationenv.h"

#include <QList>
#include <QString>
#include <QStringList>

// What the device page does with a reminder policy and the current load.
struct st_envRemindDecision {
    // Gauge thresholds as fractions, -1.0 for none: processor, memory, disk.
    double cpuThreshold = -1.0;
    double memoryThreshold = -1.0;
    double diskThreshold = -1.0;
    // The lines "need to remind, current ...Used: ..%, ...Threshold: ..%", memory, processor, disk.
    QStringList reasons;
    // The policy's tips of the resources over their thresholds, in the same order.
    QStringList tips;
    // The tray is asked to remind: a tip was collected and reminders are not switched off.
    bool remind = false;
    // The text for the tray: the non-empty tips joined by line feeds.
    QString trayText;
};

// The operation-environment reminder rules: which thresholds the gauges draw and whether the
// tray reminds. No widgets, no requests.
class EnvRemindRules
{
public:
    // threshold / 100 when the switch is on and a threshold is set (0 to 100 and beyond), else -1.
    static double gaugeThreshold(int reminderSwitch, int threshold);

    // `ratios`: the monitor's processor, memory and disk fractions (missing ones read 0).
    // `closeTrayRemind`: the configuration's switch; non-zero keeps the tray quiet.
    static st_envRemindDecision decide(const st_operationEnv& env, const QList<double>& ratios, int closeTrayRemind);

    EnvRemindRules() = delete;
};
