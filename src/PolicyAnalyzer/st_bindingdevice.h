#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

// One device bound to the user, as the device page lists it.
struct st_bindingDevice {
    QString dev_name;
    QString os_name;
    QString dev_ip;
    QString dev_mac;
    QString dev_machine_code;  // the UUID of that installation
};
Q_DECLARE_METATYPE(st_bindingDevice)

// One bound device as shown on a card with an unbind button.
struct SDeviceBindInfo {
    QString deviceName;
    QString macAddr;
    QString cpuNo;
    QString hardDikSeqNo;
    QString bindTime;
};
Q_DECLARE_METATYPE(SDeviceBindInfo)

// One device of a user's bind list with its bind state (-3 .. 3; -2 when not sent).
struct st_deviceBindRow {
    QString devMachineCode;
    QString devName;
    int status = -2;
};

// A user's bind list, as the device-bind dialog shows it.
struct st_deviceBindList {
    QString userName;
    QList<st_deviceBindRow> rows;
};
Q_DECLARE_METATYPE(st_deviceBindList)
