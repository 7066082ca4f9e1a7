// Utility: the sandbox type and its cache.

#include "corviscommon/utility.h"
#include "fakehost.h"
#include "support/logcapture.h"
#include "support/testprefix.h"
#include "testpaths.h"

#include <QtTest>

class TestUtility : public QObject
{
    Q_OBJECT

private slots:
    void sandboxType_data();
    void sandboxType();
};

void TestUtility::sandboxType_data()
{
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<int>("firstType");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<int>("secondType");

    const QByteArray none;
    QTest::newRow("absent is 0 and stays") << none << 0 << QByteArray("1") << 0;
    QTest::newRow("1 stays") << QByteArray("1") << 1 << QByteArray("0") << 1;
    QTest::newRow("0 stays") << QByteArray("0") << 0 << QByteArray("1") << 0;
    QTest::newRow("other value read again") << QByteArray("5") << 2 << QByteArray("1") << 1;
    QTest::newRow("negative read again") << QByteArray("-1") << 2 << QByteArray("0") << 0;
    QTest::newRow("text is 0") << QByteArray("abc") << 0 << QByteArray("1") << 0;
}

void TestUtility::sandboxType()
{
    QFETCH(QByteArray, first);
    QFETCH(int, firstType);
    QFETCH(QByteArray, second);
    QFETCH(int, secondType);

    TestPrefix prefix;
    auto config = [](const QByteArray& value) {
        return value.isNull() ? QByteArray("[Mervasso]\ncsmode=1\n") : "[Mervasso]\nsandboxtype=" + value + "\n";
    };
    QVERIFY(prefix.writeSysCfg(config(first)));
    QCOMPARE(Utility::getSandboxtype(), firstType);
    // Written directly, so that no cache is reset behind the function's back.
    QVERIFY(writeFile(prefix.installPath(QStringLiteral("ini/syscfg.ini")), config(second)));
    QCOMPARE(Utility::getSandboxtype(), secondType);
}

QTEST_GUILESS_MAIN(TestUtility)
#include "tst_utility.moc"
