// The pictures the program names: built into the program, and installed below the install root.

#include "src/CustomControl/cuspicture.h"
#include "support/testprefix.h"
#include "testpaths.h"

#include <QFileInfo>
#include <QImageReader>
#include <QMovie>
#include <QPixmap>
#include <QtTest>

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void builtIn_data();
    void builtIn();
    void installed_data();
    void installed();
    void loadingIsAnimated();
    void sharpPicture_data();
    void sharpPicture();

private:
    TestPrefix prefix_;
};

void TestResources::builtIn_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    const QSize icon(24, 24);
    QTest::newRow("logo") << ":/resources/Img/corvislogo.png" << QSize(128, 128);
    QTest::newRow("vesk logo") << ":/resource/vesk/logo.png" << QSize(128, 128);
    QTest::newRow("portal") << ":/resources/Img/icon_portal.png" << icon;
    QTest::newRow("sandbox") << ":/resources/Img/icon_sandbox.png" << icon;
    QTest::newRow("device information") << ":/resources/Img/icon_device_info.png" << icon;
    QTest::newRow("dynamic authorization") << ":/resources/Img/icon_dynamic_auth.png" << icon;
    QTest::newRow("version check") << ":/resources/Img/icon_version_check.png" << icon;
    QTest::newRow("star yellow") << ":/resources/Img/star_yellow.png" << icon;
    QTest::newRow("star gray") << ":/resources/Img/star_gray.png" << icon;
    QTest::newRow("box yellow") << ":/resources/Img/box_yellow.png" << icon;
    QTest::newRow("box gray") << ":/resources/Img/box_gray.png" << icon;
    QTest::newRow("minimise") << ":/resources/Img/btn_min.png" << QSize(16, 16);
    QTest::newRow("close") << ":/resources/Img/btn_close.png" << QSize(16, 16);
    QTest::newRow("minimise white") << ":/resources/Img/btn_min_white.png" << QSize(16, 16);
    QTest::newRow("close white") << ":/resources/Img/btn_close_white.png" << QSize(16, 16);
    QTest::newRow("refresh") << ":/resources/Img/icon_refresh.png" << QSize(20, 20);
    QTest::newRow("message") << ":/resources/Img/icon_message.png" << QSize(20, 20);
    QTest::newRow("user") << ":/resources/Img/icon_user.png" << icon;
    QTest::newRow("calendar") << ":/resources/Img/icon_calendar.png" << QSize(16, 16);
    QTest::newRow("eye open") << ":/resources/Img/eye_open.png" << QSize(16, 16);
    QTest::newRow("eye closed") << ":/resources/Img/eye_close.png" << QSize(16, 16);
    QTest::newRow("connected") << ":/resources/Img/icon_connected.png" << QSize(58, 20);
}

void TestResources::builtIn()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QPixmap picture(path);
    QVERIFY2(!picture.isNull(), qPrintable(path));
    QCOMPARE(picture.size(), size);
    // Sharp at device pixel ratio 2: a twin of twice the size (QIcon picks it).
    const QPixmap twin(CusPicture::twinPath(path));
    QVERIFY2(!twin.isNull(), qPrintable(CusPicture::twinPath(path)));
    QCOMPARE(twin.size(), size * 2);
}

void TestResources::installed_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    const QSize check(190, 220);
    const QSize badge(64, 64);
    QTest::newRow("product logo") << "resource/logo.png" << QSize(128, 128);
    QTest::newRow("kav logo") << "resource/logo_kav.png" << QSize(95, 95);
    for (const char* dir : {"default", "vesk"}) {
        const QString login = QStringLiteral("resource/%1/clientlogin/").arg(QLatin1String(dir));
        QTest::addRow("%s right_succ", dir) << login + "right_succ.png" << check;
        QTest::addRow("%s right_fail", dir) << login + "right_fail.png" << check;
        QTest::addRow("%s scan_ok", dir) << login + "scan_ok.png" << badge;
        QTest::addRow("%s scan_refresh", dir) << login + "scan_refresh.png" << badge;
        QTest::addRow("%s head_error", dir) << login + "head_error.png" << badge;
        QTest::addRow("%s head_fixing", dir) << login + "head_fixing.png" << badge;
        QTest::addRow("%s dynamic_score", dir)
            << QStringLiteral("resource/%1/clientmain/dynamic_score.png").arg(QLatin1String(dir)) << QSize(120, 120);
    }
    QTest::newRow("certificate") << QStringLiteral("resource/default/clientlogin/证书认证.png") << QSize(200, 150);
    QTest::newRow("portal blank") << "resource/default/clientmain/portal_blank.png" << QSize(240, 180);
    QTest::newRow("network mode") << "resource/default/clientmain/bg_netmode.png" << QSize(240, 32);
    QTest::newRow("loading") << "resource/default/clientmain/loading.gif" << QSize(64, 64);
    QTest::newRow("vesk device item") << "resource/vesk/clientmain/device_info_checked.png" << QSize(24, 24);
    QTest::newRow("vesk score item") << "resource/vesk/clientmain/dynamic_score_checked.png" << QSize(24, 24);
    QTest::newRow("vesk version item") << "resource/vesk/clientmain/version_check.png" << QSize(24, 24);
}

void TestResources::installed()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QString file = QStringLiteral(CORVIS_SOURCE_DIR "/resources/installroot/") + path;
    QVERIFY2(QFileInfo(file).isFile(), qPrintable(file));
    QImageReader reader(file);
    QCOMPARE(reader.size(), size);
    QVERIFY2(!reader.read().isNull(), qPrintable(reader.errorString()));
    if (file.endsWith(QLatin1String(".png"))) {
        QImageReader twin(CusPicture::twinPath(file));
        QCOMPARE(twin.size(), size * 2);
        QVERIFY2(!twin.read().isNull(), qPrintable(twin.errorString()));
    }
}

void TestResources::loadingIsAnimated()
{
    QMovie movie(QStringLiteral(CORVIS_SOURCE_DIR "/resources/installroot/resource/default/clientmain/loading.gif"));
    QVERIFY(movie.isValid());
    QVERIFY(movie.frameCount() > 1);
}

void TestResources::sharpPicture_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("keepAspect");
    QTest::addColumn<QSize>("devicePixels");  // empty: no picture
    const QString blank = QStringLiteral(CORVIS_SOURCE_DIR "/resources/installroot/resource/default/clientmain/portal_blank.png");
    const QString check = QStringLiteral(CORVIS_SOURCE_DIR "/resources/installroot/resource/default/clientlogin/right_succ.png");
    const QString gif = QStringLiteral(CORVIS_SOURCE_DIR "/resources/installroot/resource/default/clientmain/loading.gif");
    QTest::newRow("ratio 1: the picture") << blank << 1.0 << QSize() << true << QSize(240, 180);
    QTest::newRow("ratio 2: its twin") << blank << 2.0 << QSize() << true << QSize(480, 360);
    QTest::newRow("ratio 2, fitted") << blank << 2.0 << QSize(160, 160) << true << QSize(320, 240);
    QTest::newRow("ratio 1.5, fitted") << blank << 1.5 << QSize(160, 120) << true << QSize(240, 180);
    QTest::newRow("ratio 2, stretched") << check << 2.0 << QSize(100, 100) << false << QSize(200, 200);
    QTest::newRow("built in, ratio 2") << ":/resources/Img/icon_connected.png" << 2.0 << QSize() << true << QSize(116, 40);
    QTest::newRow("no twin: the picture") << gif << 2.0 << QSize() << true << QSize(64, 64);
    QTest::newRow("missing") << blank + QStringLiteral(".none") << 2.0 << QSize(10, 10) << true << QSize();
}

// Installed pictures are read sharp on a HiDPI screen and keep their logical size there.
void TestResources::sharpPicture()
{
    QFETCH(QString, path);
    QFETCH(qreal, ratio);
    QFETCH(QSize, size);
    QFETCH(bool, keepAspect);
    QFETCH(QSize, devicePixels);
    const QPixmap picture = CusPicture::load(path, size, keepAspect, ratio);
    if (devicePixels.isEmpty()) {
        QVERIFY(picture.isNull());
        return;
    }
    QCOMPARE(picture.size(), devicePixels);
    const bool fromTwin = !size.isValid() && picture.devicePixelRatio() > 1.0;
    const QSizeF logical = QSizeF(picture.size()) / picture.devicePixelRatio();
    if (size.isValid()) {
        QCOMPARE(picture.devicePixelRatio(), ratio);
        QVERIFY(logical.width() <= size.width() + 0.01 && logical.height() <= size.height() + 0.01);
    } else {
        QCOMPARE(logical.toSize(), fromTwin ? devicePixels / 2 : devicePixels);
    }
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
