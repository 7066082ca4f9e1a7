// The portal's widget-free rules: which entries a build shows (network mode, address families,
// dynamic authorization), categories and tab counts, the order in which an entry is opened, the
// single-sign-on address, and texts from outside made safe for tabs and tooltips.

#include "src/Views/portalrules.h"

#include <QTextDocument>
#include <QtTest>

class TestPortalRules : public QObject
{
    Q_OBJECT

private slots:
    void shownEntries_data();
    void shownEntries();
    void addressFamilyEditions_data();
    void addressFamilyEditions();
    void categories_data();
    void categories();
    void categoryShown_data();
    void categoryShown();
    void countTabs_data();
    void countTabs();
    void search_data();
    void search();
    void openAction_data();
    void openAction();
    void ssoUrl_data();
    void ssoUrl();
    void texts_data();
    void texts();
};

namespace {

st_resource entry(const QString& id, const QString& url = QString(), const QString& cat = QString(), bool collect = false)
{
    st_resource r;
    r.AppID = id;
    r.AppName = QStringLiteral("name-") + id;
    r.Url = url;
    r.uidclassid = cat;
    r.collect = collect;
    r.enable = true;
    return r;
}

// "id" for an enabled shown entry, "id!" for a stopped one.
QStringList describe(const QList<st_resource>& shown)
{
    QStringList out;
    for (const st_resource& r : shown) {
        out.append(r.enable ? r.AppID : r.AppID + QLatin1Char('!'));
    }
    return out;
}

QSet<QString> setOf(const QStringList& list)
{
    return QSet<QString>(list.begin(), list.end());
}

}  // namespace

void TestPortalRules::shownEntries_data()
{
    QTest::addColumn<bool>("netmode");
    QTest::addColumn<QStringList>("modeApps");
    QTest::addColumn<bool>("addressFamily");
    QTest::addColumn<bool>("ipv4");
    QTest::addColumn<bool>("ipv6");
    QTest::addColumn<bool>("allEnabled");
    QTest::addColumn<QStringList>("blocked");
    QTest::addColumn<QStringList>("shown");

    // a: host name, b: IPv4 address, c: bracketed IPv6 address.
    const QStringList all{"a", "b", "c", "a"};
    QTest::newRow("no filter keeps all, duplicates as read") << false << QStringList() << false << true << false << true << QStringList() << all;
    QTest::newRow("netmode keeps its apps") << true << QStringList{"a", "c"} << false << true << true << true << QStringList()
                                            << QStringList{"a", "c", "a"};
    QTest::newRow("netmode with no apps hides all") << true << QStringList() << false << true << true << true << QStringList() << QStringList();
    QTest::newRow("no ipv6 hides bracketed url") << false << QStringList() << true << true << false << true << QStringList()
                                                 << QStringList{"a", "b", "a"};
    QTest::newRow("no ipv4 keeps only ipv6") << false << QStringList() << true << false << true << true << QStringList() << QStringList{"c"};
    QTest::newRow("dual stack keeps all") << false << QStringList() << true << true << true << true << QStringList() << all;
    QTest::newRow("filter off ignores missing ipv6") << false << QStringList() << false << true << false << true << QStringList() << all;
    QTest::newRow("stopped ids disabled") << false << QStringList() << false << true << true << false << QStringList{"b"}
                                          << QStringList{"a", "b!", "c", "a"};
    QTest::newRow("empty stop list stops all") << false << QStringList() << false << true << true << false << QStringList()
                                               << QStringList{"a!", "b!", "c!", "a!"};
    QTest::newRow("released ignores stale blocked") << false << QStringList() << false << true << true << true << QStringList{"a"} << all;
    QTest::newRow("id case matters") << false << QStringList() << false << true << true << false << QStringList{"A"}
                                     << QStringList{"a", "b", "c", "a"};
    QTest::newRow("netmode then stop") << true << QStringList{"b", "c"} << true << true << false << false << QStringList{"b"}
                                       << QStringList{"b!"};
}

void TestPortalRules::shownEntries()
{
    QFETCH(bool, netmode);
    QFETCH(QStringList, modeApps);
    QFETCH(bool, addressFamily);
    QFETCH(bool, ipv4);
    QFETCH(bool, ipv6);
    QFETCH(bool, allEnabled);
    QFETCH(QStringList, blocked);
    QFETCH(QStringList, shown);

    const QList<st_resource> read{entry("a", "https://oa.example.com/login"), entry("b", "http://10.1.2.3:8080/"),
                                  entry("c", "http://[fd00::12]:8443/app"), entry("a", "https://oa.example.com/again")};
    PortalRules::BuildFilter filter;
    filter.netmode = netmode;
    filter.modeApps = setOf(modeApps);
    filter.addressFamily = addressFamily;
    filter.hostHasIpv4 = ipv4;
    filter.hostHasIpv6 = ipv6;
    filter.allEnabled = allEnabled;
    filter.blocked = setOf(blocked);
    QCOMPARE(describe(PortalRules::shownEntries(read, filter)), shown);
}

void TestPortalRules::addressFamilyEditions_data()
{
    QTest::addColumn<QString>("project");
    QTest::addColumn<bool>("filters");
    QTest::newRow("standard") << "" << true;
    QTest::newRow("kav") << "kav" << true;
    QTest::newRow("rolq") << "rolq" << true;
    QTest::newRow("brastel-ztna") << "brastel-ztna" << false;
    QTest::newRow("brastel-common") << "brastel-common" << false;
    QTest::newRow("unknown project") << "brastel" << true;
}

void TestPortalRules::addressFamilyEditions()
{
    QFETCH(QString, project);
    QFETCH(bool, filters);
    QCOMPARE(PortalRules::filtersAddressFamily(corvis::Edition::fromProject(project)), filters);
}

void TestPortalRules::categories_data()
{
    QTest::addColumn<QString>("uidclassid");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<bool>("inCategory");
    QTest::newRow("single id") << "12" << "12" << QStringList{"12"} << true;
    QTest::newRow("prefix is not the id") << "12" << "1" << QStringList{"12"} << false;
    QTest::newRow("list with commas") << "3,12,7" << "12" << QStringList{"3", "12", "7"} << true;
    QTest::newRow("list, part of an id") << "3,12,7" << "2" << QStringList{"3", "12", "7"} << false;
    QTest::newRow("mixed separators, repeats once") << " 4;5| 4 " << "5" << QStringList{"4", "5"} << true;
    QTest::newRow("empty") << "" << "1" << QStringList() << false;
    QTest::newRow("empty category id") << "1,2" << "" << QStringList{"1", "2"} << false;
    QTest::newRow("regex characters are plain") << "a.b" << "a.b" << QStringList{"a.b"} << true;
    QTest::newRow("regex dot does not match") << "axb" << "a.b" << QStringList{"axb"} << false;
}

void TestPortalRules::categories()
{
    QFETCH(QString, uidclassid);
    QFETCH(QString, category);
    QFETCH(QStringList, ids);
    QFETCH(bool, inCategory);
    QCOMPARE(PortalRules::categoryIds(uidclassid), ids);
    QCOMPARE(PortalRules::inCategory(uidclassid, category), inCategory);
}

void TestPortalRules::categoryShown_data()
{
    QTest::addColumn<QString>("acfid");
    QTest::addColumn<int>("icount");
    QTest::addColumn<bool>("shown");
    QTest::newRow("normal") << "7" << 3 << true;
    QTest::newRow("count unknown") << "7" << -1 << true;
    QTest::newRow("empty category") << "7" << 0 << false;
    QTest::newRow("id -1") << "-1" << 5 << false;
    QTest::newRow("id 0") << "0" << 5 << false;
}

void TestPortalRules::categoryShown()
{
    QFETCH(QString, acfid);
    QFETCH(int, icount);
    QFETCH(bool, shown);
    QCOMPARE(PortalRules::categoryShown(acfid, icount), shown);
}

void TestPortalRules::countTabs_data()
{
    QTest::addColumn<QList<st_resource>>("entries");
    QTest::addColumn<int>("all");
    QTest::addColumn<int>("favourites");
    QTest::addColumn<QStringList>("categoryCounts");  // "id=n", sorted

    QTest::newRow("empty") << QList<st_resource>() << 0 << 0 << QStringList();
    QTest::newRow("categories and favourites")
        << QList<st_resource>{entry("a", "", "1", true), entry("b", "", "1"), entry("c", "", "2", true), entry("d", "", "")} << 4 << 2
        << QStringList{"1=2", "2=1"};
    QTest::newRow("entry in several categories")
        << QList<st_resource>{entry("a", "", "1,2"), entry("b", "", "2;3"), entry("c", "", "12")} << 3 << 0 << QStringList{"12=1", "1=1", "2=2", "3=1"};
    QTest::newRow("duplicate ids counted as read") << QList<st_resource>{entry("a", "", "1", true), entry("a", "", "1", true)} << 2 << 2
                                                   << QStringList{"1=2"};
}

void TestPortalRules::countTabs()
{
    QFETCH(QList<st_resource>, entries);
    QFETCH(int, all);
    QFETCH(int, favourites);
    QFETCH(QStringList, categoryCounts);
    const PortalRules::TabCounts counts = PortalRules::countTabs(entries);
    QCOMPARE(counts.all, all);
    QCOMPARE(counts.favourites, favourites);
    QStringList got;
    for (auto it = counts.categories.cbegin(); it != counts.categories.cend(); ++it) {
        got.append(it.key() + QLatin1Char('=') + QString::number(it.value()));
    }
    got.sort();
    QCOMPARE(got, categoryCounts);
    // The one-pass count agrees with a filter per category.
    for (auto it = counts.categories.cbegin(); it != counts.categories.cend(); ++it) {
        int n = 0;
        for (const st_resource& r : entries) {
            n += PortalRules::inCategory(r.uidclassid, it.key()) ? 1 : 0;
        }
        QCOMPARE(it.value(), n);
    }
}

void TestPortalRules::search_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("matches");
    QTest::newRow("part of name") << "办公OA系统" << "OA" << true;
    QTest::newRow("case-insensitive") << "Mail Web" << "mail" << true;
    QTest::newRow("no match") << "Mail Web" << "crm" << false;
    QTest::newRow("regex characters plain") << "a+b (test)" << "+b (" << true;
    QTest::newRow("markup name") << "<b>bold</b>" << "<b>" << true;
}

void TestPortalRules::search()
{
    QFETCH(QString, name);
    QFETCH(QString, key);
    QFETCH(bool, matches);
    QCOMPARE(PortalRules::nameMatches(name, key), matches);
}

void TestPortalRules::openAction_data()
{
    QTest::addColumn<int>("resourceType");
    QTest::addColumn<bool>("protect");
    QTest::addColumn<int>("runMode");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("body");
    const int web = int(PortalRules::OpenAction::ClientWeb);
    const int prot = int(PortalRules::OpenAction::Protected);
    const int browser = int(PortalRules::OpenAction::Browser);
    const int cs = int(PortalRules::OpenAction::ClientApp);
    QTest::newRow("type 1 before protection") << 1 << true << 1 << web << "app7&1700000000123";
    QTest::newRow("type 1") << 1 << false << 0 << web << "app7&1700000000123";
    QTest::newRow("protected before browser") << 0 << true << 1 << prot << "app7&1";
    QTest::newRow("protected run mode 2") << 2 << true << 2 << prot << "app7&2";
    QTest::newRow("browser") << 0 << false << 1 << browser << "";
    QTest::newRow("client/server") << 0 << false << 0 << cs << "app7";
    QTest::newRow("client/server other type") << 3 << false << 2 << cs << "app7";
}

void TestPortalRules::openAction()
{
    QFETCH(int, resourceType);
    QFETCH(bool, protect);
    QFETCH(int, runMode);
    QFETCH(int, action);
    QFETCH(QString, body);
    st_resource r = entry("app7");
    r.ResourceType = resourceType;
    r.isProtectApp = protect;
    r.RunMode = runMode;
    const PortalRules::OpenAction got = PortalRules::openAction(r);
    QCOMPARE(int(got), action);
    QCOMPARE(PortalRules::openBody(got, r, 1700000000123LL), body);
}

void TestPortalRules::ssoUrl_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("token");
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("opened");
    const QString suffix = QStringLiteral("&customerize=&dev_type=linux");
    QTest::newRow("no query") << 2000 << "tk1" << "https://oa.example.com/home" << int(PortalRules::SsoOutcome::Token)
                              << "https://oa.example.com/home?sso_token=tk1" + suffix;
    QTest::newRow("with query") << 2000 << "tk1" << "https://oa.example.com/home?x=1" << int(PortalRules::SsoOutcome::Token)
                                << "https://oa.example.com/home?x=1&sso_token=tk1" + suffix;
    QTest::newRow("token with & + #") << 2000 << "a&b+c#d" << "https://h/p" << int(PortalRules::SsoOutcome::Token)
                                      << "https://h/p?sso_token=a%26b%2Bc%23d" + suffix;
    QTest::newRow("empty token") << 2000 << "" << "https://h/p" << int(PortalRules::SsoOutcome::EmptyToken) << "https://h/p";
    QTest::newRow("other code") << 4001 << "tk1" << "https://h/p" << int(PortalRules::SsoOutcome::Refused) << "https://h/p";
}

void TestPortalRules::ssoUrl()
{
    QFETCH(int, status);
    QFETCH(QString, token);
    QFETCH(QString, url);
    QFETCH(int, outcome);
    QFETCH(QString, opened);
    const PortalRules::SsoOutcome got = PortalRules::ssoOutcome(status, token);
    QCOMPARE(int(got), outcome);
    QCOMPARE(got == PortalRules::SsoOutcome::Token ? PortalRules::ssoUrl(url, token) : url, opened);
}

void TestPortalRules::texts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("tabText");
    QTest::addColumn<QString>("tabLabel");
    QTest::newRow("plain") << "办公" << "办公(3)" << "办公";
    QTest::newRow("ampersand not a shortcut") << "R&D" << "R&D(3)" << "R&&D";
    QTest::newRow("placeholder stays") << "a%2b%1" << "a%2b%1(3)" << "a%2b%1";
    QTest::newRow("img markup") << "<img src=x onerror=y>" << "<img src=x onerror=y>(3)" << "<img src=x onerror=y>";
    QTest::newRow("link markup") << "<a href='http://evil'>x</a>" << "<a href='http://evil'>x</a>(3)" << "<a href='http://evil'>x</a>";
    QTest::newRow("bold markup") << "<b>B</b>" << "<b>B</b>(3)" << "<b>B</b>";
}

void TestPortalRules::texts()
{
    QFETCH(QString, name);
    QFETCH(QString, tabText);
    QFETCH(QString, tabLabel);
    QCOMPARE(PortalRules::tabText(name, 3), tabText);
    QCOMPARE(PortalRules::tabLabel(name), tabLabel);
    // Whatever the name, the tooltip is never taken as markup of its own: it shows the name.
    const QString tip = PortalRules::plainToolTip(name);
    if (Qt::mightBeRichText(name)) {
        QCOMPARE(tip, QStringLiteral("<p style='white-space:pre'>") + name.toHtmlEscaped() + QStringLiteral("</p>"));
    } else {
        QCOMPARE(tip, name);
    }
    QCOMPARE(PortalRules::searchHint(name, 2), QStringLiteral("一共找到 “%1” 相关结果 2 个").arg(name));
}

QTEST_GUILESS_MAIN(TestPortalRules)
#include "tst_portalrules.moc"
