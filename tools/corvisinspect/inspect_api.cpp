// corvisinspect api NAME [key=value ...]: one controller (or local sandbox service) call with
// its request fields, printing {"api": NAME, "result": code, "response": result structure}.

#include "tools/corvisinspect/apijson.h"
#include "tools/corvisinspect/inspectregistry.h"

#include "http/api.h"

#include <QJsonArray>
#include <QMap>

#include <functional>
#include <map>

namespace {

class Fields
{
public:
    explicit Fields(const QMap<QString, QString>& values) : values_(values) {}

    std::string text(const char* key) const { return values_.value(QLatin1String(key)).toStdString(); }

    // The integer of `key`, `fallback` when absent; false when the value is not an integer.
    bool integer(const char* key, int fallback, int& out, QString& error) const
    {
        if (!values_.contains(QLatin1String(key))) {
            out = fallback;
            return true;
        }
        bool ok = false;
        out = values_.value(QLatin1String(key)).toInt(&ok);
        if (!ok) {
            error = QStringLiteral("%1 must be an integer").arg(QLatin1String(key));
        }
        return ok;
    }

private:
    QMap<QString, QString> values_;
};

using Call = std::function<bool(const Fields&, int& result, QJsonObject& response, QString& error)>;

struct ApiCall {
    QStringList keys;
    Call run;
};

const std::map<QString, ApiCall>& calls()
{
    static const std::map<QString, ApiCall> table = {
        {"ssoAuth",
         {{"uname", "appid", "resourcetype", "runmode", "isProtectApp"},
          [](const Fields& f, int& result, QJsonObject& response, QString&) {
              const stSsoAuthReq req{f.text("uname"), f.text("appid"), f.text("resourcetype"), f.text("runmode"),
                                     f.text("isProtectApp")};
              stSsoAuthRsp rsp;
              result = API::getInstance()->ssoAuth(req, rsp);
              response = toJson(rsp);
              return true;
          }}},
        {"getAuthInfo",
         {{"data"},
          [](const Fields& f, int& result, QJsonObject& response, QString&) {
              AuthInfo info;
              info.data = f.text("data");
              result = API::getInstance()->getAuthInfo(info);
              response = toJson(info);
              return true;
          }}},
        {"querySandboxApproveRecords",
         {{"approveStatus", "startTime", "endTime", "pageIndex", "pageSize"},
          [](const Fields& f, int& result, QJsonObject& response, QString& error) {
              stQuerySandboxApproveRecordsReq req;
              req.approveStatus = f.text("approveStatus");
              req.startTime = f.text("startTime");
              req.endTime = f.text("endTime");
              if (!f.integer("pageIndex", -1, req.pageIndex, error) || !f.integer("pageSize", -1, req.pageSize, error)) {
                  return false;
              }
              stQuerySandboxApproveRecordsRsp rsp;
              result = API::getInstance()->querySandboxApproveRecords(req, rsp);
              response = toJson(rsp);
              return true;
          }}},
        {"getSandboxApproveNotice",
         {{"recordIds"},
          [](const Fields& f, int& result, QJsonObject& response, QString&) {
              stSandboxApproveNoticeRsp rsp;
              result = API::getInstance()->getSandboxApproveNotice(f.text("recordIds"), rsp);
              response = toJson(rsp);
              return true;
          }}},
        {"checkSession",
         {{},
          [](const Fields&, int& result, QJsonObject& response, QString&) {
              stCheckSessionRsp rsp;
              result = API::getInstance()->checkSession(rsp);
              response = toJson(rsp);
              return true;
          }}},
        {"uploadEventResult",
         {{"eventid"},
          [](const Fields& f, int& result, QJsonObject& response, QString&) {
              stHttpRsp rsp;
              result = API::getInstance()->uploadEventResult(f.text("eventid"), rsp);
              response = toJson(rsp);
              return true;
          }}},
        {"submitSandboxApply",
         {{"approveType", "applyReason", "fileId", "sandboxId", "sandboxName", "fileName", "fileSize", "fileMd5"},
          [](const Fields& f, int& result, QJsonObject& response, QString& error) {
              stSubmitSandboxApplyReq req;
              req.approveType = f.text("approveType");
              req.applyReason = f.text("applyReason");
              req.fileId = f.text("fileId");
              req.sandboxId = f.text("sandboxId");
              req.sandboxName = f.text("sandboxName");
              req.fileName = f.text("fileName");
              req.fileMd5 = f.text("fileMd5");
              int size = 0;
              if (!f.integer("fileSize", 0, size, error)) {
                  return false;
              }
              req.fileSize = size;
              stHttpRsp rsp;
              result = API::getInstance()->submitSandboxApply(req, rsp);
              response = toJson(rsp);
              return true;
          }}},
        {"getSandBoxPolicy",
         {{},
          [](const Fields&, int& result, QJsonObject& response, QString&) {
              stSandBoxPolicyRsp rsp;
              result = API::getInstance()->getSandBoxPolicy(rsp);
              response = toJson(rsp);
              return true;
          }}},
        {"getPersonalCertInfo",
         {{},
          [](const Fields&, int& result, QJsonObject& response, QString&) {
              stPersonalCertInfoRsp rsp;
              result = API::getInstance()->getPersonalCertInfo(rsp);
              response = toJson(rsp);
              return true;
          }}},
        {"sandboxUpload",
         {{"file"},
          [](const Fields& f, int& result, QJsonObject& response, QString&) {
              stSandboxUploadRsp rsp;
              result = API::getInstance()->sandboxUpload(stSandboxUploadReq{f.text("file")}, rsp);
              response = toJson(rsp);
              return true;
          }}},
        {"reqNewSandboxToken",
         {{},
          [](const Fields&, int& result, QJsonObject&, QString&) {
              // The token itself stays in init.ini.
              result = API::getInstance()->reqNewSandboxToken();
              return true;
          }}},
        {"reqNewSandboxStart",
         {{"sandboxName", "imageId", "sharePath", "bridgeIp", "ipAddr", "ipv6Addr", "title", "execUser"},
          [](const Fields& f, int& result, QJsonObject& response, QString&) {
              const stNewSandboxStartReq req{f.text("sandboxName"), f.text("imageId"),  f.text("sharePath"),
                                             f.text("bridgeIp"),    f.text("ipAddr"),   f.text("ipv6Addr"),
                                             f.text("title"),       f.text("execUser")};
              stNewSandboxRsp rsp;
              result = API::getInstance()->reqNewSandboxStart(req, rsp);
              response = toJson(rsp);
              return true;
          }}},
        {"reqNewSandboxStop",
         {{"sandboxName", "exitType"},
          [](const Fields& f, int& result, QJsonObject& response, QString& error) {
              int exitType = 0;
              if (!f.integer("exitType", 0, exitType, error)) {
                  return false;
              }
              stNewSandboxRsp rsp;
              result = API::getInstance()->reqNewSandboxStop(f.text("sandboxName"), exitType, rsp);
              response = toJson(rsp);
              return true;
          }}},
        {"reqNewSandboxShowType",
         {{"sandboxName", "showType"},
          [](const Fields& f, int& result, QJsonObject& response, QString& error) {
              int showType = 0;
              if (!f.integer("showType", 0, showType, error)) {
                  return false;
              }
              stNewSandboxRsp rsp;
              result = API::getInstance()->reqNewSandboxShowType(f.text("sandboxName"), showType, rsp);
              response = toJson(rsp);
              return true;
          }}},
        {"reqNewSandboxSwitch",
         {{"sandboxName", "model"},
          [](const Fields& f, int& result, QJsonObject& response, QString& error) {
              int model = 0;
              if (!f.integer("model", 0, model, error)) {
                  return false;
              }
              stNewSandboxRsp rsp;
              result = API::getInstance()->reqNewSandboxSwitch(f.text("sandboxName"), model, rsp);
              response = toJson(rsp);
              return true;
          }}},
        {"reqNewSandboxImportFile",
         {{"sandboxName", "importPath", "importConPath", "nocoverFile"},
          [](const Fields& f, int& result, QJsonObject& response, QString& error) {
              int nocover = 0;
              if (!f.integer("nocoverFile", 0, nocover, error)) {
                  return false;
              }
              stNewSandboxRsp rsp;
              result = API::getInstance()->reqNewSandboxImportFile(f.text("sandboxName"), f.text("importPath"),
                                                                   f.text("importConPath"), nocover, rsp);
              response = toJson(rsp);
              return true;
          }}},
        {"reqNewSandboxExportFile",
         {{"sandboxName", "exportPath", "exportConPath", "nocoverFile"},
          [](const Fields& f, int& result, QJsonObject& response, QString& error) {
              int nocover = 0;
              if (!f.integer("nocoverFile", 0, nocover, error)) {
                  return false;
              }
              stNewSandboxRsp rsp;
              result = API::getInstance()->reqNewSandboxExportFile(f.text("sandboxName"), f.text("exportPath"),
                                                                   f.text("exportConPath"), nocover, rsp);
              response = toJson(rsp);
              return true;
          }}},
        {"reqNewSandboxIsRunning",
         {{"sandboxName"},
          [](const Fields& f, int& result, QJsonObject& response, QString&) {
              stNewSandboxRsp rsp;
              result = API::getInstance()->reqNewSandboxIsRunning(f.text("sandboxName"), rsp);
              response = toJson(rsp);
              return true;
          }}},
        {"reqNewSandboxImagesSync",
         {{},
          [](const Fields&, int& result, QJsonObject& response, QString&) {
              stNewSandboxRsp rsp;
              result = API::getInstance()->reqNewSandboxImagesSync(rsp);
              response = toJson(rsp);
              return true;
          }}},
        {"reqNewSandboxImageStatus",
         {{},
          [](const Fields&, int& result, QJsonObject& response, QString&) {
              stNewSandboxRsp rsp;
              result = API::getInstance()->reqNewSandboxImageStatus(rsp);
              response = toJson(rsp);
              return true;
          }}},
        {"getCorvisDevInfo",
         {{},
          [](const Fields&, int& result, QJsonObject& response, QString&) {
              const std::string devInfo = API::getCorvisDevInfo();
              result = devInfo.empty() ? -1 : 0;
              response = {{"devinfo", QString::fromStdString(devInfo)}};
              return true;
          }}},
    };
    return table;
}

int runApi(const QStringList& args, QJsonObject& out, QString& error)
{
    if (args.isEmpty()) {
        QStringList names;
        for (const auto& call : calls()) {
            names.append(call.first);
        }
        error = QStringLiteral("which call? one of: ") + names.join(QLatin1Char(' '));
        return 1;
    }
    const auto call = calls().find(args.first());
    if (call == calls().end()) {
        error = QStringLiteral("unknown call \"%1\"").arg(args.first());
        return 1;
    }
    QMap<QString, QString> values;
    for (const QString& arg : args.mid(1)) {
        const int eq = arg.indexOf(QLatin1Char('='));
        const QString key = arg.left(eq);
        if (eq <= 0 || !call->second.keys.contains(key)) {
            error = QStringLiteral("%1 takes key=value with the keys: %2")
                        .arg(call->first, call->second.keys.isEmpty() ? QStringLiteral("(none)")
                                                                      : call->second.keys.join(QLatin1Char(' ')));
            return 1;
        }
        values.insert(key, arg.mid(eq + 1));
    }
    int result = 0;
    QJsonObject response;
    if (!call->second.run(Fields(values), result, response, error)) {
        return 1;
    }
    out.insert(QStringLiteral("api"), call->first);
    out.insert(QStringLiteral("result"), result);
    out.insert(QStringLiteral("response"), response);
    return 0;
}

const InspectRegistrar registrar(QStringLiteral("api"), QStringLiteral("api NAME [key=value ...]"), runApi);

}  // namespace
