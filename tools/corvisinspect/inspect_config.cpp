// corvisinspect config: every configuration accessor by name with the value it returns now.

#include "tools/corvisinspect/inspectregistry.h"

#include "app/common.h"

#include <QJsonValue>

namespace {

int runConfig(const QStringList& args, QJsonObject& out, QString& error)
{
    if (!args.isEmpty()) {
        error = QStringLiteral("config takes no arguments");
        return 1;
    }
    out.insert(QStringLiteral("sysCfgPath"), Common::sysCfgPath());
    out.insert(QStringLiteral("userInfoPath"), Common::userInfoPath());

    out.insert(QStringLiteral("portalIp"), Common::portalIp());
    out.insert(QStringLiteral("uuid"), Common::uuid());
    out.insert(QStringLiteral("softName"), Common::softName());
    out.insert(QStringLiteral("csSoftName"), Common::csSoftName());
    out.insert(QStringLiteral("version"), Common::version());
    out.insert(QStringLiteral("company"), Common::company());
    out.insert(QStringLiteral("customProject"), Common::customProject());
    out.insert(QStringLiteral("browser"), Common::browser());
    out.insert(QStringLiteral("kavItsm"), Common::kavItsm());
    out.insert(QStringLiteral("closeTrayRemind"), Common::closeTrayRemind());
    out.insert(QStringLiteral("openTamsinPortal"), Common::openTamsinPortal());
    out.insert(QStringLiteral("rememberAccount"), Common::rememberAccount());
    out.insert(QStringLiteral("rememberPhone"), Common::rememberPhone());
    out.insert(QStringLiteral("csMode"), Common::csMode());
    out.insert(QStringLiteral("oldTray"), Common::oldTray());
    out.insert(QStringLiteral("spaMark"), Common::spaMark());
    out.insert(QStringLiteral("spaLoginType"), Common::spaLoginType());
    out.insert(QStringLiteral("spaSim"), Common::spaSim());
    out.insert(QStringLiteral("spaOauth"), Common::spaOauth());
    out.insert(QStringLiteral("isOpenRollbackUpdate"), isOpenRollbackUpdate());
    out.insert(QStringLiteral("getCustomProject"), QString::fromStdString(getCustomProject()));
    out.insert(QStringLiteral("isCsMode"), isCsMode());

    out.insert(QStringLiteral("pcName"), Common::pcName());
    out.insert(QStringLiteral("deviceMac"), Common::deviceMac());
    out.insert(QStringLiteral("deviceIp"), Common::deviceIp());
    out.insert(QStringLiteral("userName"), Common::userName());
    out.insert(QStringLiteral("userFullName"), Common::userFullName());
    out.insert(QStringLiteral("department"), Common::department());
    out.insert(QStringLiteral("phoneNumber"), Common::phoneNumber());
    out.insert(QStringLiteral("pwdExpiredTime"), Common::pwdExpiredTime());
    out.insert(QStringLiteral("allowChangePwd"), Common::allowChangePwd());
    out.insert(QStringLiteral("allowChangePhone"), Common::allowChangePhone());
    out.insert(QStringLiteral("csUserName"), Common::csUserName());
    out.insert(QStringLiteral("csUserPhone"), Common::csUserPhone());
    out.insert(QStringLiteral("spaUserName"), Common::spaUserName());
    out.insert(QStringLiteral("spaType"), Common::spaType());
    out.insert(QStringLiteral("vlsUserName"), Common::vlsUserName());
    // The velmora SPA password is a secret: say only whether one is set.
    out.insert(QStringLiteral("vlsPasswordSet"), !Common::vlsPassword().isEmpty());
    out.insert(QStringLiteral("portalDisplayMode"), Common::portalDisplayMode());
    out.insert(QStringLiteral("sandboxInfo"), Common::sandboxInfo());
    out.insert(QStringLiteral("currentNetmodeId"), Common::currentNetmodeId());
    out.insert(QStringLiteral("netmodeCount"), Common::netmodeCount());

    out.insert(QStringLiteral("unameMachine"), Common::unameMachine());
    out.insert(QStringLiteral("unameRelease"), Common::unameRelease());
    return 0;
}

const InspectRegistrar registrar(QStringLiteral("config"), QStringLiteral("config"), runConfig);

}  // namespace
