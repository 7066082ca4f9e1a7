// The bubble button's count and the tip label's styles.

#include "src/CustomControl/cusbubblebutton.h"
#include "src/CustomControl/custiplabel.h"
#include "support/testprefix.h"

#include <QImage>
#include <QSignalSpy>
#include <QtTest>

#include <climits>

class TestCusBubbleButton : public QObject
{
    Q_OBJECT

private slots:
    void bubbleText_data();
    void bubbleText();
    void countChangedOnlyOnChange();
    void bubbleDrawnInsideButton();
    void tipStyles_data();
    void tipStyles();
    void tipIsPlainText();

private:
    TestPrefix prefix_;
};

void TestCusBubbleButton::bubbleText_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << 0 << "";
    QTest::newRow("negative") << -5 << "";
    QTest::newRow("one") << 1 << "1";
    QTest::newRow("largest shown") << 99 << "99";
    QTest::newRow("one more") << 100 << "99+";
    QTest::newRow("huge") << INT_MAX << "99+";
}

void TestCusBubbleButton::bubbleText()
{
    QFETCH(int, count);
    QFETCH(QString, text);
    CusBubbleButton button;
    button.setCount(count);
    QCOMPARE(button.bubbleText(), text);
    QCOMPARE(button.count(), qMax(0, count));
    QCOMPARE(button.bubbleRect().isEmpty(), text.isEmpty());
}

void TestCusBubbleButton::countChangedOnlyOnChange()
{
    CusBubbleButton button;
    QSignalSpy changed(&button, &CusBubbleButton::countChanged);
    button.setCount(3);
    button.setCount(3);
    button.setCount(-1);
    button.setCount(0);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.at(0).at(0).toInt(), 3);
    QCOMPARE(changed.at(1).at(0).toInt(), 0);
}

void TestCusBubbleButton::bubbleDrawnInsideButton()
{
    CusBubbleButton button;
    button.resize(40, 32);
    const QColor red(QStringLiteral("#F5222D"));
    auto redPixels = [&] {
        const QImage image = button.grab().toImage();
        int n = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                n += image.pixelColor(x, y) == red ? 1 : 0;
            }
        }
        return n;
    };
    QCOMPARE(redPixels(), 0);
    button.setCount(7);
    const QRect single = button.bubbleRect();
    QVERIFY(button.rect().contains(single));
    QVERIFY(redPixels() > 20);
    button.setCount(1000);
    const QRect wide = button.bubbleRect();
    QVERIFY(button.rect().contains(wide));
    QVERIFY(wide.width() > single.width());
    button.setCount(0);
    QCOMPARE(redPixels(), 0);
}

void TestCusBubbleButton::tipStyles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("style");
    QTest::addColumn<bool>("error");
    QTest::newRow("error") << "error" << "font-size: 14px;color:#D8424E;" << true;
    QTest::newRow("info") << "info" << "font-size: 14px;color:#1AA9FF;" << false;
    QTest::newRow("account dialog error") << "red" << "font-size: 14px;color:red;" << true;
    QTest::newRow("account dialog normal") << "#4AB793" << "font-size: 14px;color:#4AB793;" << false;
}

void TestCusBubbleButton::tipStyles()
{
    QFETCH(QString, kind);
    QFETCH(QString, style);
    QFETCH(bool, error);
    CusTipLabel tip;
    if (kind == "error") {
        tip.setErrorTip(QStringLiteral("密码不能为空，请重新输入！"));
    } else if (kind == "info") {
        tip.setInfoTip(QStringLiteral("密码不能为空，请重新输入！"));
    } else {
        tip.setColours(QStringLiteral("red"), QStringLiteral("#4AB793"));
        if (kind == "red") {
            tip.setErrorTip(QStringLiteral("密码不能为空，请重新输入！"));
        } else {
            tip.setInfoTip(QStringLiteral("密码不能为空，请重新输入！"));
        }
    }
    QCOMPARE(tip.styleSheet(), style);
    QCOMPARE(tip.isErrorTip(), error);
    tip.clearTip();
    QVERIFY(tip.text().isEmpty());
    QVERIFY(!tip.isErrorTip());
}

void TestCusBubbleButton::tipIsPlainText()
{
    // A service's message is shown as written, never as markup.
    CusTipLabel tip;
    tip.setErrorTip(QStringLiteral("<a href=\"http://x\">点击</a>"));
    QCOMPARE(tip.textFormat(), Qt::PlainText);
    QCOMPARE(tip.text(), QStringLiteral("<a href=\"http://x\">点击</a>"));
}

QTEST_MAIN(TestCusBubbleButton)
#include "tst_cusbubblebutton.moc"
