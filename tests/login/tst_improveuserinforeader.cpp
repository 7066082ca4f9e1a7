// The user-information elements a login asks to be completed first, read from ini/login.json.

#include "login/improveuserinforeader.h"
#include "support/testprefix.h"

#include <QtTest>

class TestImproveUserInfoReader : public QObject
{
    Q_OBJECT
private slots:
    void read_data();
    void read();
    void element_data();
    void element();
    void manyElements();
};

void TestImproveUserInfoReader::read_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("msg");
    QTest::addColumn<QStringList>("ids");
    const QString dataError = QStringLiteral("后台数据处理异常！");
    QTest::newRow("missing file") << QByteArray() << false << dataError << QStringList();
    QTest::newRow("unreadable") << QByteArray("{nope") << false << dataError << QStringList();
    QTest::newRow("not an object") << QByteArray("[1,2]") << false << dataError << QStringList();
    QTest::newRow("no result") << QByteArray(R"({"status":2000})") << false << dataError << QStringList();
    QTest::newRow("result not an object") << QByteArray(R"({"status":2000,"result":[]})") << false << dataError
                                          << QStringList();
    QTest::newRow("no pageElements") << QByteArray(R"({"status":2000,"result":{}})") << false << dataError
                                     << QStringList();
    QTest::newRow("pageElements not a list") << QByteArray(R"({"status":2000,"result":{"pageElements":{}}})")
                                             << false << dataError << QStringList();
    QTest::newRow("status refused: its msg") << QByteArray(R"({"status":6001,"msg":"请联系管理员"})") << false
                                             << "请联系管理员" << QStringList();
    QTest::newRow("zero elements") << QByteArray(R"({"status":2000,"result":{"pageElements":[]}})") << true << ""
                                   << QStringList();
    QTest::newRow("array order kept, junk skipped")
        << QByteArray(R"({"status":2000,"result":{"pageElements":[{"uidelementid":"b","iorder":"2"},7,"x",
                         {"uidelementid":"a","iorder":"1"},{"uidelementid":"a","iorder":"1"}]}})")
        << true << "" << QStringList{"b", "a", "a"};
}

void TestImproveUserInfoReader::read()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, ok);
    QFETCH(QString, msg);
    QFETCH(QStringList, ids);
    TestPrefix prefix;
    if (!file.isEmpty()) {
        QVERIFY(prefix.writeInstallFile(QStringLiteral("ini/login.json"), file));
    }
    QString tip;
    QVector<st_ImproveUserInfoElements> elements{st_ImproveUserInfoElements{}};
    QCOMPARE(ImproveUserInfoReader::read(tip, elements), ok);
    QCOMPARE(tip, msg);
    QStringList got;
    for (const auto& e : elements) {
        got << e.uidelementid;
    }
    QCOMPARE(got, ids);
}

void TestImproveUserInfoReader::element_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<int>("order");
    QTest::addColumn<int>("required");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("texts");
    QTest::addColumn<QString>("options");
    const int none = st_ImproveUserInfoElements::kNoOrder;
    QTest::newRow("numbers as texts")
        << QByteArray(R"({"iorder":"3","iisrequired":"1","ielementtype":"7","strelementdesc":"请选择",
                          "strelementname":"部门","strelementvalue":"fin","uidelementid":"e7",
                          "elementfeatureJson":{"selectOption":[{"name":"财务","value":"fin"},{"name":"研发","value":"dev"}]}})")
        << 3 << 1 << 7 << "请选择|部门|fin|e7" << "财务=fin,研发=dev";
    QTest::newRow("numbers as numbers") << QByteArray(R"({"iorder":2,"iisrequired":0,"ielementtype":1})") << 2 << 0
                                        << 1 << "|||" << "";
    QTest::newRow("order not a number goes last") << QByteArray(R"({"iorder":"abc","ielementtype":"2"})") << none
                                                  << 0 << 2 << "|||" << "";
    QTest::newRow("fractional order") << QByteArray(R"({"iorder":1.5})") << none << 0 << 0 << "|||" << "";
    QTest::newRow("huge order") << QByteArray(R"({"iorder":1e300})") << none << 0 << 0 << "|||" << "";
    QTest::newRow("feature as text")
        << QByteArray(R"({"ielementtype":"8","elementfeatureJson":"{\"selectOption\":[{\"name\":\"读书\",\"value\":1}]}"})")
        << none << 0 << 8 << "|||" << "读书=1";
    QTest::newRow("feature broken") << QByteArray(R"({"ielementtype":"8","elementfeatureJson":"{x"})") << none << 0
                                    << 8 << "|||" << "";
    QTest::newRow("options not objects skipped")
        << QByteArray(R"({"elementfeatureJson":{"selectOption":[1,{},{"name":"a","value":"b"}]}})") << none << 0 << 0
        << "|||" << "a=b";
    QTest::newRow("markup kept as text") << QByteArray(R"({"strelementname":"<b>姓名</b>"})") << none << 0 << 0
                                         << "|<b>姓名</b>||" << "";
}

void TestImproveUserInfoReader::element()
{
    QFETCH(QByteArray, entry);
    QFETCH(int, order);
    QFETCH(int, required);
    QFETCH(int, type);
    QFETCH(QString, texts);
    QFETCH(QString, options);
    const st_ImproveUserInfoElements e = ImproveUserInfoReader::element(QJsonDocument::fromJson(entry).object());
    QCOMPARE(e.iorder, order);
    QCOMPARE(e.iisrequired, required);
    QCOMPARE(e.ielementtype, type);
    QCOMPARE(QStringList({e.strelementdesc, e.strelementname, e.strelementvalue, e.uidelementid}).join('|'), texts);
    QStringList got;
    for (const auto& o : e.selectOption) {
        got << o.name + '=' + o.value;
    }
    QCOMPARE(got.join(','), options);
}

void TestImproveUserInfoReader::manyElements()
{
    QJsonArray list;
    for (int i = 0; i < ImproveUserInfoReader::kMaxElements + 20; ++i) {
        list.append(QJsonObject{{"uidelementid", QString::number(i)}, {"ielementtype", "1"}});
    }
    LoginResultFile file;
    file.outcome = LoginResultFile::Ok;
    file.status = 2000;
    file.hasResult = true;
    file.result = QJsonObject{{"pageElements", list}};
    QString msg;
    QVector<st_ImproveUserInfoElements> elements;
    QVERIFY(ImproveUserInfoReader::parse(file, msg, elements));
    QCOMPARE(elements.size(), ImproveUserInfoReader::kMaxElements);
    QCOMPARE(elements.last().uidelementid, QString::number(ImproveUserInfoReader::kMaxElements - 1));
}

QTEST_GUILESS_MAIN(TestImproveUserInfoReader)
#include "tst_improveuserinforeader.moc"
