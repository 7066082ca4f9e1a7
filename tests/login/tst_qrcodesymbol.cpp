// The QR symbol of a login URL: versions, the too-long case, and pictures that zbar reads back.

#include "login/qrcodesymbol.h"
#include "support/qrdecode.h"

#include <QtTest>

namespace {

QString urlOf(int bytes)
{
    QString url = QStringLiteral("https://portal.corvis.example/mobile/qrlogin?sign=");
    // Lower-case letters and digits mixed, so that the encoder cannot switch to a denser mode.
    for (int i = 0; url.size() < bytes; ++i) {
        url.append(QLatin1Char(i % 3 == 0 ? '0' + i % 10 : 'a' + i % 26));
    }
    return url.left(bytes);
}

}  // namespace

class TestQrCodeSymbol : public QObject
{
    Q_OBJECT

private slots:
    void encode_data();
    void encode();
    void longerTextLargerSymbol();
    void decodes_data();
    void decodes();
    void pictureBounds();
};

void TestQrCodeSymbol::encode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("minVersion");
    QTest::addColumn<int>("maxVersion");
    QTest::newRow("short: the smallest version allowed") << "https://a.example/q" << int(QrCodeSymbol::NoError) << 2 << 2;
    QTest::newRow("a login URL") << urlOf(120) << int(QrCodeSymbol::NoError) << 3 << 10;
    QTest::newRow("Chinese text, 8-bit UTF-8") << QStringLiteral("扫码登录：移动端门户") << int(QrCodeSymbol::NoError) << 2 << 3;
    QTest::newRow("1,600 bytes still fit") << urlOf(1600) << int(QrCodeSymbol::NoError) << 39 << 40;
    QTest::newRow("3,000 bytes do not") << urlOf(3000) << int(QrCodeSymbol::TooLong) << 0 << 0;
    QTest::newRow("1,700 bytes do not") << urlOf(1700) << int(QrCodeSymbol::TooLong) << 0 << 0;
    QTest::newRow("empty") << QString() << int(QrCodeSymbol::EmptyText) << 0 << 0;
    QTest::newRow("a NUL inside") << QStringLiteral("https://a.example/q%1x").arg(QChar(0)) << int(QrCodeSymbol::EmptyText)
                                  << 0 << 0;
}

void TestQrCodeSymbol::encode()
{
    QFETCH(QString, text);
    QFETCH(int, error);
    QFETCH(int, minVersion);
    QFETCH(int, maxVersion);
    const QrCodeSymbol symbol = QrCodeSymbol::encode(text);
    QCOMPARE(int(symbol.error()), error);
    QCOMPARE(symbol.isNull(), error != QrCodeSymbol::NoError);
    if (symbol.isNull()) {
        QVERIFY(symbol.toImage(QSize(220, 220)).isNull());
        return;
    }
    QVERIFY2(symbol.version() >= minVersion && symbol.version() <= maxVersion, qPrintable(QString::number(symbol.version())));
    QCOMPARE(symbol.width(), 17 + 4 * symbol.version());
    // Finder pattern corners are dark, the separator beside them light.
    QVERIFY(symbol.isDark(0, 0));
    QVERIFY(symbol.isDark(symbol.width() - 1, 0));
    QVERIFY(!symbol.isDark(7, 0));
    QVERIFY(!symbol.isDark(-1, 0));
    QVERIFY(!symbol.isDark(0, symbol.width()));
}

void TestQrCodeSymbol::longerTextLargerSymbol()
{
    int lastWidth = 0;
    for (int bytes : {20, 100, 300, 800, 1600}) {
        const QrCodeSymbol symbol = QrCodeSymbol::encode(urlOf(bytes));
        QVERIFY(!symbol.isNull());
        QVERIFY2(symbol.width() > lastWidth, qPrintable(QStringLiteral("%1 bytes").arg(bytes)));
        lastWidth = symbol.width();
    }
    // The module shrinks with the symbol: count the dark pixels of the top-left finder's first row.
    const auto finderRun = [](const QrCodeSymbol& symbol) {
        const QImage image = symbol.toImage(QSize(400, 400), 0);
        int run = 0;
        while (run < image.width() && qGray(image.pixel(run, 0)) < 128) {
            ++run;
        }
        return run;
    };
    const int small = finderRun(QrCodeSymbol::encode(urlOf(20)));
    const int large = finderRun(QrCodeSymbol::encode(urlOf(300)));
    QVERIFY2(small > large && large > 0, qPrintable(QStringLiteral("%1 %2").arg(small).arg(large)));
}

void TestQrCodeSymbol::decodes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("side");
    QTest::addColumn<int>("quietZone");
    const QList<QPair<const char*, QString>> texts = {
        {"short", QStringLiteral("https://a.example/q")},
        {"login URL", QStringLiteral("https://portal.corvis.example/mobile/qrlogin?sign=qrsign-0001")},
        {"150 bytes", urlOf(150)},
        {"Chinese", QStringLiteral("https://portal.corvis.example/扫码?用户=张三")},
    };
    for (const auto& text : texts) {
        for (int side : {196, 220, 440}) {
            for (int quietZone : {0, 4}) {
                QTest::addRow("%s at %d px, quiet zone %d", text.first, side, quietZone)
                    << text.second << side << quietZone;
            }
        }
    }
}

void TestQrCodeSymbol::decodes()
{
    QFETCH(QString, text);
    QFETCH(int, side);
    QFETCH(int, quietZone);
    const QImage image = QrCodeSymbol::encode(text).toImage(QSize(side, side), quietZone);
    QCOMPARE(image.size(), QSize(side, side));
    QCOMPARE(image.format(), QImage::Format_ARGB32);
    const QList<QByteArray> found = decodeQrCodes(image);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.first(), text.toUtf8());
}

void TestQrCodeSymbol::pictureBounds()
{
    const QrCodeSymbol symbol = QrCodeSymbol::encode(QStringLiteral("https://a.example/q"));
    // Edge to edge by default: the finder patterns begin at the corners of the picture.
    const QImage bare = symbol.toImage(QSize(225, 225));
    QCOMPARE(qGray(bare.pixel(0, 0)), 0);
    QCOMPARE(qGray(bare.pixel(224, 0)), 0);
    QCOMPARE(qGray(bare.pixel(0, 224)), 0);
    QCOMPARE(qGray(bare.pixel(8 * 9 - 4, 4)), 255);  // the separator beside the top-left finder
    const QImage image = symbol.toImage(QSize(232, 232), 4);
    // Four white modules on every side: 232 / (25 + 8) = 7.03 pixels a module, 28 pixels of margin.
    for (int i = 0; i < 232; ++i) {
        for (int edge : {0, 27, 204, 231}) {
            QCOMPARE(image.pixel(i, edge) | 0xFF000000, QColor(Qt::white).rgb());
            QCOMPARE(image.pixel(edge, i) | 0xFF000000, QColor(Qt::white).rgb());
        }
    }
    QCOMPARE(qGray(image.pixel(30, 30)), 0);  // the finder begins after the margin
    QVERIFY(symbol.toImage(QSize()).isNull());
}

QTEST_GUILESS_MAIN(TestQrCodeSymbol)
#include "tst_qrcodesymbol.moc"
