#include "login/improveuserinforeader.h"

#include "comm/cs_ret_status.h"
#include "corviscommon/logging.h"
#include "corviscommon/secretmask.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>

namespace {

const QString kDataError = QStringLiteral("后台数据处理异常！");

// A text as it stands, a number as its decimal text; anything else is empty.
QString textOf(const QJsonValue& value)
{
    if (value.isString()) {
        return value.toString();
    }
    if (value.isDouble()) {
        return QString::number(value.toDouble(), 'g', 15);
    }
    return QString();
}

// An integer sent as a number or as a decimal text; `fallback` for anything else.
int integerOf(const QJsonValue& value, int fallback)
{
    if (value.isDouble()) {
        const double d = value.toDouble();
        if (std::isfinite(d) && d == std::floor(d) && d >= std::numeric_limits<int>::min() &&
            d <= std::numeric_limits<int>::max()) {
            return static_cast<int>(d);
        }
        return fallback;
    }
    if (value.isString()) {
        bool ok = false;
        const int parsed = value.toString().trimmed().toInt(&ok, 10);
        return ok ? parsed : fallback;
    }
    return fallback;
}

// "elementfeatureJson" comes as an object or as the text of one.
QJsonObject featureOf(const QJsonValue& value)
{
    if (value.isObject()) {
        return value.toObject();
    }
    if (value.isString()) {
        return QJsonDocument::fromJson(value.toString().toUtf8()).object();
    }
    return QJsonObject();
}

}  // namespace

st_ImproveUserInfoElements ImproveUserInfoReader::element(const QJsonObject& entry)
{
    st_ImproveUserInfoElements element;
    element.iorder = integerOf(entry.value(QLatin1String("iorder")), st_ImproveUserInfoElements::kNoOrder);
    element.iisrequired = integerOf(entry.value(QLatin1String("iisrequired")), 0);
    element.ielementtype = integerOf(entry.value(QLatin1String("ielementtype")), 0);
    element.strelementdesc = textOf(entry.value(QLatin1String("strelementdesc")));
    element.strelementname = textOf(entry.value(QLatin1String("strelementname")));
    element.strelementvalue = textOf(entry.value(QLatin1String("strelementvalue")));
    element.uidelementid = textOf(entry.value(QLatin1String("uidelementid")));
    const QJsonArray options =
        featureOf(entry.value(QLatin1String("elementfeatureJson"))).value(QLatin1String("selectOption")).toArray();
    for (const QJsonValue& value : options) {
        if (element.selectOption.size() >= kMaxOptions) {
            LOG(WARNING) << "parseImproveUserInfoElements element " << corvis::logSafe(element.uidelementid)
                         << " has more than " << kMaxOptions << " options, the rest is dropped";
            break;
        }
        const QJsonObject option = value.toObject();
        if (option.isEmpty()) {
            continue;
        }
        element.selectOption.append({textOf(option.value(QLatin1String("name"))), textOf(option.value(QLatin1String("value")))});
    }
    return element;
}

bool ImproveUserInfoReader::read(QString& msg, QVector<st_ImproveUserInfoElements>& elements)
{
    LOG(INFO) << "parseImproveUserInfoElements enter!";
    return parse(LoginResultFile::read(), msg, elements);
}

bool ImproveUserInfoReader::parse(const LoginResultFile& file, QString& msg, QVector<st_ImproveUserInfoElements>& elements)
{
    elements.clear();
    switch (file.outcome) {
    case LoginResultFile::Missing:
        LOG(INFO) << "parseImproveUserInfoElements login JSON not exist!";
        msg = kDataError;
        return false;
    case LoginResultFile::Unreadable:
        LOG(ERROR) << "parseImproveUserInfoElements login JSON can't be read!";
        msg = kDataError;
        return false;
    case LoginResultFile::Ok:
        break;
    }
    // A refusal carries its reason and usually no elements: its text says more than "no result".
    if (file.status != CS_DOC_SUCCESS) {
        LOG(INFO) << "parseImproveUserInfoElements status:" << file.status;
        msg = file.msg;
        return false;
    }
    if (!file.hasResult) {
        LOG(ERROR) << "parseImproveUserInfoElements ParseError, no result!";
        msg = kDataError;
        return false;
    }
    const QJsonValue list = file.result.value(QLatin1String("pageElements"));
    if (!list.isArray()) {
        LOG(ERROR) << "parseImproveUserInfoElements ParseError, no pageElements!";
        msg = kDataError;
        return false;
    }
    const QJsonArray entries = list.toArray();
    for (const QJsonValue& value : entries) {
        if (elements.size() >= kMaxElements) {
            LOG(WARNING) << "parseImproveUserInfoElements " << entries.size() << " elements, only the first "
                         << kMaxElements << " are shown";
            break;
        }
        if (!value.isObject()) {
            LOG(WARNING) << "parseImproveUserInfoElements an element that is not an object is skipped";
            continue;
        }
        elements.append(element(value.toObject()));
    }
    LOG(INFO) << "parseImproveUserInfoElements succ! elements: " << elements.size();
    return true;
}
