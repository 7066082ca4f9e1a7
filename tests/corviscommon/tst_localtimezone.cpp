#include "corviscommon/localtimezone.h"

#include <QtTest>

#include <cstdlib>
#include <ctime>

namespace {

void setZone(const QByteArray& value, bool set)
{
    if (set) {
        ::setenv("TZ", value.constData(), 1);
    } else {
        ::unsetenv("TZ");
    }
    ::tzset();
}

// Offset from UTC and local wall-clock text of an instant, as log lines would show it.
QString localText(time_t instant)
{
    struct tm parts {};
    ::localtime_r(&instant, &parts);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return QString::fromLatin1(text) + QStringLiteral(" %1").arg(parts.tm_gmtoff);
}

}  // namespace

class TestLocalTimeZone : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { ::unsetenv("TZ"); }

    void pinned_data()
    {
        QTest::addColumn<bool>("set");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("unset: the system's zone file") << false << QByteArray() << QByteArray(":/etc/localtime");
        QTest::newRow("empty means UTC: kept") << true << QByteArray("") << QByteArray("");
        QTest::newRow("a zone name: kept") << true << QByteArray("Asia/Shanghai") << QByteArray("Asia/Shanghai");
        QTest::newRow("a POSIX rule: kept") << true << QByteArray("CST-8") << QByteArray("CST-8");
    }

    void pinned()
    {
        QFETCH(bool, set);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        setZone(before, set);
        corvis::pinLocalTimeZone();
        const char* zone = std::getenv("TZ");
        QVERIFY(zone != nullptr);
        QCOMPARE(QByteArray(zone), after);
    }

    // Winter, summer, the epoch and a leap day: the same wall clock with and without the pin.
    void localTimeUnchanged()
    {
        const time_t instants[] = {0, 1700000000, 1719792000, 1709164800, 2000000000};
        setZone(QByteArray(), false);
        QStringList unpinned;
        for (time_t instant : instants) {
            unpinned << localText(instant);
        }
        corvis::pinLocalTimeZone();
        QStringList pinned;
        for (time_t instant : instants) {
            pinned << localText(instant);
        }
        QCOMPARE(pinned, unpinned);
    }
};

QTEST_GUILESS_MAIN(TestLocalTimeZone)
#include "tst_localtimezone.moc"
