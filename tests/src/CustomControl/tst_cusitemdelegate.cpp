// The base item delegate: text shortening, icons, the portal geometry, the display mode, presses
// on the corner mark, and painting every type without a crash.

#include "src/CustomControl/cusitemdelegate.h"
#include "support/testprefix.h"

#include <QFontMetrics>
#include <QImage>
#include <QListView>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QtTest>

using Delegate = CusItemDelegate;

class TestCusItemDelegate : public QObject
{
    Q_OBJECT

private slots:
    void wordEllipsisText_data();
    void wordEllipsisText();
    void cornerGeometry();
    void displayModeSavedOnChange();
    void loadIcon();
    void pressOnCornerMark_data();
    void pressOnCornerMark();
    void pointerOverMark();
    void paintsEveryType_data();
    void paintsEveryType();

private:
    static QStandardItem* entry(const QString& name, const QString& icon, bool enabled, bool apply, bool marked);

    TestPrefix prefix_;
};

QStandardItem* TestCusItemDelegate::entry(const QString& name, const QString& icon, bool enabled, bool apply, bool marked)
{
    auto* item = new QStandardItem(name);
    item->setData(icon, Delegate::IconPathRole);
    item->setData(QStringLiteral("https://app.example.com/%1").arg(name), Delegate::SubtitleRole);
    item->setData(QStringLiteral("2026-03-10 09:00"), Delegate::TrailingRole);
    item->setData(enabled, Delegate::EnabledRole);
    item->setData(apply, Delegate::ApplyEntryRole);
    item->setData(marked, Delegate::MarkedRole);
    return item;
}

void TestCusItemDelegate::wordEllipsisText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("chars");
    QTest::addColumn<bool>("withDots");
    QTest::addColumn<int>("extra");
    QTest::addColumn<QString>("expected");
    // The width: `chars` times the width of "中" (every character below is that wide), plus the
    // width of "..." when `withDots`, plus `extra` pixels.
    QTest::newRow("fits exactly") << "统一门户" << 4 << false << 0 << "统一门户";
    QTest::newRow("empty") << "" << 0 << false << 0 << "";
    QTest::newRow("cut, room for three and the dots") << "办公自动化系统" << 3 << true << 0 << "办公自...";
    QTest::newRow("cut, one pixel short") << "办公自动化系统" << 3 << true << -1 << "办公...";
    QTest::newRow("nothing fits") << "办公" << 0 << false << 0 << "...";
}

void TestCusItemDelegate::wordEllipsisText()
{
    QFETCH(QString, text);
    QFETCH(int, chars);
    QFETCH(bool, withDots);
    QFETCH(int, extra);
    QFETCH(QString, expected);
    QFont font;
    font.setPixelSize(16);
    const QFontMetrics metrics(font);
    const int unit = metrics.horizontalAdvance(QStringLiteral("中"));
    const int dots = metrics.horizontalAdvance(QStringLiteral("..."));
    const int width = unit * chars + (withDots ? dots : 0) + extra;
    const QString shortened = CusItemDelegate::wordEllipsisText(metrics, text, width);
    QCOMPARE(shortened, expected);
    // What comes back fits the width it was made for, unless not even "..." fits.
    if (width >= dots) {
        QVERIFY(metrics.horizontalAdvance(shortened) <= width);
    }
}

void TestCusItemDelegate::cornerGeometry()
{
    const QRect item(100, 50, 230, 90);
    // The 28 x 28 square starts 30 pixels left of the right edge; the mark is centred in it.
    QCOMPARE(Delegate::cornerMarkRect(item), QRect(302, 52, 24, 24));
    QCOMPARE(Delegate::cornerHitRect(item), QRect(300, 50, 25, 25));

    // A character outside the basic plane is never cut in two.
    QFont font;
    font.setPixelSize(16);
    const QFontMetrics metrics(font);
    const QString text = QStringLiteral("a\U0001F600\U0001F600\U0001F600\U0001F600");
    for (int width = 0; width < metrics.horizontalAdvance(text); ++width) {
        const QString shortened = Delegate::wordEllipsisText(metrics, text, width);
        const QString kept = shortened.left(shortened.size() - 3);
        QVERIFY2(kept.isEmpty() || !kept.back().isHighSurrogate(), qPrintable(QString::number(width)));
    }
}

void TestCusItemDelegate::displayModeSavedOnChange()
{
    Delegate delegate(Delegate::ItemPortal);
    QCOMPARE(delegate.displayMode(), -1);
    QVERIFY(delegate.updatePortalDisplayMode(1));
    QCOMPARE(delegate.displayMode(), 1);
    QVERIFY(prefix_.readInstallFile("ini/userinfo.ini").contains("PortalDisplayMode=1"));

    // The same mode again writes nothing.
    QVERIFY(prefix_.writeUserInfo("[UserInfo]\nPortalDisplayMode=7\n"));
    QVERIFY(!delegate.updatePortalDisplayMode(1));
    QVERIFY(prefix_.readInstallFile("ini/userinfo.ini").contains("PortalDisplayMode=7"));
    QVERIFY(delegate.updatePortalDisplayMode(0));
    QVERIFY(prefix_.readInstallFile("ini/userinfo.ini").contains("PortalDisplayMode=0"));
}

void TestCusItemDelegate::loadIcon()
{
    const QString png = prefix_.installPath("cache/icon.png");
    const QString jpegNamedPng = prefix_.installPath("cache/photo.png");
    const QString bmp = prefix_.installPath("cache/old.bmp");
    const QString garbage = prefix_.installPath("cache/broken.png");
    QVERIFY(prefix_.writeInstallFile("cache/broken.png", "not a picture"));
    QImage red(40, 40, QImage::Format_ARGB32);
    red.fill(QColor(220, 20, 20));
    QVERIFY(red.save(png, "PNG"));
    QVERIFY(red.save(jpegNamedPng, "JPEG"));
    QVERIFY(red.save(bmp, "BMP"));

    for (const QString& path : {png, jpegNamedPng, bmp}) {
        const QPixmap icon = Delegate::loadIcon(path, QSize(24, 24), 2.0, false);
        QVERIFY2(!icon.isNull(), qPrintable(path));
        QCOMPARE(icon.size(), QSize(48, 48));
        QCOMPARE(icon.devicePixelRatio(), 2.0);
        const QColor colour = icon.toImage().pixelColor(24, 24);
        QVERIFY(colour.red() > 150 && colour.green() < 80);
    }
    const QColor grey = Delegate::loadIcon(png, QSize(24, 24), 1.0, true).toImage().pixelColor(12, 12);
    QCOMPARE(grey.red(), grey.green());
    QCOMPARE(grey.green(), grey.blue());

    QVERIFY(Delegate::loadIcon(garbage, QSize(24, 24), 1.0, false).isNull());
    QVERIFY(Delegate::loadIcon(prefix_.installPath("cache/missing.png"), QSize(24, 24), 1.0, false).isNull());
    QVERIFY(Delegate::loadIcon(QString(), QSize(24, 24), 1.0, false).isNull());

    // A file rewritten in place is read again.
    QImage blue(40, 40, QImage::Format_ARGB32);
    blue.fill(QColor(20, 20, 220));
    QVERIFY(blue.save(png, "PNG"));
    QFile file(png);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime));
    file.close();
    QVERIFY(Delegate::loadIcon(png, QSize(24, 24), 1.0, false).toImage().pixelColor(12, 12).blue() > 150);
}

void TestCusItemDelegate::pressOnCornerMark_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("apply");
    QTest::addColumn<QPoint>("offsetFromTopRight");
    QTest::addColumn<int>("collect");
    QTest::addColumn<int>("tick");
    QTest::newRow("star") << true << false << QPoint(-20, 10) << 1 << 0;
    QTest::newRow("tick box") << true << true << QPoint(-20, 10) << 0 << 1;
    QTest::newRow("tick box of a disabled entry") << false << true << QPoint(-20, 10) << 0 << 1;
    QTest::newRow("disabled entry has no star") << false << false << QPoint(-20, 10) << 0 << 0;
    QTest::newRow("left of the mark") << true << false << QPoint(-40, 10) << 0 << 0;
    QTest::newRow("below the mark") << true << false << QPoint(-20, 30) << 0 << 0;
    QTest::newRow("right margin") << true << false << QPoint(-3, 10) << 0 << 0;
}

void TestCusItemDelegate::pressOnCornerMark()
{
    QFETCH(bool, enabled);
    QFETCH(bool, apply);
    QFETCH(QPoint, offsetFromTopRight);
    QFETCH(int, collect);
    QFETCH(int, tick);

    QStandardItemModel model;
    model.appendRow(entry(QStringLiteral("OA"), QString(), enabled, apply, false));
    QListView view;
    view.setViewMode(QListView::IconMode);
    auto* delegate = new Delegate(Delegate::ItemPortal, &view);
    delegate->updatePortalDisplayMode(1);
    view.setItemDelegate(delegate);
    view.setModel(&model);
    view.resize(600, 400);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QSignalSpy collected(delegate, &Delegate::collectClicked);
    QSignalSpy ticked(delegate, &Delegate::applyCheckboxClicked);

    const QRect rect = view.visualRect(model.index(0, 0));
    const QPoint at(rect.x() + rect.width() + offsetFromTopRight.x(), rect.y() + offsetFromTopRight.y());
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(collected.count(), collect);
    QCOMPARE(ticked.count(), tick);
    if (collect + tick > 0) {
        const QModelIndex index = (collect > 0 ? collected : ticked).first().at(0).value<QModelIndex>();
        QCOMPARE(index, model.index(0, 0));
    }
}

void TestCusItemDelegate::pointerOverMark()
{
    QStandardItemModel model;
    model.appendRow(entry(QStringLiteral("OA"), QString(), true, false, true));
    QListView view;
    view.setMouseTracking(true);
    auto* delegate = new Delegate(Delegate::ItemPortal, &view);
    delegate->updatePortalDisplayMode(0);
    view.setItemDelegate(delegate);
    view.setModel(&model);
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QRect rect = view.visualRect(model.index(0, 0));
    auto move = [&](const QPoint& pos) {
        QMouseEvent event(QEvent::MouseMove, pos, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &event);
    };
    move(QPoint(rect.x() + rect.width() - 20, rect.y() + 10));
    QCOMPARE(view.viewport()->cursor().shape(), Qt::PointingHandCursor);
    move(rect.center() - QPoint(60, 0));
    QCOMPARE(view.viewport()->cursor().shape(), Qt::ArrowCursor);
    move(QPoint(rect.x() + rect.width() - 20, rect.y() + 10));
    QCOMPARE(view.viewport()->cursor().shape(), Qt::PointingHandCursor);
    // Off every item: the normal cursor again.
    move(QPoint(390, 290));
    QCOMPARE(view.viewport()->cursor().shape(), Qt::ArrowCursor);
}

void TestCusItemDelegate::paintsEveryType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("mode");
    for (int type : {Delegate::ItemPortal, Delegate::ItemApprove, Delegate::ItemSandbox, Delegate::ItemNotice}) {
        for (int mode : {-1, 0, 1, 2}) {
            QTest::addRow("type %d mode %d", type, mode) << type << mode;
        }
    }
}

void TestCusItemDelegate::paintsEveryType()
{
    QFETCH(int, type);
    QFETCH(int, mode);
    QVERIFY(prefix_.writeInstallFile("cache/broken.png", "\x89PNG\r\n\x1a\n garbage"));
    QImage icon(64, 64, QImage::Format_ARGB32);
    icon.fill(QColor(26, 169, 255));
    QVERIFY(icon.save(prefix_.installPath("cache/good.png")));

    QStandardItemModel model;
    model.appendRow(entry(QStringLiteral("统一门户应用名称很长很长很长很长很长"), prefix_.installPath("cache/good.png"), true, false, true));
    model.appendRow(entry(QStringLiteral("禁用"), prefix_.installPath("cache/good.png"), false, false, false));
    model.appendRow(entry(QStringLiteral("申请"), prefix_.installPath("cache/broken.png"), false, true, true));
    model.appendRow(entry(QString(), prefix_.installPath("cache/missing.png"), true, true, false));
    model.appendRow(new QStandardItem());  // no roles at all

    QListView view;
    view.setViewMode(type == Delegate::ItemPortal ? QListView::IconMode : QListView::ListMode);
    auto* delegate = new Delegate(Delegate::ItemDelegateType(type), &view);
    if (mode >= 0) {
        delegate->updatePortalDisplayMode(mode);
    }
    view.setItemDelegate(delegate);
    view.setModel(&model);
    view.resize(520, 400);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.selectionModel()->select(model.index(0, 0), QItemSelectionModel::Select);
    const QImage shot = view.viewport()->grab().toImage();
    QVERIFY(!shot.isNull());
    // The good icon is drawn in colour for the enabled entry.
    bool blue = false;
    for (int y = 0; y < shot.height() && !blue; ++y) {
        for (int x = 0; x < shot.width() && !blue; ++x) {
            blue = shot.pixelColor(x, y) == QColor(26, 169, 255);
        }
    }
    QVERIFY(blue);
}

QTEST_MAIN(TestCusItemDelegate)
#include "tst_cusitemdelegate.moc"
