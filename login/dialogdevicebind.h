#pragma once

#include "src/CustomControl/customdialog.h"
#include "src/PolicyAnalyzer/st_bindingdevice.h"

#include <QString>

class QLabel;
class QTableWidget;

// "展示绑定设备": the devices bound to a user with their bind state (the user-and-rows layout of
// ini/devicebind.json). The login page opens it beside its bind-this-device switch.
//
// Children: "labelBindUser", "tableDeviceBind", "labelNoDevice" ("暂无绑定设备").
class DialogDeviceBind : public CustomDialog
{
    Q_OBJECT
public:
    static DialogDeviceBind* instance(QWidget* parent = nullptr);

    // The text of a bind state (-3 .. 3); empty for -2 and for a state it does not know.
    static QString convertDeviceBindState(int state);
    static QString emptyText() { return QStringLiteral("暂无绑定设备"); }

    void setBindList(const st_deviceBindList& list);
    // Reads ini/devicebind.json again; a document that cannot be read shows no device.
    bool updateBindList();
    int rowCount() const;

private:
    explicit DialogDeviceBind(QWidget* parent);

    QLabel* user_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* empty_ = nullptr;
};
