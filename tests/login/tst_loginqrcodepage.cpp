// The QR page as a user sees it: the code on the button scans to the login URL (also at a device
// pixel ratio of 2: this executable runs a second time with QT_SCALE_FACTOR=2), the overlays, the
// hint line, the cancel button, and the URL too long for a code.

#include "corviscommon/productpath.h"
#include "login/loginqrcodepage.h"
#include "login/mqrcode.h"
#include "login/qrloginflow.h"
#include "src/CustomControl/custiplabel.h"
#include "support/logcapture.h"
#include "support/qrdecode.h"
#include "support/testprefix.h"
#include "testpaths.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using Id = corvis::Edition::Id;

namespace {

QString urlOf(int bytes)
{
    QString url = QStringLiteral("https://portal.corvis.example/mobile/qrlogin?sign=");
    for (int i = 0; url.size() < bytes; ++i) {
        url.append(QLatin1Char(i % 3 == 0 ? '0' + i % 10 : 'a' + i % 26));
    }
    return url.left(bytes);
}

// What the screen shows of the button: its own background with the icon on it.
QImage screenOf(QPushButton* button)
{
    return button->grab().toImage();
}

bool drive(QrLoginFlow* flow, const QString& url)
{
    return flow->onResult(CReqClientQrcodeSign, QStringLiteral(R"({"data":{"sign":"s-1"}})"), false) &&
           flow->onResult(CReqClientQrcode72, QStringLiteral(R"({"loginurl":"%1"})").arg(url), false);
}

// Pixels of a colour (within a small distance) in a picture.
int countColour(const QImage& image, const QColor& colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += qAbs(c.red() - colour.red()) + qAbs(c.green() - colour.green()) + qAbs(c.blue() - colour.blue()) < 40;
        }
    }
    return n;
}

// Pixels dark enough for text.
int countDark(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += qGray(image.pixel(x, y)) < 110;
        }
    }
    return n;
}

}  // namespace

class TestLoginQrcodePage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void structure();
    void codeScans_data();
    void codeScans();
    void flowThroughPage_data();
    void flowThroughPage();
    void urlTooLong();
    void overlays();

private:
    std::unique_ptr<TestPrefix> prefix_;
    qreal ratio_ = 1.0;
};

void TestLoginQrcodePage::initTestCase()
{
    prefix_ = std::make_unique<TestPrefix>();
    for (const char* dir : {"default", "vesk"}) {
        for (const char* name : {"scan_ok.png", "scan_refresh.png"}) {
            const QString relative = QStringLiteral("resource/%1/clientlogin/%2").arg(dir, name);
            QVERIFY(prefix_->writeInstallFile(relative, readFile(CORVIS_SOURCE_DIR "/resources/installroot/" + relative)));
        }
    }
    LoginQrcodePage probe{corvis::Edition()};
    ratio_ = probe.devicePixelRatioF();
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == QLatin1String("2")) {
        QCOMPARE(ratio_, 2.0);
    }
}

void TestLoginQrcodePage::structure()
{
    LoginQrcodePage page{corvis::Edition()};
    for (const char* name : {"btnLoginQrcode", "labelQrcodeHint", "labelQrcodeScanned", "btnLoginQrcodeCancel"}) {
        QWidget* child = page.findChild<QWidget*>(name);
        QVERIFY2(child != nullptr, name);
        QVERIFY2(!child->accessibleName().isEmpty(), name);
    }
    QCOMPARE(page.cancelButton()->text(), QStringLiteral("取消登录"));
    QCOMPARE(page.codeButton()->size(), QSize(LoginQrcodePage::kCodeSide, LoginQrcodePage::kCodeSide));
    QCOMPARE(page.hintLabel()->textFormat(), Qt::PlainText);
    QCOMPARE(page.scanIndicator()->textFormat(), Qt::PlainText);
    QVERIFY(page.scanIndicator()->isHidden());
    QVERIFY(page.flow() != nullptr);
    // Nothing has started: the button is white, not empty.
    QVERIFY(!page.codeButton()->icon().isNull());
}

void TestLoginQrcodePage::codeScans_data()
{
    QTest::addColumn<QString>("url");
    QTest::newRow("short") << "https://a.example/q";
    QTest::newRow("as corvissim hands it out") << "https://portal.corvis.example/mobile/qrlogin?sign=qrsign-0001";
    QTest::newRow("with Chinese") << "https://portal.corvis.example/扫码?用户=张三&sign=7f3a";
    QTest::newRow("150 bytes") << urlOf(150);
    QTest::newRow("250 bytes") << urlOf(250);
}

void TestLoginQrcodePage::codeScans()
{
    QFETCH(QString, url);
    LoginQrcodePage page{corvis::Edition()};
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QPushButton* button = page.codeButton();
    const QImage picture = MQRcode::generateQRcode(button, url);
    QCOMPARE(picture.size(), QSize(220 * ratio_, 220 * ratio_));
    QCOMPARE(picture.devicePixelRatio(), ratio_);
    QCOMPARE(button->iconSize(), QSize(196, 196));
    const QList<QByteArray> picked = decodeQrCodes(picture);
    QCOMPARE(picked.size(), 1);
    QCOMPARE(picked.first(), url.toUtf8());
    // And as the screen shows it: the icon, 24 pixels smaller, on the button.
    const QImage screen = screenOf(button);
    QCOMPARE(screen.size(), QSize(220 * ratio_, 220 * ratio_));
    const QList<QByteArray> seen = decodeQrCodes(screen);
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.first(), url.toUtf8());
}

void TestLoginQrcodePage::flowThroughPage_data()
{
    QTest::addColumn<int>("edition");
    QTest::addColumn<QString>("hint");
    QTest::newRow("standard") << int(Id::Standard) << "打开并登录 移动端门户 扫描即可登录\n(可扫描二维码下载)";
    QTest::newRow("tirrowa-uos-x86") << int(Id::TirrowaUosX86) << "打开手机澜讯，点击右上角“+”，使用扫一扫进行扫码登录";
    QTest::newRow("vesk-uos-4.19.71") << int(Id::VeskUos) << "";
}

void TestLoginQrcodePage::flowThroughPage()
{
    QFETCH(int, edition);
    QFETCH(QString, hint);
    const bool tirrowa = edition == int(Id::TirrowaUosX86);
    LogCapture log;
    LoginQrcodePage page{corvis::Edition(Id(edition))};
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QSignalSpy sent(page.flow(), &QrLoginFlow::sendRequest);

    QTest::mouseClick(page.codeButton(), Qt::LeftButton);
    QCOMPARE(sent.count(), 1);
    QCOMPARE(sent.last().first().value<ClientReq>(), CReqClientQrcodeSign);
    const QString url = QStringLiteral("https://portal.corvis.example/mobile/qrlogin?sign=s-1");
    QVERIFY(drive(page.flow(), url));
    QCOMPARE(page.hintLabel()->text(), hint);
    QCOMPARE(page.hintLabel()->tipColour(), QStringLiteral("#2F2F2F"));
    QCOMPARE(decodeQrCodes(screenOf(page.codeButton())), QList<QByteArray>{url.toUtf8()});
    QCOMPARE(page.codeButton()->accessibleName(), QStringLiteral("登录二维码"));

    page.flow()->onHeartbeatTick();
    QVERIFY(page.flow()->onResult(CReqClientQrcode73, R"({"status":2001,"msg":"","data":{"username":"alice"}})", false));
    QCOMPARE(page.codeButton()->accessibleName(), QStringLiteral("“alice”扫描成功"));
    QCOMPARE(page.scanIndicator()->isVisibleTo(&page), tirrowa);
    QCOMPARE(page.codeButton()->iconSize(), QSize(196, 196));

    // The cancel button, pressed as a screen reader does.
    page.cancelButton()->click();
    QVERIFY(log.contains("m_pLoginQrcodeCancel clicked"));
    QCOMPARE(sent.last().at(0).value<ClientReq>(), CReqClientLogin82);
    QCOMPARE(sent.last().at(1).toString(), QStringLiteral("s-1"));
    QVERIFY(!page.cancelButton()->isEnabled());
    QVERIFY(page.flow()->onResult(CReqClientLogin82, QStringLiteral("{}"), false));
    QCOMPARE(sent.last().first().value<ClientReq>(), CReqClientQrcodeSign);
    QVERIFY(page.cancelButton()->isEnabled());
    QVERIFY(!page.scanIndicator()->isVisibleTo(&page));

    // A failed step: the tip in the hint line, the refresh picture on the button.
    QVERIFY(page.flow()->onResult(CReqClientQrcodeSign, QStringLiteral("后台通信失败"), true));
    QCOMPARE(page.hintLabel()->text(), QStringLiteral("后台通信失败"));
    QCOMPARE(page.hintLabel()->tipColour(), QStringLiteral("#D8424E"));
    QCOMPARE(page.codeButton()->accessibleName(), QStringLiteral("刷新二维码"));
    QTest::mouseClick(page.codeButton(), Qt::LeftButton);
    QCOMPARE(sent.last().first().value<ClientReq>(), CReqClientQrcodeSign);
}

void TestLoginQrcodePage::urlTooLong()
{
    LoginQrcodePage page{corvis::Edition()};
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QPushButton* button = page.codeButton();

    // The painter on its own: no picture, the button left as it was.
    const qint64 before = button->icon().cacheKey();
    QVERIFY(MQRcode::generateQRcode(button, urlOf(3000)).isNull());
    QCOMPARE(button->icon().cacheKey(), before);

    QVERIFY(page.flow()->onBtnLoginQrcodeClicked());
    QVERIFY(drive(page.flow(), urlOf(3000)));
    QCOMPARE(page.hintLabel()->text(), QStringLiteral("登录地址过长，无法生成二维码，请联系管理员"));
    QCOMPARE(page.hintLabel()->tipColour(), QStringLiteral("#D8424E"));
    QCOMPARE(button->accessibleName(), QStringLiteral("刷新二维码"));
    // Not an empty button: the refresh picture (theme blue) and its dark text are on it.
    const QImage screen = screenOf(button);
    QVERIFY(countColour(screen, QColor("#1AA9FF")) > 200 * ratio_ * ratio_);
    QVERIFY(countDark(screen) > 30 * ratio_ * ratio_);
    QVERIFY(!page.flow()->heartbeatTimer()->isActive());
    QCOMPARE(page.flow()->info().ready, 1);
}

void TestLoginQrcodePage::overlays()
{
    QPushButton button;
    button.setFixedSize(220, 220);
    const QImage code = MQRcode::generateQRcode(&button, QStringLiteral("https://a.example/q"));
    QVERIFY(!code.isNull());
    const QPixmap faded = MQRcode::blurImage(QPixmap::fromImage(code));
    QCOMPARE(faded.size(), code.size());
    QCOMPARE(faded.devicePixelRatio(), code.devicePixelRatio());
    const QImage fadedImage = faded.toImage();
    // White and black modules alike keep only an alpha of 10 of 255.
    QCOMPARE(qAlpha(fadedImage.pixel(0, 0)), 10);
    QCOMPARE(qAlpha(fadedImage.pixel(fadedImage.width() / 2, fadedImage.height() / 2)), 10);

    const QString logo = corvis::installPathQ("resource/default/clientlogin/scan_ok.png");
    MQRcode::addLogoText(&button, faded, logo, QStringLiteral("“alice”扫描成功"), QStringLiteral("#1AA9FF"));
    QCOMPARE(button.iconSize(), QSize(196, 196));
    const QImage painted = button.icon().pixmap(QSize(220, 220) * ratio_).toImage();
    // The logo: 35 % of 220 = 77 pixels, at x = 71, y = 51; its green fills the middle of that box.
    const qreal r = painted.width() / 220.0;
    const QColor centre = painted.pixelColor(qRound(110 * r), qRound(90 * r));
    QVERIFY2(centre.green() > 150 && centre.red() < 120, qPrintable(centre.name()));
    // The text below the logo, in its band of 39 pixels.
    QImage band = painted.copy(0, qRound(128 * r), painted.width(), qRound(39 * r));
    QVERIFY(countColour(band, QColor("#1AA9FF")) > 20);
    // Above the logo only the faint code remains.
    QCOMPARE(countColour(painted.copy(0, 0, painted.width(), qRound(45 * r)), QColor("#1AA9FF")), 0);
}

QTEST_MAIN(TestLoginQrcodePage)
#include "tst_loginqrcodepage.moc"
