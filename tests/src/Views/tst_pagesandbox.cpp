// The sandbox page's list: the pushed "id,name;..." text, bad parts, an empty push.

#include "src/Views/pagesandbox.h"

#include <QtTest>

class TestPageSandbox : public QObject
{
    Q_OBJECT

private slots:
    void updateSandbox_data();
    void updateSandbox();
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

}  // namespace

void TestPageSandbox::updateSandbox_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<bool>("ready");
    QTest::newRow("two sandboxes") << "" << "s1,办公沙箱;s2,研发沙箱;" << QStringList{"s1=办公沙箱", "s2=研发沙箱"} << false;
    QTest::newRow("bad parts skipped") << "" << "s1,a;broken;x,y,z;;s2,b" << QStringList{"s1=a", "s2=b"} << false;
    QTest::newRow("a new list replaces the old") << "s1,a;" << "s2,b;" << QStringList{"s2=b"} << false;
    // An empty push keeps the page and tells the caller the sandboxes are ready.
    QTest::newRow("empty keeps the list") << "s1,a;" << "" << QStringList{"s1=a"} << true;
}

void TestPageSandbox::updateSandbox()
{
    QFETCH(QString, before);
    QFETCH(QString, list);
    QFETCH(QStringList, shown);
    QFETCH(bool, ready);
    PageSandbox page;
    bool flag = false;
    if (!before.isEmpty()) {
        page.updateSandbox(before, flag);
    }
    page.updateSandbox(list, flag);
    QCOMPARE(entries(page), shown);
    QCOMPARE(page.count(), shown.size());
    QCOMPARE(flag, ready);
}

QTEST_MAIN(TestPageSandbox)
#include "tst_pagesandbox.moc"
