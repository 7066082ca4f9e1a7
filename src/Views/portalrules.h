#pragma once

#include "corviscommon/edition.h"
#include "src/PolicyAnalyzer/st_resource.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// What the portal decides without widgets: which entries a list build shows and in which state,
// what every tab counts, how an entry is opened, the single-sign-on address of a web
// application, and texts from outside made safe for tabs and tooltips.
class PortalRules
{
public:
    // What a list build filters out and how it applies the dynamic authorization.
    struct BuildFilter {
        bool netmode = false;         // a current network mode is known: only its applications
        QSet<QString> modeApps;
        bool addressFamily = false;   // hide what the host's address families cannot reach
        bool hostHasIpv4 = true;
        bool hostHasIpv6 = true;
        bool allEnabled = true;       // false: the blocked ids (all, when none) are stopped
        QSet<QString> blocked;
    };

    // The entries of `read` a build shows, in order, with `enable` cleared for stopped ones. Logs
    // every entry it leaves out.
    static QList<st_resource> shownEntries(const QList<st_resource>& read, const BuildFilter& filter);
    // Whether the address-family filter hides an entry with this address (`why` gets the line).
    static bool hiddenByAddressFamily(const QString& url, bool hostHasIpv4, bool hostHasIpv6, QString* why = nullptr);
    // The editions that reach every application through their own gateway skip that filter.
    static bool filtersAddressFamily(const corvis::Edition& edition);
    // Whether the dynamic authorization stops `id`: with the flag down, an empty blocked set stops
    // every entry.
    static bool stoppedByDynamicAuth(const QString& id, bool allEnabled, const QSet<QString>& blocked);

    // The category ids an entry belongs to: its uidclassid, or each id of a list of them
    // (separated by ",", ";", "|" or blanks).
    static QStringList categoryIds(const QString& uidclassid);
    static bool inCategory(const QString& uidclassid, const QString& categoryId);
    // A category becomes a tab unless its id is "-1" or "0" or it says it holds nothing.
    static bool categoryShown(const QString& acfid, int icount);
    static bool nameMatches(const QString& name, const QString& key);

    struct TabCounts {
        int all = 0;
        int favourites = 0;
        QHash<QString, int> categories;  // by category id
    };
    // Every tab's count in one pass over the entries.
    static TabCounts countTabs(const QList<st_resource>& entries);

    // How an entry opens, in the order the checks are made.
    enum class OpenAction {
        ClientWeb,  // ResourceType 1: the client service opens it (115)
        Protected,  // isProtectApp: the client service opens it in its protection (99)
        Browser,    // RunMode 1: the browser on this desktop
        ClientApp,  // anything else: a client/server application (100)
    };
    static OpenAction openAction(const st_resource& entry);
    // The request body of the action (empty for the browser).
    static QString openBody(OpenAction action, const st_resource& entry, qint64 nowMs);

    // The controller's single-sign-on answer: a token to add, none, or a refusal.
    enum class SsoOutcome { Token, EmptyToken, Refused };
    static SsoOutcome ssoOutcome(int status, const QString& token);
    // `url` with the token added as the query's "sso_token" (encoded, so that a "&", "+" or "#"
    // in it cannot change the address), an empty "customerize" and "dev_type=linux".
    static QString ssoUrl(const QString& url, const QString& token);

    // "%1(%2)": a tab's name and count.
    static QString tabText(const QString& name, int count);
    // A name as a tab's text: "&" stays a character instead of marking a shortcut.
    static QString tabLabel(const QString& text);
    // A tooltip that Qt shows as the text it is, even when the text looks like markup.
    static QString plainToolTip(const QString& text);
    // The search tab's hint.
    static QString searchHint(const QString& key, int found);

    PortalRules() = delete;
};
