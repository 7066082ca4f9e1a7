#include "login/loginresultfile.h"

#include "corviscommon/productpaths.h"
#include "src/PolicyAnalyzer/documentfile.h"

#include <QJsonDocument>

namespace {

QString textOf(const QJsonObject& root, const char* key)
{
    const QJsonValue value = root.value(QLatin1String(key));
    return value.isString() ? value.toString() : QString();
}

}  // namespace

QString LoginResultFile::path()
{
    return corvis::paths::loginJson();
}

LoginResultFile LoginResultFile::read()
{
    LoginResultFile file;
    QByteArray bytes;
    switch (DocumentFile::read(path(), bytes)) {
    case DocumentFile::Missing:
        file.outcome = Missing;
        return file;
    case DocumentFile::Unreadable:
        file.outcome = Unreadable;
        return file;
    case DocumentFile::Ok:
        break;
    }
    const QJsonDocument doc = QJsonDocument::fromJson(bytes);
    if (!doc.isObject()) {
        file.outcome = Unreadable;
        return file;
    }
    const QJsonObject root = doc.object();
    file.outcome = Ok;
    const QJsonValue status = root.value(QLatin1String("status"));
    file.status = status.isDouble() ? status.toInt(-1) : -1;
    if (root.value(QLatin1String("msg")).isString()) {
        file.msg = root.value(QLatin1String("msg")).toString();
    }
    file.sessionId = textOf(root, "sessionId");
    file.loginName = textOf(root, "loginName");
    file.accessToken = textOf(root, "accessToken");
    file.allowChangePwd = textOf(root, "allowChangePwd");
    const QJsonValue result = root.value(QLatin1String("result"));
    file.hasResult = result.isObject();
    file.result = result.toObject();
    return file;
}
