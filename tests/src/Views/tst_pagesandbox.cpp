// The sandbox page: the pushed "id,name;..." list and its bad parts, which of the three views
// shows, the ready ids, and the daemon asked to open a double-clicked sandbox.

#include "src/Views/pagesandbox.h"

#include "comm/clientreq.h"
#include "comm/uicomm.h"
#include "support/logcapture.h"
#include "platform/corvismsg/corvismsg.h"
#include "support/testprefix.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListView>
#include <QStackedWidget>
#include <QTimer>
#include <QtTest>

#include <thread>

class TestPageSandbox : public QObject
{
    Q_OBJECT

private slots:
    void updateSandbox_data();
    void updateSandbox();
    void views_data();
    void views();
    void readyIds();
    void readyWaitEnds();
    void exitClear();
    void manyParts();
    void markupShownAsText();
    void doubleClickOpens();
};

namespace {

QStringList entries(const PageSandbox& page)
{
    QStringList out;
    for (const st_sandboxInfo& info : page.sandboxes()) {
        out.append(info.id + QLatin1Char('=') + info.name);
    }
    return out;
}

QStringList shownNames(const PageSandbox& page)
{
    QStringList out;
    QAbstractItemModel* model = page.listView()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        out.append(model->index(row, 0).data().toString());
    }
    return out;
}

}  // namespace

void TestPageSandbox::updateSandbox_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QStringList>("kept");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<bool>("ready");
    QTest::addColumn<int>("errorLines");
    QTest::newRow("two sandboxes") << "" << "s1,办公沙箱;s2,研发沙箱;" << QStringList{"s1=办公沙箱", "s2=研发沙箱"}
                                   << QStringList{"办公沙箱", "研发沙箱"} << false << 0;
    QTest::newRow("middle part without comma") << "" << "s1,a;broken;s2,b" << QStringList{"s1=a", "s2=b"}
                                               << QStringList{"a", "b"} << false << 1;
    QTest::newRow("trailing separator adds nothing") << "" << "s1,a;" << QStringList{"s1=a"} << QStringList{"a"} << false
                                                     << 0;
    QTest::newRow("three fields and empty parts") << "" << "s1,a;x,y,z;;;s2,b" << QStringList{"s1=a", "s2=b"}
                                                  << QStringList{"a", "b"} << false << 1;
    // Without an id the daemon could not be told which sandbox to open.
    QTest::newRow("empty id skipped") << "" << ",a;s2,b" << QStringList{"s2=b"} << QStringList{"b"} << false << 1;
    QTest::newRow("empty name shown as unnamed") << "" << "s1,;s2, " << QStringList{"s1=", "s2= "}
                                                 << QStringList{"未命名沙箱", "未命名沙箱"} << false << 0;
    QTest::newRow("only bad parts") << "s1,a" << "x;y" << QStringList{} << QStringList{} << false << 2;
    QTest::newRow("a new list replaces the old") << "s1,a;" << "s2,b;" << QStringList{"s2=b"} << QStringList{"b"}
                                                 << false << 0;
    // An empty push keeps the page and tells the caller the sandboxes are ready.
    QTest::newRow("empty keeps the list") << "s1,a;" << "" << QStringList{"s1=a"} << QStringList{"a"} << true << 0;
}

void TestPageSandbox::updateSandbox()
{
    QFETCH(QString, before);
    QFETCH(QString, list);
    QFETCH(QStringList, kept);
    QFETCH(QStringList, shown);
    QFETCH(bool, ready);
    QFETCH(int, errorLines);
    PageSandbox page;
    bool flag = false;
    if (!before.isEmpty()) {
        page.updateSandbox(before, flag);
    }
    LogCapture log;
    page.updateSandbox(list, flag);
    QCOMPARE(entries(page), kept);
    QCOMPARE(shownNames(page), shown);
    QCOMPARE(page.count(), kept.size());
    QCOMPARE(flag, ready);
    int errors = 0;
    for (const QString& line : log.lines()) {
        errors += line.startsWith(QLatin1String("error sandbox: ")) ? 1 : 0;
    }
    QCOMPARE(errors, errorLines);
    if (list.isEmpty()) {
        QVERIFY(log.contains(QStringLiteral("sandbox list is empty, noting to do!"), google::GLOG_WARNING));
    }
}

void TestPageSandbox::views_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<bool>("ready");
    QTest::addColumn<QString>("readyBefore");
    QTest::addColumn<int>("view");
    QTest::newRow("nothing listed") << "x;y" << false << "" << int(PageSandbox::ViewBlank);
    QTest::newRow("waiting for the service") << "s1,a;s2,b" << false << "" << int(PageSandbox::ViewLoading);
    QTest::newRow("service already ready") << "s1,a;s2,b" << true << "" << int(PageSandbox::ViewList);
    QTest::newRow("a listed one reported before") << "s1,a;s2,b" << false << "s2" << int(PageSandbox::ViewList);
    QTest::newRow("an unlisted one reported before") << "s1,a;s2,b" << false << "s9" << int(PageSandbox::ViewLoading);
}

void TestPageSandbox::views()
{
    QFETCH(QString, list);
    QFETCH(bool, ready);
    QFETCH(QString, readyBefore);
    QFETCH(int, view);
    PageSandbox page;
    auto* stack = page.findChild<QStackedWidget*>(QStringLiteral("stackSandbox"));
    QVERIFY(stack != nullptr);
    QCOMPARE(stack->count(), 3);
    QCOMPARE(page.currentView(), PageSandbox::ViewBlank);
    auto* blank = page.findChild<QLabel*>(QStringLiteral("labelSandboxBlank"));
    QVERIFY(blank != nullptr);
    QCOMPARE(blank->text(), QStringLiteral("暂无可用沙箱"));
    QVERIFY(blank->styleSheet().contains(QLatin1String("#8F959E")));
    QCOMPARE(page.listView()->styleSheet(), QStringLiteral("QListView {border: none; background-color: white}"));
    if (!readyBefore.isEmpty()) {
        page.handleSandboxReady(readyBefore);
    }
    page.updateSandbox(list, ready);
    QCOMPARE(int(page.currentView()), view);
    QCOMPARE(page.readyTimer()->isActive(), view == PageSandbox::ViewLoading);
}

void TestPageSandbox::readyIds()
{
    PageSandbox page;
    bool ready = false;
    page.updateSandbox(QStringLiteral("s1,a;s2,b"), ready);
    QCOMPARE(page.currentView(), PageSandbox::ViewLoading);
    QSignalSpy marked(&page, &PageSandbox::sandboxMarkedReady);
    QVERIFY(!page.handleSandboxReady(QStringLiteral("s9")));
    QVERIFY(page.handleSandboxReady(QStringLiteral("s2")));
    QCOMPARE(page.readyIds(), (QSet<QString>{"s9", "s2"}));
    QCOMPARE(marked.count(), 2);
    QCOMPARE(marked.at(1).at(0).toString(), QStringLiteral("s2"));
    QCOMPARE(page.currentView(), PageSandbox::ViewList);
    QVERIFY(!page.readyTimer()->isActive());
}

void TestPageSandbox::readyWaitEnds()
{
    PageSandbox page;
    bool ready = false;
    page.updateSandbox(QStringLiteral("s1,a"), ready);
    QCOMPARE(page.currentView(), PageSandbox::ViewLoading);
    // The service never reports: the list shows all the same, the page is never stuck.
    page.readyTimer()->setInterval(10);
    page.readyTimer()->start();
    QTRY_COMPARE_WITH_TIMEOUT(page.currentView(), PageSandbox::ViewList, 10000);
}

void TestPageSandbox::exitClear()
{
    PageSandbox page;
    bool ready = true;
    page.handleSandboxReady(QStringLiteral("s1"));
    page.updateSandbox(QStringLiteral("s1,a;s2,b"), ready);
    QCOMPARE(page.currentView(), PageSandbox::ViewList);
    page.exitClear();
    QCOMPARE(page.count(), 0);
    QVERIFY(page.readyIds().isEmpty());
    QCOMPARE(page.currentView(), PageSandbox::ViewBlank);
}

void TestPageSandbox::manyParts()
{
    QStringList parts;
    for (int i = 0; i < 10000; ++i) {
        parts.append(i % 10 == 0 ? QStringLiteral("bad%1").arg(i) : QStringLiteral("id%1,沙箱%1").arg(i));
    }
    PageSandbox page;
    bool ready = true;
    page.updateSandbox(parts.join(QLatin1Char(';')), ready);
    QCOMPARE(page.count(), 9000);
    QCOMPARE(page.sandboxes().last().id, QStringLiteral("id9999"));
}

void TestPageSandbox::markupShownAsText()
{
    PageSandbox page;
    bool ready = true;
    page.updateSandbox(QStringLiteral("s1,<b>粗体</b><img src=x>"), ready);
    const QModelIndex index = page.listView()->model()->index(0, 0);
    QCOMPARE(index.data().toString(), QStringLiteral("<b>粗体</b><img src=x>"));
    const QString tip = index.data(Qt::ToolTipRole).toString();
    QVERIFY2(tip.contains(QLatin1String("&lt;b&gt;")) && !tip.contains(QLatin1String("<b>")), qPrintable(tip));
}

void TestPageSandbox::doubleClickOpens()
{
    TestPrefix prefix;
    QVERIFY(prefix.isValid());
    // The daemon, on its socket, keeping each frame it reads.
    struct Frames : PostDeal {
        int Process(us_post_t* post) override
        {
            QMutexLocker lock(&mutex);
            frames.append(QByteArray(post->msg, post->len));
            return 0;
        }
        QList<QByteArray> received()
        {
            QMutexLocker lock(&mutex);
            return frames;
        }
        QMutex mutex;
        QList<QByteArray> frames;
    } daemon;
    US_ServerOptions options;
    options.stream = true;
    options.checkVersion = false;
    const QByteArray path = peerSocketPath(ReqPeer::Corvisdaemon).toLocal8Bit();
    QVERIFY(QDir().mkpath(QFileInfo(QString::fromLocal8Bit(path)).path()));
    US_Server server(&daemon, path.constData(), options);
    QVERIFY(server.IsListening());
    std::thread serving([&server]() { server.Run(); });
    const auto stop = qScopeGuard([&] {
        server.Stop();
        serving.join();
    });

    PageSandbox page;
    page.resize(600, 400);
    bool ready = true;
    page.updateSandbox(QStringLiteral("sb1,办公沙箱;sb2,研发沙箱;sb3,财务数据沙箱"), ready);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QSignalSpy opened(&page, &PageSandbox::sandboxOpened);
    QListView* list = page.listView();
    const QRect row = list->visualRect(list->model()->index(1, 0));
    QVERIFY(row.isValid());
    // As a user does: the first click presses the row, the second one is the double-click.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
    QTRY_COMPARE(opened.count(), 1);
    QCOMPARE(opened.at(0).at(0).toString(), QStringLiteral("sb2"));
    // Module 5, command 0x1012, the length, the sandbox id.
    QTRY_COMPARE_WITH_TIMEOUT(daemon.received().size(), 1, 20000);
    QCOMPARE(daemon.received().first(), QByteArray("\x00\x05\x10\x12\x00\x00\x00\x03sb2", 11));
}

QTEST_MAIN(TestPageSandbox)
#include "tst_pagesandbox.moc"
