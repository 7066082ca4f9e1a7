// PolicyAnalyzer: bound devices, login history and the message list.

#include "src/PolicyAnalyzer/policyanalyzer_p.h"

#include <iterator>

using namespace policyreader;

// ---------------------------------------------------------------------------------------------
// Bound devices and login history.

bool PolicyAnalyzer::readDeviceBindInfo(QList<st_bindingDevice>& devices)
{
    ReaderRun run("readDeviceBindInfo", ErrorExit::AfterFound);
    devices.clear();
    QJsonObject root;
    if (!run.loadFile(kDeviceBind) || !run.object(root)) {
        return run.fail();
    }
    const QJsonValue data = root.value(QLatin1String("data"));
    if (!data.isArray()) {
        return run.fail(DEVICE_BIND_NO_LIST);
    }
    static QString st_bindingDevice::*const fields[] = {&st_bindingDevice::dev_name, &st_bindingDevice::os_name,
                                                         &st_bindingDevice::dev_ip, &st_bindingDevice::dev_mac,
                                                         &st_bindingDevice::dev_machine_code};
    static const char* const keys[] = {"dev_name", "os_name", "dev_ip", "dev_mac", "dev_machine_code"};
    devices = readRows<st_bindingDevice>(data.toArray(), fields, keys);
    return run.succeed();
}

bool PolicyAnalyzer::readDeviceBindInfo(QList<SDeviceBindInfo>& devices)
{
    ReaderRun run("readDeviceBindInfo", ErrorExit::AfterFound);
    devices.clear();
    QJsonObject root;
    if (!run.loadFile(kDeviceBind) || !run.object(root)) {
        return run.fail();
    }
    const QJsonValue data = root.value(QLatin1String("data"));
    if (!data.isArray()) {
        return run.fail(DEVICE_BIND_NO_LIST);
    }
    static QString SDeviceBindInfo::*const fields[] = {&SDeviceBindInfo::deviceName, &SDeviceBindInfo::macAddr,
                                                        &SDeviceBindInfo::cpuNo, &SDeviceBindInfo::hardDikSeqNo,
                                                        &SDeviceBindInfo::bindTime};
    static const char* const keys[] = {"deviceName", "macAddr", "cpuNo", "hardDikSeqNo", "bindTime"};
    devices = readRows<SDeviceBindInfo>(data.toArray(), fields, keys);
    return run.succeed();
}

bool PolicyAnalyzer::readDeviceBindInfo(st_deviceBindList& bindList)
{
    ReaderRun run("readDeviceBindInfo", ErrorExit::AfterFound);
    bindList = st_deviceBindList();
    QJsonObject root;
    if (!run.loadFile(kDeviceBind) || !run.object(root)) {
        return run.fail();
    }
    // The user and the rows sit in "data" when the service wraps them, else at the top level.
    const QJsonValue data = root.value(QLatin1String("data"));
    const QJsonObject holder = data.isObject() ? data.toObject() : root;
    const QJsonValue rows = holder.value(QLatin1String("rows"));
    if (!rows.isArray()) {
        return run.fail(DEVICE_BIND_NO_LIST);
    }
    bindList.userName = ::text(holder, QLatin1String("userName"));
    for (const QJsonValue& value : rows.toArray()) {
        const QJsonObject element = value.toObject();
        if (element.isEmpty()) {
            continue;
        }
        st_deviceBindRow row;
        row.devMachineCode = ::text(element, QLatin1String("devMachineCode"));
        row.devName = ::text(element, QLatin1String("devName"));
        const QJsonValue status = element.value(QLatin1String("status"));
        if (status.isDouble()) {
            row.status = integer(status);
        }
        bindList.rows.append(row);
    }
    return run.succeed();
}

bool PolicyAnalyzer::readLoginAudit(QList<st_loginAuditItem>& items)
{
    ReaderRun run("readLoginAudit", ErrorExit::AfterFound);
    items.clear();
    return run.readDocument(kLoginAudit, [&](const auto& root) {
        if (!run.object(root)) {
            return run.fail();
        }
        const auto list = root[QLatin1String("data")][QLatin1String("list")];
        if (!list.isArray()) {
            return run.fail(LOGIN_AUDIT_NO_LIST);
        }
        static QString st_loginAuditItem::*const fields[] = {&st_loginAuditItem::action_time, &st_loginAuditItem::auth_type,
                                                              &st_loginAuditItem::client_ip, &st_loginAuditItem::client_mac,
                                                              &st_loginAuditItem::description};
        static const char* const keys[] = {"action_time", "auth_type", "client_ip", "client_mac", "description"};
        items = readRows<st_loginAuditItem>(list.toArray(), fields, keys);
        return run.succeed();
    });
}

namespace {

template <class Value>
bool readInformsFrom(ReaderRun& run, const Value& root, QList<st_inform>& items)
{
    if (!run.object(root)) {
        return run.fail();
    }
    const Value list = root[QLatin1String("data")][QLatin1String("list")];
    if (!list.isArray()) {
        return run.fail(INFORM_LIST_NO_LIST);
    }
    static QString st_inform::*const fields[] = {&st_inform::id, &st_inform::title, &st_inform::content,
                                                  &st_inform::time};
    static const char* const keys[] = {"id", "title", "content", "time"};
    const auto array = list.toArray();
    items.reserve(array.size());
    for (const Value value : array) {
        if (isEmptyObject(value)) {
            continue;
        }
        items.append(st_inform());
        st_inform& item = items.last();
        for (size_t i = 0; i < std::size(fields); ++i) {
            item.*fields[i] = value[QLatin1String(keys[i])].toString();
        }
        item.isRead = integer(value[QLatin1String("read")]);
    }
    return run.succeed();
}

bool readInforms(ReaderRun& run, const DocumentSpec& spec, QList<st_inform>& items)
{
    items.clear();
    return run.readDocument(spec, [&](const auto& root) { return readInformsFrom(run, root, items); });
}

}  // namespace

bool PolicyAnalyzer::readInformList(QList<st_inform>& items)
{
    ReaderRun run("readInformList", ErrorExit::AfterFound);
    return readInforms(run, kInformList, items);
}

bool PolicyAnalyzer::readInformListForVesk(QList<st_inform>& items)
{
    ReaderRun run("readInformListForVesk", ErrorExit::AfterFound);
    return readInforms(run, kVeskInformList, items);
}
