// Downloaded pictures for the sandbox side: only a plain name directly in the shared folder is
// written, never through a link and never elsewhere.

#include "corviscommon/downloadstore.h"
#include "support/logcapture.h"
#include "support/testprefix.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <sys/stat.h>

class TestDownloadStore : public QObject
{
    Q_OBJECT

private slots:
    void folderBySandboxType_data();
    void folderBySandboxType();
    void names_data();
    void names();
    void replacesExistingFile();
    void linkAtThePathIsReplaced();
    void linkedFolderRefused();
};

void TestDownloadStore::folderBySandboxType_data()
{
    QTest::addColumn<QByteArray>("sysCfg");
    QTest::addColumn<QString>("folder");
    QTest::newRow("type 1") << QByteArray("[Mervasso]\nsandboxtype=1\n") << "/tmp/.corvis_cfs";
    QTest::newRow("type 0") << QByteArray("[Mervasso]\nsandboxtype=0\n") << "/tmp/._corvisdata";
    QTest::newRow("unknown") << QByteArray() << "/tmp/._corvisdata";
}

void TestDownloadStore::folderBySandboxType()
{
    QFETCH(QByteArray, sysCfg);
    QFETCH(QString, folder);
    TestPrefix prefix;
    prefix.writeSysCfg(sysCfg);
    QCOMPARE(DownloadStore::folder(), prefix.path(folder));
    QCOMPARE(DownloadStore::iconPath(QStringLiteral("app1")), prefix.path(folder + QStringLiteral("/app1.png")));
    // The folder is made when missing.
    QVERIFY(DownloadStore::write(DownloadStore::iconPath(QStringLiteral("app1")), "icon"));
    QCOMPARE(readFile(prefix.path(folder + QStringLiteral("/app1.png"))), QByteArray("icon"));
}

void TestDownloadStore::names_data()
{
    QTest::addColumn<QString>("path");  // "{dir}" is the folder
    QTest::addColumn<bool>("written");
    QTest::newRow("plain") << "{dir}/app-7_x.png" << true;
    QTest::newRow("chinese") << "{dir}/办公.png" << true;
    QTest::newRow("dots inside a name") << "{dir}/a.b.png" << true;
    QTest::newRow("empty source") << "{dir}/.png" << false;
    QTest::newRow("parent") << "{dir}/...png" << false;
    QTest::newRow("climbs out") << "{dir}/../../etc/evil.png" << false;
    QTest::newRow("double dot inside") << "{dir}/a..b.png" << false;
    QTest::newRow("subfolder") << "{dir}/sub/app.png" << false;
    QTest::newRow("absolute source") << "{dir}//etc/evil.png" << false;
    QTest::newRow("other folder") << "/tmp/app.png" << false;
    QTest::newRow("folder prefix only") << "{dir}x/app.png" << false;
    QTest::newRow("not png") << "{dir}/app.sh" << false;
    QTest::newRow("nul") << QStringLiteral("{dir}/a") + QChar(0) + QStringLiteral("b.png") << false;
}

void TestDownloadStore::names()
{
    QFETCH(QString, path);
    QFETCH(bool, written);
    TestPrefix prefix;
    LogCapture log;
    const QString full = QString(path).replace(QStringLiteral("{dir}"), DownloadStore::folder());
    const QStringList before = QDir(prefix.root()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QCOMPARE(DownloadStore::write(full, "data"), written);
    if (written) {
        QCOMPARE(readFile(full), QByteArray("data"));
        QCOMPARE(QDir(DownloadStore::folder()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    } else {
        QVERIFY(log.contains(QStringLiteral("FUNC(DownloadStore::write) skip file"), google::GLOG_WARNING));
        // Nothing appeared anywhere below the prefix.
        QCOMPARE(QDir(prefix.root()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
        QVERIFY(!QFileInfo::exists(DownloadStore::folder()));
    }
}

void TestDownloadStore::replacesExistingFile()
{
    TestPrefix prefix;
    const QString path = DownloadStore::iconPath(QStringLiteral("app"));
    QVERIFY(DownloadStore::write(path, "first, longer"));
    QVERIFY(DownloadStore::write(path, "second"));
    QCOMPARE(readFile(path), QByteArray("second"));
    QCOMPARE(QFileInfo(path).permissions() & QFile::ReadOther, QFile::ReadOther);
    // No half-written file is left beside it.
    QCOMPARE(QDir(DownloadStore::folder()).entryList(QDir::Files | QDir::Hidden), QStringList{"app.png"});
}

void TestDownloadStore::linkAtThePathIsReplaced()
{
    TestPrefix prefix;
    const QString victim = prefix.path(QStringLiteral("/victim"));
    QVERIFY(writeFile(victim, "keep me"));
    QVERIFY(QDir().mkpath(DownloadStore::folder()));
    const QString path = DownloadStore::iconPath(QStringLiteral("app"));
    QVERIFY(QFile::link(victim, path));
    QVERIFY(DownloadStore::write(path, "icon"));
    QCOMPARE(readFile(victim), QByteArray("keep me"));
    QVERIFY(!QFileInfo(path).isSymLink());
    QCOMPARE(readFile(path), QByteArray("icon"));
}

void TestDownloadStore::linkedFolderRefused()
{
    TestPrefix prefix;
    const QString elsewhere = prefix.path(QStringLiteral("/elsewhere"));
    QVERIFY(QDir().mkpath(elsewhere));
    QVERIFY(QDir().mkpath(prefix.path(QStringLiteral("/tmp"))));
    QVERIFY(QFile::link(elsewhere, DownloadStore::folder()));
    LogCapture log;
    QVERIFY(!DownloadStore::write(DownloadStore::iconPath(QStringLiteral("app")), "icon"));
    QVERIFY(QDir(elsewhere).isEmpty());
    QVERIFY(log.contains(QStringLiteral("cannot open folder"), google::GLOG_WARNING));
}

QTEST_GUILESS_MAIN(TestDownloadStore)
#include "tst_downloadstore.moc"
