#include "simqrcode.h"

#include "corviscommon/productpath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

#include <cstdio>

namespace {

const QString kDefaultUrl = QStringLiteral("https://portal.corvis.example/mobile/qrlogin?sign=%1");
const QString kDefaultUser = QStringLiteral("alice");
const QString kDefaultAuthcode = QStringLiteral("7Q4K-ALICE-2024");
const QString kDefaultSessionid = QStringLiteral("qr-session-alice");

QString defaultMsg(int status)
{
    switch (status) {
    case 2004:
        return QStringLiteral("等待扫码");
    case 2001:
        return QStringLiteral("扫码成功，请在手机上确认");
    case 2002:
        return QStringLiteral("扫码登录确认成功");
    case 2003:
        return QStringLiteral("二维码已过期，请刷新二维码");
    case 6002:
        return QStringLiteral("扫码登录已被取消，请刷新二维码");
    default:
        return QStringLiteral("扫码状态异常");
    }
}

bool fail(QString* error, const QString& text)
{
    if (error != nullptr) {
        *error = text;
    }
    return false;
}

bool isCount(const QJsonValue& value)
{
    return value.isDouble() && value.toDouble() >= 0 && value.toDouble() <= 1000000 &&
           value.toDouble() == static_cast<double>(value.toInt());
}

QJsonObject answer(const QJsonObject& base, int status, const QJsonValue& reply)
{
    QJsonObject response = base;
    response.insert(QStringLiteral("status"), status);
    response.insert(QStringLiteral("reply"), reply);
    return response;
}

int usage()
{
    std::fprintf(stderr,
                 "usage: corvissim qrcode scan|confirm|expire|cancel [--user NAME] [--authcode CODE] "
                 "[--sessionid ID] [--msg TEXT]\n");
    return 2;
}

}  // namespace

SimQrcode& SimQrcode::instance()
{
    static SimQrcode qrcode;
    return qrcode;
}

QString SimQrcode::eventPath()
{
    return QString::fromStdString(corvis::pathPrefix()) + QStringLiteral("/sim/qrcode.json");
}

bool SimQrcode::check(const QJsonValue& value, QString* error)
{
    if (value.isBool()) {
        return value.toBool() || fail(error, QStringLiteral("true or an object expected"));
    }
    if (!value.isObject()) {
        return fail(error, QStringLiteral("true or an object with \"timeline\" and \"url\" expected"));
    }
    const QJsonObject object = value.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.key() == QLatin1String("url")) {
            if (!it.value().isString() || !it.value().toString().contains(QLatin1String("%1"))) {
                return fail(error, QStringLiteral("url: a text with %1 for the sign expected"));
            }
        } else if (it.key() == QLatin1String("timeline")) {
            if (!it.value().isArray()) {
                return fail(error, QStringLiteral("timeline: an array of steps expected"));
            }
            const QJsonArray steps = it.value().toArray();
            for (int i = 0; i < steps.size(); ++i) {
                const QString at = QStringLiteral("timeline[%1]").arg(i);
                if (!steps.at(i).isObject()) {
                    return fail(error, at + QStringLiteral(": a step object expected"));
                }
                const QJsonObject step = steps.at(i).toObject();
                if (!isCount(step.value(QStringLiteral("after"))) || !isCount(step.value(QStringLiteral("status")))) {
                    return fail(error, at + QStringLiteral(": \"after\" (heartbeats) and \"status\" numbers expected"));
                }
                for (auto s = step.begin(); s != step.end(); ++s) {
                    static const QStringList texts = {QStringLiteral("username"), QStringLiteral("authcode"),
                                                      QStringLiteral("sessionid"), QStringLiteral("msg")};
                    if (s.key() == QLatin1String("after") || s.key() == QLatin1String("status")) {
                        continue;
                    }
                    if (!texts.contains(s.key())) {
                        return fail(error, at + QStringLiteral(".%1: unknown key").arg(s.key()));
                    }
                    if (!s.value().isString()) {
                        return fail(error, at + QStringLiteral(".%1: a text expected").arg(s.key()));
                    }
                }
            }
        } else {
            return fail(error, QStringLiteral("%1: unknown key").arg(it.key()));
        }
    }
    return true;
}

SimQrcode::Step SimQrcode::stepFrom(const QJsonObject& object)
{
    Step step;
    step.after = object.value(QStringLiteral("after")).toInt();
    step.status = object.value(QStringLiteral("status")).toInt(2004);
    const bool scanned = step.status == 2001 || step.status == 2002;
    step.username = object.value(QStringLiteral("username")).toString(scanned ? kDefaultUser : QString());
    if (step.status == 2002) {
        step.authcode = object.value(QStringLiteral("authcode")).toString(kDefaultAuthcode);
        step.sessionid = object.value(QStringLiteral("sessionid")).toString(kDefaultSessionid);
    }
    step.msg = object.value(QStringLiteral("msg")).toString(defaultMsg(step.status));
    return step;
}

QJsonObject SimQrcode::heartbeatReply(const Step& step)
{
    QJsonObject data;
    if (step.status == 2001 || step.status == 2002) {
        data.insert(QStringLiteral("username"), step.username);
    }
    if (step.status == 2002) {
        data.insert(QStringLiteral("authcode"), step.authcode);
        data.insert(QStringLiteral("sessionid"), step.sessionid);
    }
    return QJsonObject{{QStringLiteral("status"), step.status},
                       {QStringLiteral("msg"), step.msg},
                       {QStringLiteral("data"), data}};
}

// An event left by `corvissim qrcode`: taken once, by the flow that polls next.
bool SimQrcode::takeEvent(Step* step)
{
    QFile file(eventPath());
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    file.close();
    file.remove();
    if (!document.isObject()) {
        std::fprintf(stderr, "corvissim: %s is not a JSON object, ignored\n", eventPath().toLocal8Bit().constData());
        return false;
    }
    *step = stepFrom(document.object());
    return true;
}

bool SimQrcode::respond(const SimRequest& request, const QJsonValue& value, const QJsonObject& base,
                        QJsonObject* response)
{
    const QJsonObject options = value.toObject();
    const QString sign = QString::fromUtf8(request.body);
    std::lock_guard<std::mutex> lock(mutex_);
    switch (request.type) {
    case kSign: {
        current_ = QStringLiteral("qrsign-%1").arg(++issued_, 4, 10, QLatin1Char('0'));
        flows_.insert(current_, Flow());
        *response = answer(base, 0, QJsonObject{{QStringLiteral("code"), 0},
                                                {QStringLiteral("data"), QJsonObject{{QStringLiteral("sign"), current_}}}});
        return true;
    }
    case kUrl: {
        if (!flows_.contains(sign) || flows_.value(sign).cancelled) {
            *response = answer(base, 1, QStringLiteral("签名无效"));
            return true;
        }
        const QString url = options.value(QStringLiteral("url")).toString(kDefaultUrl).arg(sign);
        *response = answer(base, 0, QJsonObject{{QStringLiteral("loginurl"), url}});
        return true;
    }
    case kHeartbeat: {
        auto flow = flows_.find(sign);
        if (flow == flows_.end() || flow->cancelled) {
            Step ended;
            ended.status = 2003;
            ended.msg = QStringLiteral("二维码已失效，请刷新二维码");
            *response = answer(base, 0, heartbeatReply(ended));
            return true;
        }
        ++flow->heartbeats;
        Step event;
        if (sign == current_ && takeEvent(&event)) {
            flow->overridden = true;
            flow->state = event;
        }
        Step state = stepFrom(QJsonObject{{QStringLiteral("status"), 2004}});
        if (flow->overridden) {
            state = flow->state;
        } else {
            int begins = 0;
            for (const QJsonValue& entry : options.value(QStringLiteral("timeline")).toArray()) {
                const Step step = stepFrom(entry.toObject());
                begins += step.after;
                if (flow->heartbeats <= begins) {
                    break;
                }
                state = step;
            }
        }
        *response = answer(base, 0, heartbeatReply(state));
        return true;
    }
    case kCancel: {
        auto flow = flows_.find(sign);
        if (flow == flows_.end()) {
            *response = answer(base, 1, QStringLiteral("签名无效"));
            return true;
        }
        flow->cancelled = true;
        *response = answer(base, 0, QJsonObject{{QStringLiteral("code"), 0}, {QStringLiteral("msg"), QStringLiteral("已取消")}});
        return true;
    }
    default:
        return false;
    }
}

int SimQrcode::command(const QStringList& args)
{
    if (args.isEmpty()) {
        return usage();
    }
    static const QHash<QString, int> events = {
        {QStringLiteral("scan"), 2001}, {QStringLiteral("confirm"), 2002},
        {QStringLiteral("expire"), 2003}, {QStringLiteral("cancel"), 6002}};
    const auto event = events.constFind(args.first());
    if (event == events.constEnd()) {
        return usage();
    }
    QJsonObject state{{QStringLiteral("status"), event.value()}};
    static const QHash<QString, QString> options = {{QStringLiteral("--user"), QStringLiteral("username")},
                                                   {QStringLiteral("--authcode"), QStringLiteral("authcode")},
                                                   {QStringLiteral("--sessionid"), QStringLiteral("sessionid")},
                                                   {QStringLiteral("--msg"), QStringLiteral("msg")}};
    for (int i = 1; i < args.size(); i += 2) {
        const auto option = options.constFind(args.at(i));
        if (option == options.constEnd() || i + 1 >= args.size()) {
            return usage();
        }
        state.insert(option.value(), args.at(i + 1));
    }
    if (corvis::pathPrefix().empty()) {
        std::fprintf(stderr, "corvissim: CORVISBENCH_PREFIX is not set\n");
        return 1;
    }
    const QString path = eventPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(state).toJson(QJsonDocument::Compact)) < 0 ||
        !file.commit()) {
        std::fprintf(stderr, "corvissim: cannot write %s\n", path.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
