// The dynamic-authorization page reading the client service's document: score, trust level and
// time, the five columns with their widths, the verdict labels and their colours, tips as plain
// text, a missing document, a shorter result after a longer one, and a very long table.

#include "src/Views/pagedynamicauth.h"

#include "support/testprefix.h"

#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QStandardItemModel>
#include <QTableView>
#include <QToolTip>
#include <QtTest>

#include <memory>

namespace {

QJsonObject item(const QString& type, const QString& name, int bResult, const QString& score, const QString& text)
{
    return QJsonObject{{"riskType", type}, {"itemName", name}, {"bResult", bResult}, {"riskScore", score}, {"description", text}};
}

QByteArray document(int score, const QString& trust, const QJsonArray& items)
{
    return QJsonDocument(QJsonObject{{"nScore", score}, {"trustLevel", trust}, {"items", items}}).toJson();
}

QString text(const PageDynamicAuth& page, const char* name)
{
    return page.findChild<QLabel*>(QLatin1String(name))->text();
}

}  // namespace

class TestPageDynamicAuth : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void showsTheResult();
    void verdicts_data();
    void verdicts();
    void missingDocumentShowsNothing();
    void shorterResultLeavesNoStaleRows();
    void manyRows();
    void setFontColor();

private:
    std::unique_ptr<TestPrefix> prefix_;
};

void TestPageDynamicAuth::initTestCase()
{
    prefix_ = std::make_unique<TestPrefix>();
}

void TestPageDynamicAuth::init()
{
    QFile::remove(prefix_->installPath(QStringLiteral("ini/dynamicAuthResult.json")));
}

void TestPageDynamicAuth::showsTheResult()
{
    QVERIFY(prefix_->writeInstallFile(QStringLiteral("ini/dynamicAuthResult.json"),
                                      document(86, QStringLiteral("中等信任"),
                                               {item(QStringLiteral("终端安全"), QStringLiteral("病毒库版本"), 2, QStringLiteral("5"),
                                                     QStringLiteral("病毒库超过 7 天未更新")),
                                                item(QStringLiteral("<b>网络</b>"), QStringLiteral("接入网络"), 1, QStringLiteral("0"),
                                                     QStringLiteral("<img src=x>企业内网"))})));
    PageDynamicAuth page;
    page.resize(900, 600);
    page.show();
    page.updateData();

    QCOMPARE(text(page, "labelScore"), QStringLiteral("86"));
    QCOMPARE(text(page, "labelTrustLevel"), QStringLiteral("中等信任"));
    QVERIFY(!text(page, "labelCheckTime").isEmpty());
    for (const char* name : {"labelScore", "labelTrustLevel", "labelCheckTime"}) {
        QCOMPARE(page.findChild<QLabel*>(QLatin1String(name))->textFormat(), Qt::PlainText);
    }

    QTableView* table = page.table();
    QAbstractItemModel* model = table->model();
    QCOMPARE(model->columnCount(), 5);
    QCOMPARE(model->rowCount(), 2);
    const QStringList headers = {QStringLiteral("风险分类"), QStringLiteral("评估项名称"), QStringLiteral("评估结果"),
                                 QStringLiteral("风险值"), QStringLiteral("描述")};
    for (int column = 0; column < 5; ++column) {
        QCOMPARE(model->headerData(column, Qt::Horizontal).toString(), headers[column]);
    }
    QCOMPARE(table->columnWidth(0), 130);
    QCOMPARE(table->columnWidth(1), 200);
    QCOMPARE(table->columnWidth(2), 120);
    QCOMPARE(table->columnWidth(3), 100);
    QVERIFY(table->horizontalHeader()->stretchLastSection());
    QCOMPARE(table->verticalHeader()->defaultSectionSize(), 40);
    QVERIFY(!table->showGrid());
    QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(table->styleSheet().contains(QLatin1String("color:#6D6D6D")));

    QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("终端安全"));
    QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("病毒库版本"));
    QCOMPARE(model->index(0, 3).data().toString(), QStringLiteral("5"));
    QCOMPARE(model->index(0, 4).data().toString(), QStringLiteral("病毒库超过 7 天未更新"));
    // Markup from the service is shown as it was written.
    QCOMPARE(model->index(1, 0).data().toString(), QStringLiteral("<b>网络</b>"));
    QCOMPARE(model->index(1, 4).data().toString(), QStringLiteral("<img src=x>企业内网"));

    // A hovered cell's tip is its text, never markup; an invalid index shows none.
    page.onShowTip(model->index(1, 4));
    QVERIFY(QToolTip::text().contains(QStringLiteral("&lt;img src=x&gt;企业内网")));
    QToolTip::hideText();
    page.onShowTip(QModelIndex());
    QTRY_VERIFY(!QToolTip::isVisible());
}

void TestPageDynamicAuth::verdicts_data()
{
    QTest::addColumn<int>("bResult");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("colour");
    QTest::newRow("passed") << 1 << QStringLiteral("检查通过") << QStringLiteral("#3CB371");
    QTest::newRow("not passed") << 0 << QStringLiteral("检查不通过") << QStringLiteral("#FF5F4F");
    QTest::newRow("two is not passed") << 2 << QStringLiteral("检查不通过") << QStringLiteral("#FF5F4F");
    QTest::newRow("negative") << -1 << QStringLiteral("检查不通过") << QStringLiteral("#FF5F4F");
}

void TestPageDynamicAuth::verdicts()
{
    QFETCH(int, bResult);
    QFETCH(QString, shown);
    QFETCH(QString, colour);
    PageDynamicAuth page;
    st_dynamicAuthItem risk;
    risk.itemName = QStringLiteral("高危端口");
    risk.bResult = bResult;
    page.updateTable({risk});
    auto* label = page.findChild<QLabel*>(QStringLiteral("labelResult_0"));
    QVERIFY(label != nullptr);
    QCOMPARE(label->text(), shown);
    QVERIFY(label->styleSheet().contains(colour));
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QCOMPARE(page.table()->model()->index(0, PageDynamicAuth::kColumnResult).data().toString(), shown);
}

void TestPageDynamicAuth::missingDocumentShowsNothing()
{
    PageDynamicAuth page;
    page.updateData();
    QCOMPARE(text(page, "labelScore"), QString());
    QCOMPARE(text(page, "labelTrustLevel"), QString());
    QCOMPARE(page.table()->model()->rowCount(), 0);

    QVERIFY(prefix_->writeInstallFile(QStringLiteral("ini/dynamicAuthResult.json"), "{\"nScore\": [1,2], \"items\": 7"));
    page.updateData();
    QCOMPARE(text(page, "labelScore"), QString());
    QCOMPARE(page.table()->model()->rowCount(), 0);
}

void TestPageDynamicAuth::shorterResultLeavesNoStaleRows()
{
    PageDynamicAuth page;
    QList<st_dynamicAuthItem> items;
    for (int i = 0; i < 10; ++i) {
        st_dynamicAuthItem risk;
        risk.itemName = QStringLiteral("项 %1").arg(i);
        risk.bResult = i % 2;
        items.append(risk);
    }
    page.updateTable(items);
    QCOMPARE(page.table()->model()->rowCount(), 10);
    page.updateTable(items.mid(0, 3));
    QCOMPARE(page.table()->model()->rowCount(), 3);
    QCOMPARE(page.table()->model()->index(2, 1).data().toString(), QStringLiteral("项 2"));
    // A row reused keeps one verdict label with the new verdict.
    items[0].bResult = 1;
    page.updateTable(items.mid(0, 1));
    QCOMPARE(page.findChild<QLabel*>(QStringLiteral("labelResult_0"))->text(), QStringLiteral("检查通过"));
}

void TestPageDynamicAuth::manyRows()
{
    QJsonArray items;
    for (int i = 0; i < 10000; ++i) {
        items.append(item(QStringLiteral("类别"), QStringLiteral("项 %1").arg(i), i % 3, QString::number(i % 10),
                          QStringLiteral("<a href='file:///etc/passwd'>说明</a>")));
    }
    QVERIFY(prefix_->writeInstallFile(QStringLiteral("ini/dynamicAuthResult.json"), document(12, QStringLiteral("低信任"), items)));
    PageDynamicAuth page;
    page.updateData();
    QCOMPARE(page.table()->model()->rowCount(), 10000);
    QCOMPARE(page.table()->model()->index(9999, 1).data().toString(), QStringLiteral("项 9999"));
}

void TestPageDynamicAuth::setFontColor()
{
    QLabel label;
    PageDynamicAuth::setFontColor(&label, 14, QStringLiteral("#2F2F2F"));
    QCOMPARE(label.styleSheet(), QStringLiteral("font-size: 14px; color: #2F2F2F"));
}

QTEST_MAIN(TestPageDynamicAuth)
#include "tst_pagedynamicauth.moc"
