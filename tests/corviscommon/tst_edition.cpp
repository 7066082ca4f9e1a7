#include "corviscommon/edition.h"
#include "corviscommon/productpaths.h"
#include "support/testprefix.h"

#include <QtTest>

using corvis::Edition;

class TestEdition : public QObject
{
    Q_OBJECT
private slots:
    void fromProject_data();
    void fromProject();
    void current();
};

void TestEdition::fromProject_data()
{
    QTest::addColumn<QString>("project");
    QTest::addColumn<int>("id");
    QTest::addColumn<bool>("vesk");
    QTest::addColumn<bool>("standard");

    QTest::newRow("empty is standard") << QString() << int(Edition::Id::Standard) << false << true;
    QTest::newRow("vesk uos") << "vesk-uos-4.19.71" << int(Edition::Id::VeskUos) << true << false;
    QTest::newRow("vesk kylin") << "vesk-kylin-5.4.18-32" << int(Edition::Id::VeskKylin) << true << false;
    QTest::newRow("tirrowa") << "tirrowa-uos-x86" << int(Edition::Id::TirrowaUosX86) << false << false;
    QTest::newRow("rolq") << "rolq" << int(Edition::Id::Rolq) << false << false;
    QTest::newRow("kav") << "kav" << int(Edition::Id::Kav) << false << false;
    QTest::newRow("velmora") << "velmora" << int(Edition::Id::Velmora) << false << false;
    QTest::newRow("brastel") << "brastel-ztna" << int(Edition::Id::BrastelZtna) << false << false;
    QTest::newRow("ostrel") << "ostrel-bigdata" << int(Edition::Id::OstrelBigdata) << false << false;
    // Ids match exactly: another case or a blank is a project this program does not know.
    QTest::newRow("case differs") << "Vesk-uos-4.19.71" << int(Edition::Id::Other) << false << true;
    QTest::newRow("trailing blank") << "kav " << int(Edition::Id::Other) << false << true;
    QTest::newRow("vesk prefix only") << "vesk" << int(Edition::Id::Other) << false << true;
}

void TestEdition::fromProject()
{
    QFETCH(QString, project);
    QFETCH(int, id);
    QFETCH(bool, vesk);
    QFETCH(bool, standard);

    const Edition edition = Edition::fromProject(project);
    QCOMPARE(int(edition.id()), id);
    QCOMPARE(edition.isVesk(), vesk);
    QCOMPARE(edition.isStandard(), standard);
    QCOMPARE(edition.project(), project);
    if (id != int(Edition::Id::Other)) {
        // A known edition round-trips through its configuration spelling.
        QCOMPARE(Edition(Edition::Id(id)), edition);
    }
}

void TestEdition::current()
{
    TestPrefix prefix;
    Edition::resetCurrentForTest();
    // No configuration: the standard edition, read again on the next call.
    QVERIFY(Edition::current().isStandard());
    QVERIFY(writeFile(corvis::paths::sysCfg(), "[Mervasso]\ncustomProject = kav\n"));
    QVERIFY(Edition::current().is(Edition::Id::Kav));
    // Once read, the edition stays for the process.
    QVERIFY(writeFile(corvis::paths::sysCfg(), "[Mervasso]\ncustomProject=rolq\n"));
    QVERIFY(Edition::current().is(Edition::Id::Kav));
    Edition::resetCurrentForTest();
    QVERIFY(Edition::current().is(Edition::Id::Rolq));
    Edition::resetCurrentForTest();
}

QTEST_GUILESS_MAIN(TestEdition)
#include "tst_edition.moc"
