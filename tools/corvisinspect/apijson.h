#pragma once

#include "http/api.h"

#include <QJsonObject>

// The controller API's result structures as JSON objects, keys named after their fields.
QJsonObject toJson(const stSsoAuthRsp& rsp);
QJsonObject toJson(const AuthInfo& info);
QJsonObject toJson(const stSandboxApproveRecord& record);
QJsonObject toJson(const stQuerySandboxApproveRecordsRsp& rsp);
QJsonObject toJson(const stSandboxApproveNoticeRsp& rsp);
QJsonObject toJson(const stCheckSessionRsp& rsp);
QJsonObject toJson(const stSandBoxPolicyRsp& rsp);
QJsonObject toJson(const stHttpRsp& rsp);
QJsonObject toJson(const stPersonalCertInfoRsp& rsp);
QJsonObject toJson(const stSandboxUploadRsp& rsp);
QJsonObject toJson(const stNewSandboxRsp& rsp);
