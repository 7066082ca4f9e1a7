// The pictures the program names: built into the program, and installed below the install root.

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
}

void TestResources::loadingIsAnimated()
{
    QMovie movie(QStringLiteral(CORVIS_SOURCE_DIR "/resources/installroot/resource/default/clientmain/loading.gif"));
    QVERIFY(movie.isValid());
    QVERIFY(movie.frameCount() > 1);
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
