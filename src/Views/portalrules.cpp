#include "src/Views/portalrules.h"

#include "corviscommon/logging.h"
#include "corviscommon/secretmask.h"

#include <QTextDocument>
#include <QUrl>

namespace {

bool isIdSeparator(QChar c)
{
    return c == QLatin1Char(',') || c == QLatin1Char(';') || c == QLatin1Char('|') || c.isSpace();
}

bool hasIdSeparator(const QString& text)
{
    for (const QChar c : text) {
        if (isIdSeparator(c)) {
            return true;
        }
    }
    return false;
}

}  // namespace

QList<st_resource> PortalRules::shownEntries(const QList<st_resource>& read, const BuildFilter& filter)
{
    if (filter.netmode) {
        QStringList ids(filter.modeApps.begin(), filter.modeApps.end());
        ids.sort();
        LOG(INFO) << "setModeApp: " << corvis::logSafe(ids.join(QLatin1Char(',')));
    }
    QList<st_resource> shown;
    shown.reserve(read.size());
    for (const st_resource& entry : read) {
        if (filter.netmode && !filter.modeApps.contains(entry.AppID)) {
            LOG(INFO) << "not in current netmode, appid is " << corvis::logSafe(entry.AppID);
            continue;
        }
        QString why;
        if (filter.addressFamily && hiddenByAddressFamily(entry.Url, filter.hostHasIpv4, filter.hostHasIpv6, &why)) {
            LOG(INFO) << why;
            continue;
        }
        shown.append(entry);
        if (stoppedByDynamicAuth(entry.AppID, filter.allEnabled, filter.blocked)) {
            shown.last().enable = false;
        }
    }
    return shown;
}

bool PortalRules::hiddenByAddressFamily(const QString& url, bool hostHasIpv4, bool hostHasIpv6, QString* why)
{
    // A bracketed host is an IPv6 literal; anything else is reached over IPv4.
    const bool ipv6 = url.contains(QLatin1Char('['));
    if (ipv6 && !hostHasIpv6) {
        if (why != nullptr) {
            *why = QStringLiteral("computer not support ipv6, so hidde ipv6 app, url:") + corvis::logSafe(url);
        }
        return true;
    }
    if (!ipv6 && !hostHasIpv4) {
        if (why != nullptr) {
            *why = QStringLiteral("computer not support ipv4, so hidde ipv4 app, url:") + corvis::logSafe(url);
        }
        return true;
    }
    return false;
}

bool PortalRules::filtersAddressFamily(const corvis::Edition& edition)
{
    return !edition.is(corvis::Edition::Id::BrastelZtna) && edition.project() != QLatin1String("brastel-common");
}

bool PortalRules::stoppedByDynamicAuth(const QString& id, bool allEnabled, const QSet<QString>& blocked)
{
    return !allEnabled && (blocked.isEmpty() || blocked.contains(id));
}

QStringList PortalRules::categoryIds(const QString& uidclassid)
{
    if (!hasIdSeparator(uidclassid)) {
        return uidclassid.isEmpty() ? QStringList() : QStringList{uidclassid};
    }
    QStringList ids;
    QString id;
    for (const QChar c : uidclassid) {
        if (!isIdSeparator(c)) {
            id.append(c);
        } else if (!id.isEmpty()) {
            if (!ids.contains(id)) {
                ids.append(id);
            }
            id.clear();
        }
    }
    if (!id.isEmpty() && !ids.contains(id)) {
        ids.append(id);
    }
    return ids;
}

bool PortalRules::inCategory(const QString& uidclassid, const QString& categoryId)
{
    // Whole ids only: category "1" does not take the entries of category "12".
    if (uidclassid == categoryId) {
        return true;
    }
    if (categoryId.isEmpty() || !hasIdSeparator(uidclassid)) {
        return false;
    }
    return categoryIds(uidclassid).contains(categoryId);
}

bool PortalRules::categoryShown(const QString& acfid, int icount)
{
    return acfid != QLatin1String("-1") && acfid != QLatin1String("0") && icount != 0;
}

bool PortalRules::nameMatches(const QString& name, const QString& key)
{
    return name.contains(key, Qt::CaseInsensitive);
}

PortalRules::TabCounts PortalRules::countTabs(const QList<st_resource>& entries)
{
    TabCounts counts;
    counts.all = entries.size();
    for (const st_resource& entry : entries) {
        if (entry.collect) {
            ++counts.favourites;
        }
        if (!hasIdSeparator(entry.uidclassid)) {
            if (!entry.uidclassid.isEmpty()) {
                ++counts.categories[entry.uidclassid];
            }
            continue;
        }
        for (const QString& id : categoryIds(entry.uidclassid)) {
            ++counts.categories[id];
        }
    }
    return counts;
}

PortalRules::OpenAction PortalRules::openAction(const st_resource& entry)
{
    if (entry.ResourceType == 1) {
        return OpenAction::ClientWeb;
    }
    if (entry.isProtectApp) {
        return OpenAction::Protected;
    }
    if (entry.RunMode == 1) {
        return OpenAction::Browser;
    }
    return OpenAction::ClientApp;
}

QString PortalRules::openBody(OpenAction action, const st_resource& entry, qint64 nowMs)
{
    switch (action) {
    case OpenAction::ClientWeb:
        return entry.AppID + QLatin1Char('&') + QString::number(nowMs);
    case OpenAction::Protected:
        return QStringLiteral("%1&%2").arg(entry.AppID, QString::number(entry.RunMode));
    case OpenAction::ClientApp:
        return entry.AppID;
    case OpenAction::Browser:
        break;
    }
    return QString();
}

PortalRules::SsoOutcome PortalRules::ssoOutcome(int status, const QString& token)
{
    if (status != 2000) {
        return SsoOutcome::Refused;
    }
    return token.isEmpty() ? SsoOutcome::EmptyToken : SsoOutcome::Token;
}

QString PortalRules::ssoUrl(const QString& url, const QString& token)
{
    const QChar joiner = url.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?');
    return url + joiner + QStringLiteral("sso_token=") + QString::fromLatin1(QUrl::toPercentEncoding(token)) +
           QStringLiteral("&customerize=") + QStringLiteral("&dev_type=linux");
}

QString PortalRules::tabText(const QString& name, int count)
{
    // One pass: a "%2" inside the name stays as it is.
    return QStringLiteral("%1(%2)").arg(name, QString::number(count));
}

QString PortalRules::tabLabel(const QString& text)
{
    QString label = text;
    return label.replace(QLatin1Char('&'), QLatin1String("&&"));
}

QString PortalRules::plainToolTip(const QString& text)
{
    if (!Qt::mightBeRichText(text)) {
        return text;
    }
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

QString PortalRules::searchHint(const QString& key, int found)
{
    return QStringLiteral("一共找到 “%1” 相关结果 %2 个").arg(key, QString::number(found));
}
