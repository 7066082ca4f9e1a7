#pragma once

#include <QMetaType>
#include <QString>

// Reminder policy for the host's resource usage: per resource a switch, a threshold in percent
// (-1 none) and the text shown with the reminder.
struct st_operationEnv {
    int memoryReminderSwitch = 0;
    int memoryThreshold = -1;
    QString memoryReminderTips;
    int cpuReminderSwitch = 0;
    int cpuThreshold = -1;
    QString cpuReminderTips;
    int storeSpaceReminderSwitch = 0;
    int storeSpaceThreshold = -1;
    QString storeSpaceReminderTips;

    // The record as three log lines.
    QString operationEnv() const
    {
        return QStringLiteral("memoryReminderSwitch: %1, memoryThreshold: %2, memoryReminderTips: %3\n"
                              "cpuReminderSwitch: %4, cpuThreshold: %5, cpuReminderTips: %6\n"
                              "storeSpaceReminderSwitch: %7, storeSpaceThreshold: %8, storeSpaceReminderTips: %9")
            // One multi-argument call: a tip holding "%2" must not be substituted again.
            .arg(QString::number(memoryReminderSwitch), QString::number(memoryThreshold), memoryReminderTips,
                 QString::number(cpuReminderSwitch), QString::number(cpuThreshold), cpuReminderTips,
                 QString::number(storeSpaceReminderSwitch), QString::number(storeSpaceThreshold),
                 storeSpaceReminderTips);
    }
};
Q_DECLARE_METATYPE(st_operationEnv)
