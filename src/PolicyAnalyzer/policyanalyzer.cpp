// PolicyAnalyzer: the instance and its record types. The readers live beside this file, one
// document family each (policyanalyzeraccess, -apps, -title, -login, -devices), sharing
// policyanalyzer_p.h.

#include "src/PolicyAnalyzer/policyanalyzer.h"

#include <QCoreApplication>

QMutex PolicyAnalyzer::mutex_;
PolicyAnalyzer* PolicyAnalyzer::m_pInstance = nullptr;

PolicyAnalyzer::PolicyAnalyzer()
{
    registerMetaTypes();
}

PolicyAnalyzer* PolicyAnalyzer::instance()
{
    QMutexLocker lock(&mutex_);
    if (m_pInstance == nullptr) {
        m_pInstance = new PolicyAnalyzer();
    }
    return m_pInstance;
}

void PolicyAnalyzer::registerMetaTypes()
{
    qRegisterMetaType<st_operationEnv>("st_operationEnv");
    qRegisterMetaType<st_accessCheckResult>("st_accessCheckResult");
    qRegisterMetaType<st_dynamicAuthResult>("st_dynamicAuthResult");
    qRegisterMetaType<AuthAgainType>("AuthAgainType");
    qRegisterMetaType<st_resource>("st_resource");
    qRegisterMetaType<QList<st_resource>>("QList<st_resource>");
    qRegisterMetaType<st_appCat>("st_appCat");
    qRegisterMetaType<QList<st_appCat>>("QList<st_appCat>");
    qRegisterMetaType<st_netmode>("st_netmode");
    qRegisterMetaType<st_appforResource>("st_appforResource");
    qRegisterMetaType<st_systemTitle>("st_systemTitle");
    qRegisterMetaType<st_carousel>("st_carousel");
    qRegisterMetaType<st_qrcodeInfo>("st_qrcodeInfo");
    qRegisterMetaType<st_againBindInfo>("st_againBindInfo");
    qRegisterMetaType<st_bindingDevice>("st_bindingDevice");
    qRegisterMetaType<SDeviceBindInfo>("SDeviceBindInfo");
    qRegisterMetaType<st_deviceBindList>("st_deviceBindList");
    qRegisterMetaType<st_loginAuditItem>("st_loginAuditItem");
    qRegisterMetaType<st_inform>("st_inform");
}

namespace {

void registerRecordTypes()
{
    PolicyAnalyzer::registerMetaTypes();
}

}  // namespace

// Registered with the application object, so that a record can be queued before any read.
Q_COREAPP_STARTUP_FUNCTION(registerRecordTypes)
