// Version comparison and the small string helpers beside it.

#include "corviscommon/versioncompare.h"

#include <QtTest>

class TestVersionCompare : public QObject
{
    Q_OBJECT

private slots:
    void compare_data();
    void compare();
    void samePointerAndNull();
    void split_data();
    void split();
    void randomString_data();
    void randomString();
};

void TestVersionCompare::compare_data()
{
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<int>("result");

    QTest::newRow("first piece as numbers") << QByteArray("10.0") << QByteArray("9.9") << 1;
    QTest::newRow("later pieces as fractions") << QByteArray("1.5") << QByteArray("1.10") << 1;
    QTest::newRow("trailing zero piece") << QByteArray("1.2") << QByteArray("1.2.0") << 0;
    QTest::newRow("dash and letters") << QByteArray("2.0-beta") << QByteArray("2.0.0") << 0;
    QTest::newRow("leading letter is a leading dot") << QByteArray("v1.2") << QByteArray(".1.2") << 0;
    QTest::newRow("older") << QByteArray("1.2.3") << QByteArray("1.2.4") << -1;
    QTest::newRow("fraction 05 below 5") << QByteArray("1.05") << QByteArray("1.5") << -1;
    QTest::newRow("leading zeros of the first piece") << QByteArray("010.1") << QByteArray("9.9") << 1;
    QTest::newRow("empty piece reads as zero") << QByteArray("1..2") << QByteArray("1.0.2") << 0;
    QTest::newRow("both empty") << QByteArray("") << QByteArray("") << 0;
    QTest::newRow("empty against a version") << QByteArray("") << QByteArray("1") << -1;
    QTest::newRow("empty against zero") << QByteArray("") << QByteArray("0") << 0;
    QTest::newRow("build numbers") << QByteArray("3.1.0.20240105") << QByteArray("3.1.0.20231230") << 1;
    QTest::newRow("only the first 255 characters count")
        << QByteArray("1.") + QByteArray(253, '0') + "1" << QByteArray("1.") + QByteArray(253, '0') + "2" << 0;
    QTest::newRow("the 255th character counts")
        << QByteArray("1.") + QByteArray(252, '0') + "1" << QByteArray("1.") + QByteArray(252, '0') + "2" << -1;
}

void TestVersionCompare::compare()
{
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(int, result);

    QCOMPARE(SWVersionCompare(a.constData(), b.constData()), result);
    QCOMPARE(SWVersionCompare(b.constData(), a.constData()), -result);
}

void TestVersionCompare::samePointerAndNull()
{
    const char* text = "garbage that is no version";
    QCOMPARE(SWVersionCompare(text, text), 0);
    QCOMPARE(SWVersionCompare(nullptr, "0.0"), 0);
    QCOMPARE(SWVersionCompare(nullptr, "1"), -1);
    QCOMPARE(SWVersionCompare(nullptr, nullptr), 0);
}

void TestVersionCompare::split_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("pieces");

    QTest::newRow("plain") << QByteArray("a,b,c") << QStringList{"a", "b", "c"};
    QTest::newRow("empty pieces kept") << QByteArray(",a,,b,") << QStringList{"", "a", "", "b", ""};
    QTest::newRow("no separator") << QByteArray("abc") << QStringList{"abc"};
    QTest::newRow("empty text") << QByteArray() << QStringList{""};
}

void TestVersionCompare::split()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, pieces);

    std::vector<std::string> out{"stale"};
    split_string_by_separator(text.toStdString(), out, ',');
    QStringList got;
    for (const std::string& piece : out) {
        got << QString::fromStdString(piece);
    }
    QCOMPARE(got, pieces);
    QCOMPARE(QString::fromStdString(concatenate_string(out)), pieces.join(QString()));
}

void TestVersionCompare::randomString_data()
{
    QTest::addColumn<QByteArray>("alphabet");
    QTest::addColumn<QByteArray>("length");
    QTest::addColumn<int>("size");

    QTest::newRow("sixteen") << QByteArray("abc123") << QByteArray("16") << 16;
    QTest::newRow("one letter alphabet") << QByteArray("x") << QByteArray("5") << 5;
    QTest::newRow("zero length") << QByteArray("abc") << QByteArray("0") << 0;
    QTest::newRow("length not a number") << QByteArray("abc") << QByteArray("many") << 0;
    QTest::newRow("empty alphabet") << QByteArray() << QByteArray("8") << 0;
    QTest::newRow("absurd length") << QByteArray("abc") << QByteArray("99999999999") << 0;
}

void TestVersionCompare::randomString()
{
    QFETCH(QByteArray, alphabet);
    QFETCH(QByteArray, length);
    QFETCH(int, size);

    std::string out = "stale";
    GetRandomString(alphabet.toStdString(), length.toStdString(), out);
    QCOMPARE(int(out.size()), size);
    for (char c : out) {
        QVERIFY(alphabet.contains(c));
    }
}

QTEST_GUILESS_MAIN(TestVersionCompare)
#include "tst_versioncompare.moc"
