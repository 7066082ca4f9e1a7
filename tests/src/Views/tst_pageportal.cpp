// The portal page driven as a user drives it, against documents in a test prefix and corvissim
// recording what the page asks of the services: the tabs and their counts after a build and after
// a network-mode switch, search from the keyboard, opening by Enter in its order, stars,
// the dynamic authorization (an empty stop list stops everything), names holding markup, and
// icon downloads from a local HTTPS server that answers badly.

#include "app/common.h"
#include "comm/clientreq.h"
#include "src/Views/pageportal.h"
#include "src/Views/portaliconloader.h"
#include "src/Views/portalitemdelegate.h"
#include "src/Views/portalitemmodel.h"
#include "support/ctlsim.h"
#include "support/simprocess.h"
#include "support/testprefix.h"

#include <QBuffer>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSet>
#include <QTabBar>
#include <QTextDocument>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {

const QString kClient = QStringLiteral("corvisclient");
const QString kTray = QStringLiteral("corvistray");

QByteArray app(const char* id, const char* name, const char* url, const char* cat, int enable, int collect, int protect, int runMode,
               int type)
{
    return QStringLiteral(R"({"AppID":"%1","AppName":"%2","AppIco":"","Url":"%3","uidclassid":"%4","ibrowsertype":"0",)"
                          R"("isProtectApp":"%5","enable":%6,"iAppHide":"0","collect":%7,"RunMode":"%8","ResourceType":"%9"})")
        .arg(QString::fromUtf8(id), QString::fromUtf8(name), QString::fromUtf8(url), QString::fromUtf8(cat), QString::number(protect),
             QString::number(enable), QString::number(collect), QString::number(runMode), QString::number(type))
        .toUtf8();
}

QByteArray appList()
{
    const QList<QByteArray> apps{
        app("w1", "OA 办公", "https://oa.example.com/", "c1", 1, 1, 1, 1, 1),  // type 1 before protection
        app("p1", "财务系统", "https://fin.example.com/", "c1", 1, 0, 1, 2, 0),
        app("cs1", "研发客户端", "", "c2", 1, 0, 0, 0, 0),
        app("d1", "停用应用", "", "c2", 0, 0, 0, 0, 0),
        app("m1", "<b>粗体</b><img src=x>", "https://m.example.com/", "c3", 1, 0, 0, 0, 0),
        app("v6", "IPv6 应用", "http://[fd00::5]:8080/", "c2", 1, 0, 0, 0, 0),
    };
    QByteArray out = "{\"code\":0,\"data\":[";
    for (int i = 0; i < apps.size(); ++i) {
        out += (i > 0 ? "," : "") + apps.at(i);
    }
    return out + "]}";
}

const QByteArray kAppCat = R"([
  {"icount": "2", "uidclassid": "c1", "strdesc": "办公", "acfid": "f1", "strclassname": ""},
  {"icount": "3", "uidclassid": "c2", "strdesc": "研发&工具", "acfid": "f2", "strclassname": ""},
  {"icount": "1", "uidclassid": "c3", "strdesc": "<a href='http://evil'>链接</a>", "acfid": "f3", "strclassname": ""},
  {"icount": "5", "uidclassid": "c4", "strdesc": "无应用", "acfid": "f4", "strclassname": ""},
  {"icount": "0", "uidclassid": "c5", "strdesc": "空分类", "acfid": "f5", "strclassname": ""},
  {"icount": "4", "uidclassid": "c6", "strdesc": "根", "acfid": "-1", "strclassname": ""}
])";

const QByteArray kPolicy = R"({"policy":{"NetModePolicy":[{"NetModeList":[
  {"NetModeID":"m1","NetModeName":"办公网","AppIds":["w1","cs1"]},
  {"NetModeID":"m2","NetModeName":"外网","AppIds":[]}]}]}})";

quint32 crc32(const QByteArray& data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : data) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

QByteArray pngChunk(const QByteArray& type, const QByteArray& data)
{
    QByteArray out;
    QDataStream stream(&out, QIODevice::WriteOnly);
    stream << quint32(data.size());
    out += type + data;
    QByteArray crc;
    QDataStream(&crc, QIODevice::WriteOnly) << crc32(type + data);
    return out + crc;
}

// A well-formed PNG header declaring `side` x `side` pixels, with almost no pixel data.
QByteArray pngDeclaring(quint32 side)
{
    QByteArray header;
    QDataStream stream(&header, QIODevice::WriteOnly);
    stream << side << side << quint8(8) << quint8(6) << quint8(0) << quint8(0) << quint8(0);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + pngChunk("IDAT", QByteArray(16, '\0')) +
           pngChunk("IEND", QByteArray());
}

QByteArray smallPng()
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::darkCyan);
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return out;
}

QByteArray iconScenario()
{
    const auto picture = [](const QByteArray& data) {
        return QJsonObject{{"headers", QJsonObject{{"Content-Type", "image/png"}}}, {"bodyBase64", QString::fromLatin1(data.toBase64())}};
    };
    QJsonObject controller{
        {"/icons/good.png", picture(smallPng())},
        {"/icons/over.png", picture(QByteArray(PortalIconLoader::kMaxBytes + 1, 'x'))},
        {"/icons/text.png", QJsonObject{{"headers", QJsonObject{{"Content-Type", "image/png"}}}, {"body", "<html>not a picture</html>"}}},
        {"/icons/huge.png", picture(pngDeclaring(50000))},
        {"/icons/stall.png", QJsonObject{{"hang", true}}},
    };
    return QJsonDocument(QJsonObject{{"controller", controller}}).toJson(QJsonDocument::Compact);
}

PagePortal* page()
{
    return PagePortal::instance();
}

QTabBar* tabs()
{
    return page()->findChild<QTabBar*>(QStringLiteral("portalTabBar"));
}

QListView* list()
{
    return page()->findChild<QListView*>(QStringLiteral("portalList"));
}

QStringList tabTexts()
{
    QStringList out;
    for (int i = 0; i < tabs()->count(); ++i) {
        out.append(tabs()->tabText(i));
    }
    return out;
}

QStringList shownIds()
{
    QStringList out;
    for (const st_resource& r : page()->shownEntries()) {
        out.append(r.enable ? r.AppID : r.AppID + QLatin1Char('!'));
    }
    return out;
}

QModelIndex rowOf(const QString& id)
{
    QAbstractItemModel* model = list()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, 0);
        if (index.data(PortalItemModel::ResourceRole).value<st_resource>().AppID == id) {
            return index;
        }
    }
    return QModelIndex();
}

}  // namespace

class TestPagePortal : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void buildShowsTabsWithCounts();
    void tabsShowTheirWholeText();
    void markupNamesArePlainText();
    void searchFromTheKeyboard();
    void searchClearButtonNamed();
    void enterOpensInOrder_data();
    void enterOpensInOrder();
    void disabledEntryTellsWhy();
    void twoQuickStarsSendOneRequest();
    void dynamicAuthorization();
    void networkModeSwitch();
    void unusualDocuments_data();
    void unusualDocuments();
    void iconBadInput_data();
    void iconBadInput();
    void cardsFillTheWidth_data();
    void cardsFillTheWidth();

private:
    QList<QJsonObject> sent(const QString& peer, int type) const;

    std::unique_ptr<TestPrefix> prefix_;
    std::unique_ptr<SimProcess> sim_;
    std::unique_ptr<CtlSim> iconServer_;
};

QList<QJsonObject> TestPagePortal::sent(const QString& peer, int type) const
{
    return sim_->requests(peer, QString::asprintf("0x%04x", unsigned(clientReqInfo(type).wireType)));
}

void TestPagePortal::initTestCase()
{
    prefix_ = std::make_unique<TestPrefix>();
    QVERIFY(prefix_->writeSysCfg("[Mervasso]\ncsmode=1\n"));
    QVERIFY(prefix_->writeUserInfo("[UserInfo]\nUserName=zhang\n"));
    QVERIFY(prefix_->writeInstallFile(QStringLiteral("ini/appList.json"), appList()));
    QVERIFY(prefix_->writeInstallFile(QStringLiteral("ini/appCat.json"), kAppCat));
    QVERIFY(prefix_->writeInstallFile(QStringLiteral("sandbox/ini/policy.json"), kPolicy));
    sim_ = std::make_unique<SimProcess>(prefix_->root());
    QVERIFY2(sim_->start(), qPrintable(sim_->errorOutput()));
    // This host reaches IPv4 only.
    PagePortal::setHostAddressFamiliesForTest([](bool& ipv4, bool& ipv6) {
        ipv4 = true;
        ipv6 = false;
    });
    // The size the page has in the main window.
    page()->resize(790, 600);
    page()->show();
    QVERIFY(QTest::qWaitForWindowExposed(page()));
}

void TestPagePortal::init()
{
    QVERIFY(prefix_->writeUserInfo("[UserInfo]\nUserName=zhang\n"));
    page()->exitClear();
    page()->updateNetmodeApp();
    page()->updatePortal(0);
}

void TestPagePortal::buildShowsTabsWithCounts()
{
    // The IPv6 entry is hidden on this host; empty and root categories have no tab.
    QCOMPARE(tabTexts(), (QStringList{"搜索结果", "资源申请", "全部应用(5)", "我的收藏(1)", "办公(2)", "研发&&工具(2)",
                                      "<a href='http://evil'>链接</a>(1)"}));
    QVERIFY(!tabs()->isTabVisible(PagePortal::TabSearch));
    QVERIFY(!tabs()->isTabVisible(PagePortal::TabApplyFor));
    QCOMPARE(page()->currentTab(), int(PagePortal::TabAll));
    QCOMPARE(page()->currentStackPage(), int(PagePortal::StackList));
    QCOMPARE(shownIds(), (QStringList{"w1", "p1", "cs1", "d1!", "m1"}));

    // Tabs by the keyboard: the favourites, then the second category.
    tabs()->setFocus();
    QTest::keyClick(tabs(), Qt::Key_Right);
    QTRY_COMPARE(page()->currentTab(), int(PagePortal::TabCollect));
    QCOMPARE(shownIds(), QStringList{"w1"});
    tabs()->setCurrentIndex(PagePortal::TabFirstCategory + 1);
    QCOMPARE(shownIds(), (QStringList{"cs1", "d1!"}));

    // A rebuild returns to the tab the user was on.
    page()->loadResourceData(1);
    QCOMPARE(page()->currentTab(), int(PagePortal::TabFirstCategory + 1));
    QCOMPARE(shownIds(), (QStringList{"cs1", "d1!"}));
}

void TestPagePortal::tabsShowTheirWholeText()
{
    // Every tab in sight, its name and count in full, also after a category is chosen.
    auto check = [](const char* when) {
        const QFontMetrics metrics = tabs()->fontMetrics();
        for (int i = PagePortal::TabAll; i < tabs()->count(); ++i) {
            const QString text = tabs()->tabText(i).replace(QLatin1String("&&"), QLatin1String("&"));
            const QRect rect = tabs()->tabRect(i);
            QVERIFY2(tabs()->isTabVisible(i), qPrintable(QStringLiteral("%1: tab %2 hidden").arg(when, text)));
            QVERIFY2(tabs()->rect().contains(rect), qPrintable(QStringLiteral("%1: tab %2 out of sight").arg(when, text)));
            QVERIFY2(rect.width() >= metrics.horizontalAdvance(text),
                     qPrintable(QStringLiteral("%1: tab %2 cut to %3 px").arg(when, text).arg(rect.width())));
        }
    };
    QCOMPARE(tabs()->count(), int(PagePortal::TabFirstCategory + 3));
    QTRY_VERIFY(tabs()->isVisible());
    check("built");
    if (QTest::currentTestFailed()) {
        return;
    }
    tabs()->setCurrentIndex(PagePortal::TabFirstCategory + 1);
    QCOMPARE(page()->currentTab(), int(PagePortal::TabFirstCategory + 1));
    check("category chosen");
    if (QTest::currentTestFailed()) {
        return;
    }
    page()->loadResourceData(1);
    check("rebuilt");
    if (QTest::currentTestFailed()) {
        return;
    }
    // Built while the page is out of sight, as at login, then shown.
    page()->hide();
    page()->updatePortal(2);
    page()->updatePortal(0);
    page()->show();
    QVERIFY(QTest::qWaitForWindowExposed(page()));
    check("built hidden");
}

void TestPagePortal::markupNamesArePlainText()
{
    const int index = PagePortal::TabFirstCategory + 2;
    const QString name = QStringLiteral("<a href='http://evil'>链接</a>");
    QVERIFY(Qt::mightBeRichText(name));
    // The tooltip is escaped so that Qt shows the name, not a link.
    QCOMPARE(tabs()->tabToolTip(index), QStringLiteral("<p style='white-space:pre'>") + name.toHtmlEscaped() + QStringLiteral("</p>"));
    const QModelIndex item = rowOf(QStringLiteral("m1"));
    QVERIFY(item.isValid());
    const QString appName = QStringLiteral("<b>粗体</b><img src=x>");
    QCOMPARE(item.data(Qt::DisplayRole).toString(), appName);
    QCOMPARE(item.data(Qt::AccessibleTextRole).toString(), appName);
    QCOMPARE(item.data(Qt::ToolTipRole).toString(),
             QStringLiteral("<p style='white-space:pre'>") + appName.toHtmlEscaped() + QStringLiteral("</p>"));
}

// The search edit's clear button has a name a screen reader says, and pressing it ends the search.
void TestPagePortal::searchClearButtonNamed()
{
    auto* search = page()->findChild<QLineEdit*>(QStringLiteral("editPortalSearch"));
    QVERIFY(search != nullptr);
    search->setFocus();
    QTest::keyClicks(search, QStringLiteral("OA"));
    auto* clear = search->findChild<QToolButton*>(QStringLiteral("btnPortalSearchClear"));
    QVERIFY(clear != nullptr);
    QCOMPARE(clear->accessibleName(), QStringLiteral("清空搜索"));
    QTest::mouseClick(clear, Qt::LeftButton);
    QTRY_COMPARE(search->text(), QString());
}

void TestPagePortal::searchFromTheKeyboard()
{
    auto* search = page()->findChild<QLineEdit*>(QStringLiteral("editPortalSearch"));
    auto* hint = page()->findChild<QLabel*>(QStringLiteral("labelPortalHint"));
    QVERIFY(search && hint);
    tabs()->setCurrentIndex(PagePortal::TabCollect);
    search->setFocus();
    QTest::keyClicks(search, QStringLiteral("oa"));
    QCOMPARE(page()->currentTab(), int(PagePortal::TabSearch));
    QVERIFY(tabs()->isTabVisible(PagePortal::TabSearch));
    QCOMPARE(shownIds(), QStringList{"w1"});
    QCOMPARE(hint->text(), QStringLiteral("一共找到 “oa” 相关结果 1 个"));
    QVERIFY(hint->isVisibleTo(page()));

    search->clear();
    QTest::keyClicks(search, QStringLiteral("zz"));
    QCOMPARE(hint->text(), QStringLiteral("一共找到 “zz” 相关结果 0 个"));
    QCOMPARE(page()->currentStackPage(), int(PagePortal::StackBlank));

    // Emptied: back where the search started.
    search->selectAll();
    QTest::keyClick(search, Qt::Key_Backspace);
    QCOMPARE(page()->currentTab(), int(PagePortal::TabCollect));
    QVERIFY(!tabs()->isTabVisible(PagePortal::TabSearch));
    QCOMPARE(shownIds(), QStringList{"w1"});
}

void TestPagePortal::enterOpensInOrder_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("body");  // a prefix for 115 (the rest is the time)
    QTest::newRow("type 1 and protected: 115") << "w1" << 115 << "w1&";
    QTest::newRow("protected: 99 with run mode") << "p1" << 99 << "p1&2";
    QTest::newRow("client/server: 100") << "cs1" << 100 << "cs1";
}

void TestPagePortal::enterOpensInOrder()
{
    QFETCH(QString, id);
    QFETCH(int, type);
    QFETCH(QString, body);
    const int before = sent(kClient, type).size();
    const QModelIndex index = rowOf(id);
    QVERIFY(index.isValid());
    list()->setFocus();
    list()->setCurrentIndex(index);
    QTest::keyClick(list(), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(sent(kClient, type).size(), before + 1, 15000);
    QVERIFY2(sent(kClient, type).last().value(QStringLiteral("body")).toString().startsWith(body),
             qPrintable(sent(kClient, type).last().value(QStringLiteral("body")).toString()));
    if (type == 115) {
        QCOMPARE(sent(kClient, 99).size(), 0);
    }
}

void TestPagePortal::disabledEntryTellsWhy()
{
    const int clientBefore = sim_->requests(kClient).size();
    page()->setDynamicAuthTips(QStringLiteral("评分过低，应用已停用"));
    list()->setFocus();
    list()->setCurrentIndex(rowOf(QStringLiteral("d1")));
    QTest::keyClick(list(), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(sent(kTray, 36).size(), 1, 15000);
    QCOMPARE(sent(kTray, 36).last().value(QStringLiteral("body")).toString(), QStringLiteral("评分过低，应用已停用"));
    QCOMPARE(sim_->requests(kClient).size(), clientBefore);
    page()->setDynamicAuthTips(QString());
}

void TestPagePortal::twoQuickStarsSendOneRequest()
{
    const int before = sent(kClient, 103).size();
    list()->scrollToTop();
    const QModelIndex index = rowOf(QStringLiteral("p1"));
    const QRect rect = list()->visualRect(index);
    // The star sits in the item's top-right corner.
    const QPoint star(rect.right() - 17, rect.top() + 12);
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, Qt::NoModifier, star);
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, Qt::NoModifier, star);
    QTRY_COMPARE_WITH_TIMEOUT(sent(kClient, 103).size(), before + 1, 15000);
    QCOMPARE(sent(kClient, 103).last().value(QStringLiteral("body")).toString(), QStringLiteral("p1&0"));
    // The answer makes it a favourite; its star is free again.
    page()->handleCollect(QStringLiteral("p1"), true);
    QCOMPARE(tabs()->tabText(PagePortal::TabCollect), QStringLiteral("我的收藏(2)"));
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, Qt::NoModifier, star);
    QTRY_COMPARE_WITH_TIMEOUT(sent(kClient, 103).size(), before + 2, 15000);
    QCOMPARE(sent(kClient, 103).last().value(QStringLiteral("body")).toString(), QStringLiteral("p1&1"));
    page()->handleCollect(QStringLiteral("p1"), false);
    QCOMPARE(tabs()->tabText(PagePortal::TabCollect), QStringLiteral("我的收藏(2)"));
}

void TestPagePortal::dynamicAuthorization()
{
    // Some stopped: they stay stopped across a rebuild.
    page()->handleEnable(true, QStringList());
    page()->handleEnable(false, QStringList{"cs1"});
    QCOMPARE(shownIds(), (QStringList{"w1", "p1", "cs1!", "d1!", "m1"}));
    page()->loadResourceData(1);
    QCOMPARE(shownIds(), (QStringList{"w1", "p1", "cs1!", "d1!", "m1"}));

    // Stop with no id named: everything stops, also after a rebuild.
    page()->handleEnable(true, QStringList());
    page()->handleEnable(false, QStringList());
    QCOMPARE(shownIds(), (QStringList{"w1!", "p1!", "cs1!", "d1!", "m1!"}));
    page()->loadResourceData(1);
    QCOMPARE(shownIds(), (QStringList{"w1!", "p1!", "cs1!", "d1!", "m1!"}));
    const int before = sim_->requests(kClient).size();
    list()->setFocus();
    list()->setCurrentIndex(rowOf(QStringLiteral("w1")));
    QTest::keyClick(list(), Qt::Key_Return);
    QCOMPARE(sim_->requests(kClient).size(), before);

    // Released: what the document itself disables stays so.
    page()->handleEnable(true, QStringList());
    QCOMPARE(shownIds(), (QStringList{"w1", "p1", "cs1", "d1!", "m1"}));
}

void TestPagePortal::networkModeSwitch()
{
    QVERIFY(prefix_->writeUserInfo("[UserInfo]\nUserName=zhang\n[netmode]\nmodecount=2\ncurnetmodeid=m1\n"));
    page()->updateNetmodeApp();
    page()->updatePortal(0);
    auto* mode = page()->findChild<QLabel*>(QStringLiteral("labelNetmode"));
    QCOMPARE(mode->text(), QStringLiteral("当前网络模式：办公网"));
    QCOMPARE(page()->currentNetmodeId(), QStringLiteral("m1"));
    // The mode's applications only; a category left without one loses its tab.
    QCOMPARE(tabTexts(), (QStringList{"搜索结果", "资源申请", "全部应用(2)", "我的收藏(1)", "办公(1)", "研发&&工具(1)"}));
    QCOMPARE(shownIds(), (QStringList{"w1", "cs1"}));

    page()->updateCurrentNetmode(QStringLiteral("m2"));
    QCOMPARE(mode->text(), QStringLiteral("当前网络模式：外网"));
    QCOMPARE(tabTexts(), (QStringList{"搜索结果", "资源申请", "全部应用(0)", "我的收藏(0)"}));
    QCOMPARE(page()->currentStackPage(), int(PagePortal::StackBlank));
    QCOMPARE(page()->findChild<QLabel*>(QStringLiteral("labelPortalBlank"))->text(), QStringLiteral("暂无应用可使用，切换其他网络模式看看吧~"));

    // An unknown mode shows everything again.
    page()->updateCurrentNetmode(QStringLiteral("nope"));
    QCOMPARE(page()->currentNetmodeId(), QString());
    QCOMPARE(shownIds(), (QStringList{"w1", "p1", "cs1", "d1!", "m1"}));
}

void TestPagePortal::unusualDocuments_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QStringList>("shown");  // the first ids shown, in order
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("touched");  // starred and then stopped
    QTest::addColumn<int>("touchedRows");

    QByteArray many = "{\"code\":0,\"data\":[";
    for (int i = 0; i < 50000; ++i) {
        many += (i > 0 ? "," : "") + app(qPrintable(QStringLiteral("n%1").arg(i)), qPrintable(QStringLiteral("应用%1").arg(i)),
                                         "https://x.example.com/", i % 2 ? "c1" : "c2", 1, 0, 0, 0, 0);
    }
    many += "]}";
    QTest::newRow("50,000 entries") << many << QStringList{"n0", "n1", "n2"} << 50000 << "n49999" << 1;

    const QByteArray duplicates = "{\"code\":0,\"data\":[" + app("d", "第一个", "https://a.example.com/", "c1", 1, 0, 0, 0, 0) + "," +
                                  app("e", "其他", "https://b.example.com/", "c1", 1, 0, 0, 0, 0) + "," +
                                  app("d", "第二个", "https://c.example.com/", "c2", 1, 0, 0, 0, 0) + "]}";
    QTest::newRow("duplicate ids, each entry shown as read") << duplicates << QStringList{"d", "e", "d"} << 3 << "d" << 2;

    const QByteArray cases = "{\"code\":0,\"data\":[" + app("App", "大写", "https://a.example.com/", "c1", 1, 0, 0, 0, 0) + "," +
                             app("app", "小写", "https://b.example.com/", "c1", 1, 0, 0, 0, 0) + "," +
                             app("APP", "全大写", "https://c.example.com/", "c2", 1, 0, 0, 0, 0) + "]}";
    QTest::newRow("ids differing only in case are different") << cases << QStringList{"App", "app", "APP"} << 3 << "app" << 1;
}

void TestPagePortal::unusualDocuments()
{
    QFETCH(QByteArray, document);
    QFETCH(QStringList, shown);
    QFETCH(int, count);
    QFETCH(QString, touched);
    QFETCH(int, touchedRows);
    QVERIFY(prefix_->writeInstallFile(QStringLiteral("ini/appList.json"), document));
    page()->updatePortal(0);
    QVERIFY(prefix_->writeInstallFile(QStringLiteral("ini/appList.json"), appList()));

    const QList<st_resource> entries = page()->shownEntries();
    QCOMPARE(entries.size(), count);
    QCOMPARE(tabs()->tabText(PagePortal::TabAll), QStringLiteral("全部应用(%1)").arg(count));
    QStringList first;
    for (int i = 0; i < shown.size(); ++i) {
        first.append(entries.at(i).AppID);
    }
    QCOMPARE(first, shown);

    // Answers naming the id reach every entry that carries it, and only those.
    page()->handleCollect(touched, true);
    page()->handleEnable(false, QStringList{touched});
    int starred = 0;
    int stopped = 0;
    for (const st_resource& entry : page()->shownEntries()) {
        starred += entry.collect ? 1 : 0;
        stopped += entry.enable ? 0 : 1;
        QCOMPARE(entry.collect, entry.AppID == touched);
    }
    QCOMPARE(starred, touchedRows);
    QCOMPARE(stopped, touchedRows);
    QCOMPARE(tabs()->tabText(PagePortal::TabCollect), QStringLiteral("我的收藏(%1)").arg(touchedRows));
    page()->handleEnable(true, QStringList());
}

void TestPagePortal::iconBadInput_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("why");  // empty: the icon is taken
    QTest::newRow("a small picture") << "/icons/good.png" << QString();
    QTest::newRow("over 2 MiB") << "/icons/over.png" << "over the limit of 2097152 bytes";
    QTest::newRow("not a picture") << "/icons/text.png" << "not a picture";
    QTest::newRow("50,000 x 50,000 pixels declared") << "/icons/huge.png" << "picture of 50000 x 50000 pixels";
    QTest::newRow("a server that stalls") << "/icons/stall.png" << "no complete icon within";
}

void TestPagePortal::iconBadInput()
{
    QFETCH(QString, path);
    QFETCH(QString, why);
    if (!iconServer_) {
        iconServer_ = std::make_unique<CtlSim>(*prefix_, iconScenario());
    }
    CtlSim* server = iconServer_.get();
    QVERIFY2(server->isRunning(), qPrintable(server->startError()));

    PortalIconLoader loader;
    loader.setTimeoutMs(1500);
    QSignalSpy loaded(&loader, &PortalIconLoader::loaded);
    QSignalSpy failed(&loader, &PortalIconLoader::failed);
    const QString url = server->httpsUrl(path);
    // More than may run at once: the rest wait their turn.
    const int copies = PortalIconLoader::kMaxInFlight + 2;
    for (int i = 0; i < copies; ++i) {
        QVERIFY(loader.request(url + QStringLiteral("?n=%1").arg(i)));
    }
    QCOMPARE(loader.inFlight(), int(PortalIconLoader::kMaxInFlight));
    QCOMPARE(loader.queued(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(loaded.size() + failed.size(), copies, 30000);
    if (why.isEmpty()) {
        QCOMPARE(failed.size(), 0);
        QVERIFY(!QImage::fromData(loaded.first().at(1).toByteArray()).isNull());
        return;
    }
    QCOMPARE(loaded.size(), 0);
    for (const QList<QVariant>& failure : qAsConst(failed)) {
        QVERIFY2(failure.at(1).toString().contains(why), qPrintable(failure.at(1).toString()));
    }
    QCOMPARE(loader.inFlight(), 0);
}

void TestPagePortal::cardsFillTheWidth_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("pageWidth");
    for (const int mode : {2, 0}) {
        for (const int width : {400, 560, 790, 1000, 1300}) {
            QTest::addRow("%s, %d px", mode == 0 ? "list" : "cards", width) << mode << width;
        }
    }
}

void TestPagePortal::cardsFillTheWidth()
{
    QFETCH(int, mode);
    QFETCH(int, pageWidth);
    const int before = page()->displayMode();
    page()->updatePortalDisplayMode(mode);
    page()->resize(pageWidth, 600);
    const int least = CusItemDelegate::kPortalMinWidth + PagePortal::kItemSpacing;
    QWidget* viewport = list()->viewport();
    QAbstractItemModel* model = list()->model();
    QVERIFY(model->rowCount() >= 4);
    // Columns: the distinct left edges of the items, once the view has laid them out again.
    auto columns = [&] {
        QSet<int> lefts;
        for (int row = 0; row < model->rowCount(); ++row) {
            lefts.insert(list()->visualRect(model->index(row, 0)).left());
        }
        return lefts.size();
    };
    // As many columns as cards of the least width fit, the band the list keeps for a scroll bar aside.
    QTRY_VERIFY_WITH_TIMEOUT(page()->listLayoutWidth() <= viewport->width() && viewport->width() > pageWidth - 80, 10000);
    const int width = page()->listLayoutWidth();
    const int expected = qMin(model->rowCount(), qMax(1, (width - 1 - PagePortal::kItemSpacing) / least));
    QTRY_COMPARE_WITH_TIMEOUT(columns(), expected, 10000);
    int right = 0;
    for (int row = 0; row < model->rowCount(); ++row) {
        const QRect rect = list()->visualRect(model->index(row, 0));
        QVERIFY2(rect.width() >= CusItemDelegate::kPortalMinWidth, qPrintable(QString::number(rect.width())));
        right = qMax(right, rect.right() + 1);
    }
    // With enough entries for a full row, the empty band on the right is less than a card.
    if (model->rowCount() >= expected) {
        QVERIFY2(viewport->width() - right < CusItemDelegate::kPortalMinWidth,
                 qPrintable(QStringLiteral("%1 px empty of %2").arg(viewport->width() - right).arg(viewport->width())));
    }
    page()->resize(790, 600);
    page()->updatePortalDisplayMode(before < 0 ? 2 : before);
}

QTEST_MAIN(TestPagePortal)
#include "tst_pageportal.moc"
