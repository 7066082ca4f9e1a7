#include "login/dialogdevicebind.h"

#include "corviscommon/logging.h"
#include "src/CustomControl/cusstyle.h"
#include "src/PolicyAnalyzer/policyanalyzer.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

DialogDeviceBind* DialogDeviceBind::instance(QWidget* parent)
{
    static DialogDeviceBind* dialog = new DialogDeviceBind(parent);
    return dialog;
}

QString DialogDeviceBind::convertDeviceBindState(int state)
{
    switch (state) {
    case -3:
        return QStringLiteral("未绑定");
    case -1:
        return QStringLiteral("待审批");
    case 1:
        return QStringLiteral("已绑定");
    case 2:
        return QStringLiteral("拒绝绑定");
    case 3:
        return QStringLiteral("已解绑");
    default:
        return QString();
    }
}

DialogDeviceBind::DialogDeviceBind(QWidget* parent) : CustomDialog(parent)
{
    setObjectName(QStringLiteral("DialogDeviceBind"));
    setAccessibleName(QStringLiteral("展示绑定设备"));
    setWindowTitle(QStringLiteral("展示绑定设备"));
    setMinimizeVisible(false);
    resize(520, 380);

    user_ = new QLabel(body());
    user_->setObjectName(QStringLiteral("labelBindUser"));
    user_->setTextFormat(Qt::PlainText);
    table_ = new QTableWidget(0, 3, body());
    table_->setObjectName(QStringLiteral("tableDeviceBind"));
    table_->setAccessibleName(QStringLiteral("绑定设备"));
    table_->setHorizontalHeaderLabels({QStringLiteral("设备名称"), QStringLiteral("设备标识"), QStringLiteral("绑定状态")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setColumnWidth(0, 150);
    table_->setColumnWidth(1, 220);
    table_->horizontalHeader()->setStretchLastSection(true);
    empty_ = new QLabel(emptyText(), body());
    empty_->setObjectName(QStringLiteral("labelNoDevice"));
    empty_->setAlignment(Qt::AlignCenter);
    empty_->setStyleSheet(QStringLiteral("color: %1; font-size: 14px;").arg(QLatin1String(cusstyle::kTextMuted)));

    auto* layout = new QVBoxLayout(body());
    layout->setContentsMargins(20, 14, 20, 16);
    layout->addWidget(user_);
    layout->addWidget(table_, 1);
    layout->addWidget(empty_, 1);
    setBindList(st_deviceBindList());
}

void DialogDeviceBind::setBindList(const st_deviceBindList& list)
{
    user_->setText(list.userName.isEmpty() ? QString() : QStringLiteral("用户：%1").arg(list.userName));
    table_->clearContents();
    table_->setRowCount(list.rows.size());
    for (int row = 0; row < list.rows.size(); ++row) {
        const st_deviceBindRow& device = list.rows.at(row);
        const QString cells[] = {device.devName, device.devMachineCode, convertDeviceBindState(device.status)};
        for (int column = 0; column < 3; ++column) {
            auto* item = new QTableWidgetItem;
            item->setText(cells[column]);
            table_->setItem(row, column, item);
        }
    }
    const bool none = list.rows.isEmpty();
    table_->setVisible(!none);
    empty_->setVisible(none);
}

bool DialogDeviceBind::updateBindList()
{
    st_deviceBindList list;
    const bool ok = PolicyAnalyzer::instance()->readDeviceBindInfo(list);
    setBindList(list);
    return ok;
}

int DialogDeviceBind::rowCount() const
{
    return table_->rowCount();
}
