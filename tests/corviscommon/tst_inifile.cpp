// The INI primitives: line parsing, reading, and the in-place writer.

#include "corviscommon/inifile.h"
#include "support/testprefix.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

class TestIniFile : public QObject
{
    Q_OBJECT

private slots:
    void lineParsers_data();
    void lineParsers();
    void read_data();
    void read();
    void readBufferTooSmall();
    void readStringAndInt_data();
    void readStringAndInt();
    void write_data();
    void write();
    void writeNewFile();
    void writeReplacingKeepsLengthAndTail();
    void badFiles_data();
    void badFiles();
    void longLines();
    void hugeFileRefused();

private:
    QString file(const QByteArray& content);
    QTemporaryDir dir_{QStringLiteral("/tmp/cvb-ini.XXXXXX")};
    int counter_ = 0;
};

QString TestIniFile::file(const QByteArray& content)
{
    const QString path = dir_.filePath(QStringLiteral("f%1.ini").arg(++counter_));
    if (!writeFile(path, content)) {
        return QString();
    }
    return path;
}

void TestIniFile::lineParsers_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("comment");
    QTest::addColumn<int>("sectionRet");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<int>("itemRet");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");

    QTest::newRow("empty") << QByteArray("") << 1 << -1 << QByteArray() << -1 << QByteArray() << QByteArray();
    QTest::newRow("blanks") << QByteArray(" \t\r\n") << 1 << -1 << QByteArray() << -1 << QByteArray() << QByteArray();
    QTest::newRow("hash comment") << QByteArray("  # a=b") << 1 << -1 << QByteArray() << -1 << QByteArray() << QByteArray();
    QTest::newRow("semicolon comment") << QByteArray(";a=b") << 1 << -1 << QByteArray() << -1 << QByteArray() << QByteArray();
    QTest::newRow("header") << QByteArray("  [Mervasso]  \n") << 0 << 0 << QByteArray("Mervasso") << -1 << QByteArray() << QByteArray();
    QTest::newRow("header inner blanks kept") << QByteArray("[ a b ]") << 0 << 0 << QByteArray(" a b ") << -1 << QByteArray() << QByteArray();
    QTest::newRow("bracket alone") << QByteArray("[") << 0 << -1 << QByteArray() << -1 << QByteArray() << QByteArray();
    QTest::newRow("no closing bracket") << QByteArray("[abc=1") << 0 << -1 << QByteArray() << 0 << QByteArray("[abc") << QByteArray("1");
    QTest::newRow("empty name") << QByteArray("[]") << 0 << 0 << QByteArray("") << -1 << QByteArray() << QByteArray();
    QTest::newRow("item") << QByteArray(" key = value \n") << 0 << -1 << QByteArray() << 0 << QByteArray("key") << QByteArray("value");
    QTest::newRow("quoted with comment") << QByteArray("name = \"a b\" ; note") << 0 << -1 << QByteArray() << 0
                                         << QByteArray("name") << QByteArray("a b");
    QTest::newRow("hash ends value") << QByteArray("k=ab#cd") << 0 << -1 << QByteArray() << 0 << QByteArray("k") << QByteArray("ab");
    QTest::newRow("one quote kept") << QByteArray("k=\"") << 0 << -1 << QByteArray() << 0 << QByteArray("k") << QByteArray("\"");
    QTest::newRow("quote on one side kept") << QByteArray("k=\"ab") << 0 << -1 << QByteArray() << 0 << QByteArray("k") << QByteArray("\"ab");
    QTest::newRow("empty value") << QByteArray("key=") << 0 << -1 << QByteArray() << 0 << QByteArray("key") << QByteArray("");
    QTest::newRow("too short") << QByteArray("k=") << 0 << -1 << QByteArray() << -1 << QByteArray() << QByteArray();
    QTest::newRow("leading equal") << QByteArray("=value") << 0 << -1 << QByteArray() << -1 << QByteArray() << QByteArray();
    QTest::newRow("no equal") << QByteArray("justtext") << 0 << -1 << QByteArray() << -1 << QByteArray() << QByteArray();
    QTest::newRow("second equal in value") << QByteArray("a=b=c") << 0 << -1 << QByteArray() << 0 << QByteArray("a") << QByteArray("b=c");
    QTest::newRow("utf8 value") << QByteArray("name=安全工作台") << 0 << -1 << QByteArray() << 0 << QByteArray("name")
                                << QByteArray("安全工作台");
}

void TestIniFile::lineParsers()
{
    QFETCH(QByteArray, line);
    QFETCH(int, comment);
    QFETCH(int, sectionRet);
    QFETCH(QByteArray, section);
    QFETCH(int, itemRet);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);

    QCOMPARE(LineIsComment(line.constData()), comment);
    char name[64] = {0};
    QCOMPARE(GetSectionName(line.constData(), name, sizeof name), sectionRet);
    if (sectionRet == 0) {
        QCOMPARE(QByteArray(name), section);
    }
    char k[64] = {0};
    char v[64] = {0};
    QCOMPARE(GetItem(line.constData(), k, sizeof k, v, sizeof v), itemRet);
    if (itemRet == 0) {
        QCOMPARE(QByteArray(k), key);
        QCOMPARE(QByteArray(v), value);
    }
}

void TestIniFile::readBufferTooSmall()
{
    char name[4] = {0};
    QCOMPARE(GetSectionName("[abcdef]", name, sizeof name), -3);
    QCOMPARE(QByteArray(name), QByteArray("abc"));
    char key[4] = {0};
    char value[4] = {0};
    QCOMPARE(GetItem("abcd=1", key, sizeof key, value, sizeof value), -1);
    QCOMPARE(GetItem("abc=1234", key, sizeof key, value, sizeof value), -3);
    QCOMPARE(QByteArray(key), QByteArray("abc"));
    QCOMPARE(GetItem("abc=123", key, sizeof key, value, sizeof value), 0);

    const QString path = file("[s]\nkey=12345\n");
    char out[6] = {0};
    QCOMPARE(inifile_read(path.toLocal8Bit().constData(), "s", "key", out, 6), 0);
    QCOMPARE(QByteArray(out), QByteArray("12345"));
    QCOMPARE(inifile_read(path.toLocal8Bit().constData(), "s", "key", out, 5), -1);
}

void TestIniFile::read_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<int>("ret");
    QTest::addColumn<QByteArray>("value");

    const QByteArray cfg = "; top comment\n[Mervasso]\nServerIP = \"10.1.2.3\" ; the controller\ncsmode=1\n"
                           "[functions]\nbrowser=/usr/bin/x\n[Mervasso]\nonlyHere=2\n";
    QTest::newRow("quoted value with comment") << cfg << QByteArray("Mervasso") << QByteArray("ServerIP") << 0 << QByteArray("10.1.2.3");
    QTest::newRow("section case") << cfg << QByteArray("mervasso") << QByteArray("csmode") << 0 << QByteArray("1");
    QTest::newRow("key case") << cfg << QByteArray("Mervasso") << QByteArray("CSMODE") << 0 << QByteArray("1");
    QTest::newRow("second section not searched") << cfg << QByteArray("Mervasso") << QByteArray("onlyHere") << -1 << QByteArray();
    QTest::newRow("section ends first") << cfg << QByteArray("Mervasso") << QByteArray("browser") << -1 << QByteArray();
    QTest::newRow("other section") << cfg << QByteArray("functions") << QByteArray("browser") << 0 << QByteArray("/usr/bin/x");
    QTest::newRow("missing section") << cfg << QByteArray("nothere") << QByteArray("csmode") << -1 << QByteArray();
    QTest::newRow("empty file") << QByteArray() << QByteArray("a") << QByteArray("b") << -1 << QByteArray();
    QTest::newRow("first key wins") << QByteArray("[a]\nk=1\nk=2\n") << QByteArray("a") << QByteArray("k") << 0 << QByteArray("1");
    QTest::newRow("crlf") << QByteArray("[a]\r\nk=v\r\n") << QByteArray("a") << QByteArray("k") << 0 << QByteArray("v");
    QTest::newRow("no final newline") << QByteArray("[a]\nk=v") << QByteArray("a") << QByteArray("k") << 0 << QByteArray("v");
    QTest::newRow("commented key skipped") << QByteArray("[a]\n;k=1\nk=2\n") << QByteArray("a") << QByteArray("k") << 0 << QByteArray("2");
    QTest::newRow("nul byte ends line") << QByteArray("[a]\nk=v\0x\nz=1\n", 15) << QByteArray("a") << QByteArray("z") << 0
                                        << QByteArray("1");
    // A byte-order mark at the start does not hide the first section; elsewhere it is text.
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF[Mervasso]\ncsmode=1\n") << QByteArray("Mervasso")
                                     << QByteArray("csmode") << 0 << QByteArray("1");
    QTest::newRow("byte-order mark before a comment") << QByteArray("\xEF\xBB\xBF; note\n[a]\nk=v\n") << QByteArray("a")
                                                      << QByteArray("k") << 0 << QByteArray("v");
    QTest::newRow("mark not at the start") << QByteArray("[a]\nx=1\n\xEF\xBB\xBF[b]\nk=v\n") << QByteArray("b")
                                           << QByteArray("k") << -1 << QByteArray();
    QTest::newRow("garbage") << QByteArray("\xff\xfe\n[\x01]\n\x80=\x81\n", 11) << QByteArray("\x01") << QByteArray("\x80") << 0
                             << QByteArray("\x81");
}

void TestIniFile::read()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(int, ret);
    QFETCH(QByteArray, value);

    const QString path = file(content);
    char out[256] = {0};
    QCOMPARE(inifile_read(path.toLocal8Bit().constData(), section.constData(), key.constData(), out, sizeof out), ret);
    if (ret == 0) {
        QCOMPARE(QByteArray(out), value);
    }
}

void TestIniFile::readStringAndInt_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("string");
    QTest::addColumn<int>("number");

    QTest::newRow("integer") << QByteArray("42") << QByteArray("42") << 42;
    QTest::newRow("negative") << QByteArray("-7") << QByteArray("-7") << -7;
    QTest::newRow("blanks inside quotes trimmed") << QByteArray("\" 5 \"") << QByteArray("5") << 5;
    QTest::newRow("not a number") << QByteArray("abc") << QByteArray("abc") << 99;
    QTest::newRow("trailing letters") << QByteArray("12ab") << QByteArray("12ab") << 99;
    QTest::newRow("hex is not base 10") << QByteArray("0x10") << QByteArray("0x10") << 99;
    QTest::newRow("too large") << QByteArray("99999999999") << QByteArray("99999999999") << 99;
    QTest::newRow("quoted empty") << QByteArray("\"\"") << QByteArray("") << 99;
}

void TestIniFile::readStringAndInt()
{
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, string);
    QFETCH(int, number);

    const QByteArray path = file("[s]\nk=" + value + "\n").toLocal8Bit();
    char out[64] = {0};
    QCOMPARE(ReadStringFromIni(path.constData(), "s", "k", out, sizeof out, "dflt"), 0);
    QCOMPARE(QByteArray(out), string);
    int n = 0;
    QCOMPARE(ReadIntFromIni(path.constData(), "s", "k", n, 99), 0);
    QCOMPARE(n, number);

    // Missing key: the defaults, and the reader's code.
    QCOMPARE(ReadStringFromIni(path.constData(), "s", "missing", out, sizeof out, "dflt"), -1);
    QCOMPARE(QByteArray(out), QByteArray("dflt"));
    QCOMPARE(ReadIntFromIni(path.constData(), "s", "missing", n, 99), -1);
    QCOMPARE(n, 99);
    QCOMPARE(ReadStringFromIni("/nonexistent/x.ini", "s", "k", out, sizeof out, "d2"), -2);
    QCOMPARE(QByteArray(out), QByteArray("d2"));
    // "k=" is too short to be an item: not found.
    const QByteArray shortLine = file("[s]\nk=\n").toLocal8Bit();
    QCOMPARE(ReadStringFromIni(shortLine.constData(), "s", "k", out, sizeof out, "dflt"), -1);
    QCOMPARE(QByteArray(out), QByteArray("dflt"));
    // A value too long for its buffer reads as the default.
    char small[3] = {0};
    QCOMPARE(ReadStringFromIni(file("[s]\nk=abcdef\n").toLocal8Bit().constData(), "s", "k", small, sizeof small, "d"), -1);
    QCOMPARE(QByteArray(small), QByteArray("d"));
}

void TestIniFile::write_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("replace, same length")
        << QByteArray("[functions]\nrememberaccount=1\nbrowser=x\n") << QByteArray("functions") << QByteArray("rememberaccount")
        << QByteArray("0") << QByteArray("[functions]\nrememberaccount=0\nbrowser=x\n");
    QTest::newRow("replace, shorter value padded")
        << QByteArray("[a]\nk=12345\nz=1\n") << QByteArray("a") << QByteArray("k") << QByteArray("1")
        << QByteArray("[a]\nk=1    \nz=1\n");
    QTest::newRow("replace, longer value grows")
        << QByteArray("[a]\nk=1\nz=1\n") << QByteArray("a") << QByteArray("k") << QByteArray("12345")
        << QByteArray("[a]\nk=12345\nz=1\n");
    QTest::newRow("replace ignoring key and section case")
        << QByteArray("[A]\nKey = 1\n") << QByteArray("a") << QByteArray("key") << QByteArray("2")
        << QByteArray("[A]\nkey=2  \n");
    QTest::newRow("same value changes nothing")
        << QByteArray("[a]\nk = \"v\" ;c\n") << QByteArray("a") << QByteArray("k") << QByteArray("v")
        << QByteArray("[a]\nk = \"v\" ;c\n");
    QTest::newRow("value compared with case")
        << QByteArray("[a]\nk=V\n") << QByteArray("a") << QByteArray("k") << QByteArray("v") << QByteArray("[a]\nk=v\n");
    QTest::newRow("insert before next header")
        << QByteArray("[a]\nx=1\n\n[b]\ny=2\n") << QByteArray("a") << QByteArray("k") << QByteArray("v")
        << QByteArray("[a]\nx=1\n\nk=v\n[b]\ny=2\n");
    QTest::newRow("append at end of section")
        << QByteArray("[a]\nx=1\n") << QByteArray("a") << QByteArray("k") << QByteArray("v") << QByteArray("[a]\nx=1\n\nk=v\n");
    QTest::newRow("append missing section")
        << QByteArray("[a]\nx=1\n") << QByteArray("b") << QByteArray("k") << QByteArray("v")
        << QByteArray("[a]\nx=1\n\n[b]\nk=v\n");
    QTest::newRow("only the first section is used")
        << QByteArray("[a]\n[b]\n[a]\nk=1\n") << QByteArray("a") << QByteArray("k") << QByteArray("2")
        << QByteArray("[a]\nk=2\n[b]\n[a]\nk=1\n");
    QTest::newRow("last line without newline")
        << QByteArray("[a]\nk=1") << QByteArray("a") << QByteArray("k") << QByteArray("2") << QByteArray("[a]\nk=2\n");
    QTest::newRow("byte-order mark kept, first section found")
        << QByteArray("\xEF\xBB\xBF[functions]\nrememberaccount=1\n") << QByteArray("functions")
        << QByteArray("rememberaccount") << QByteArray("0") << QByteArray("\xEF\xBB\xBF[functions]\nrememberaccount=0\n");
    QTest::newRow("byte-order mark kept, key appended to the first section")
        << QByteArray("\xEF\xBB\xBF[a]\nx=1\n[b]\n") << QByteArray("a") << QByteArray("k") << QByteArray("v")
        << QByteArray("\xEF\xBB\xBF[a]\nx=1\nk=v\n[b]\n");
    QTest::newRow("empty file gets a section")
        << QByteArray() << QByteArray("a") << QByteArray("k") << QByteArray("v") << QByteArray("\n[a]\nk=v\n");
}

void TestIniFile::write()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, after);

    const QString path = file(before);
    QCOMPARE(inifile_write(path.toLocal8Bit().constData(), section.constData(), key.constData(), value.constData(), nullptr), 0);
    QCOMPARE(readFile(path), after);
    char out[64] = {0};
    QCOMPARE(inifile_read(path.toLocal8Bit().constData(), section.constData(), key.constData(), out, sizeof out), 0);
    QCOMPARE(QByteArray(out), value);
}

void TestIniFile::writeNewFile()
{
    const QString path = dir_.filePath(QStringLiteral("new.ini"));
    QCOMPARE(inifile_write(path.toLocal8Bit().constData(), "UserInfo", "CsUserName", "张三", nullptr), 0);
    QCOMPARE(readFile(path), QByteArray("[UserInfo]\nCsUserName=张三\n"));
    const QString commented = dir_.filePath(QStringLiteral("commented.ini"));
    inifile_write(commented.toLocal8Bit().constData(), "s", "k", "v", "why");
    QCOMPARE(readFile(commented), QByteArray(";why\n[s]\nk=v\n"));
    inifile_write(commented.toLocal8Bit().constData(), "s", "k", "w", "new");
    QCOMPARE(readFile(commented), QByteArray(";why\n[s]\nk=w\t\t\t//new\n"));
}

void TestIniFile::writeReplacingKeepsLengthAndTail()
{
    QByteArray tail;
    for (int i = 0; i < 200; ++i) {
        tail += "key" + QByteArray::number(i) + "=value " + QByteArray::number(i * 7) + "\n";
    }
    const QByteArray before = "[Mervasso]\nServerIP=1.2.3.4\n[functions]\nrememberaccount=1\n" + tail;
    const QString path = file(before);
    inifile_write(path.toLocal8Bit().constData(), "functions", "rememberaccount", "0", nullptr);
    const QByteArray after = readFile(path);
    QCOMPARE(after.size(), before.size());
    QVERIFY(after.endsWith(tail));
    QVERIFY(after.startsWith("[Mervasso]\nServerIP=1.2.3.4\n[functions]\nrememberaccount=0\n"));
}

void TestIniFile::badFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << QStringLiteral("missing");
    QTest::newRow("directory") << QStringLiteral("directory");
    QTest::newRow("fifo") << QStringLiteral("fifo");
    QTest::newRow("dangling link") << QStringLiteral("link");
    QTest::newRow("unwritable") << QStringLiteral("unwritable");
}

void TestIniFile::badFiles()
{
    QFETCH(QString, kind);
    const QString path = dir_.filePath(QStringLiteral("bad-") + kind);
    const QByteArray p = path.toLocal8Bit();
    if (kind == QLatin1String("directory")) {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(p.constData(), 0600), 0);
    } else if (kind == QLatin1String("link")) {
        QCOMPARE(::symlink("/nonexistent/target.ini", p.constData()), 0);
    } else if (kind == QLatin1String("unwritable")) {
        if (::geteuid() == 0) {
            QSKIP("permission bits do not bind root");
        }
        QVERIFY(writeFile(path, "[a]\nk=1\n"));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
    }
    char out[32] = {0};
    const int expected = kind == QLatin1String("unwritable") ? 0 : -2;
    QCOMPARE(inifile_read(p.constData(), "a", "k", out, sizeof out), expected);
    QCOMPARE(ReadStringFromIni(p.constData(), "a", "x", out, sizeof out, "dflt"), expected == 0 ? -1 : -2);
    QCOMPARE(QByteArray(out), QByteArray("dflt"));

    // A failed write changes nothing (and a missing file is created).
    QCOMPARE(inifile_write(p.constData(), "a", "k", "2", nullptr), 0);
    if (kind == QLatin1String("missing")) {
        QCOMPARE(readFile(path), QByteArray("[a]\nk=2\n"));
    } else if (kind == QLatin1String("unwritable")) {
        QCOMPARE(readFile(path), QByteArray("[a]\nk=1\n"));
    } else if (kind == QLatin1String("link")) {
        QVERIFY(!QFile::exists(QStringLiteral("/nonexistent/target.ini")));
    } else {
        QVERIFY(!QFileInfo(path).isFile());
    }
}

void TestIniFile::longLines()
{
    // A line of 30000 bytes is read in pieces; a key in the following line is still found,
    // and a value longer than any buffer reads as not found.
    QByteArray longValue(30000, 'x');
    const QString path = file("[a]\nlong=" + longValue + "\nk=v\n");
    const QByteArray p = path.toLocal8Bit();
    char out[64] = {0};
    QCOMPARE(inifile_read(p.constData(), "a", "k", out, sizeof out), 0);
    QCOMPARE(QByteArray(out), QByteArray("v"));
    QCOMPARE(inifile_read(p.constData(), "a", "long", out, sizeof out), -1);
    // Writing after it keeps the long line byte for byte.
    inifile_write(p.constData(), "a", "k", "w", nullptr);
    QCOMPARE(readFile(path), "[a]\nlong=" + longValue + "\nk=w\n");
    inifile_write(p.constData(), "a", "long", "short", nullptr);
    QCOMPARE(inifile_read(p.constData(), "a", "long", out, sizeof out), 0);
    QCOMPARE(QByteArray(out), QByteArray("short"));
    QCOMPARE(inifile_read(p.constData(), "a", "k", out, sizeof out), 0);
    QCOMPARE(QByteArray(out), QByteArray("w"));
}

void TestIniFile::hugeFileRefused()
{
    // Over the limit: unreadable, as a file that cannot be opened, and never written.
    QByteArray content = "[Mervasso]\ncsmode=1\n";
    content += QByteArray(INI_MAX_FILE, ';');
    const QString path = file(content);
    const QByteArray p = path.toLocal8Bit();
    char out[32] = {0};
    QCOMPARE(inifile_read(p.constData(), "Mervasso", "csmode", out, sizeof out), -2);
    int number = 5;
    QCOMPARE(ReadIntFromIni(p.constData(), "Mervasso", "csmode", number, 0), -2);
    QCOMPARE(number, 0);
    QCOMPARE(inifile_write(p.constData(), "Mervasso", "csmode", "0", nullptr), 0);
    QCOMPARE(readFile(path), content);
    // At the limit it is still read.
    const QString fits = file("[Mervasso]\ncsmode=1\n" + QByteArray(INI_MAX_FILE - 20, ';'));
    QCOMPARE(inifile_read(fits.toLocal8Bit().constData(), "Mervasso", "csmode", out, sizeof out), 0);
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
