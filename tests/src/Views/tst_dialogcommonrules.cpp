// The account dialog's decisions without widgets: titles and sizes, field checks, request bodies,
// code answers, what each result leads to, and the user-information form's checks and answer.

#include "src/Views/dialogcommonrules.h"

#include <QtTest>

namespace {

using Rules = DialogCommonRules;

QString fieldName(Rules::Field field)
{
    switch (field) {
    case Rules::Field::None: return QStringLiteral("none");
    case Rules::Field::OldPassword: return QStringLiteral("old");
    case Rules::Field::NewPassword: return QStringLiteral("new");
    case Rules::Field::Confirm: return QStringLiteral("confirm");
    case Rules::Field::Code: return QStringLiteral("code");
    case Rules::Field::Phone: return QStringLiteral("phone");
    case Rules::Field::Password: return QStringLiteral("password");
    }
    return QString();
}

QString describeCheck(const Rules::Check& check)
{
    return check.ok() ? QStringLiteral("ok") : fieldName(check.focus) + QLatin1Char(':') + check.error;
}

// Every effect of a result, in a fixed order, so one text compares the whole decision.
QString describe(const Rules::ResultAction& a)
{
    if (!a.handled) {
        return QStringLiteral("unhandled");
    }
    QStringList parts;
    if (a.enableConfirm) parts << QStringLiteral("enable");
    if (a.tipPage >= 0) parts << QStringLiteral("tip%1%2=%3").arg(a.tipPage).arg(a.tipIsError ? "!" : "").arg(a.tip);
    if (a.codePage >= 0) parts << QStringLiteral("codePage=%1").arg(a.codePage);
    if (a.readCode) parts << QStringLiteral("readCode");
    if (!a.trayText.isEmpty()) parts << QStringLiteral("tray=") + a.trayText;
    if (a.recoverLoginBtn) parts << QStringLiteral("recover");
    if (a.jumpToMain) parts << QStringLiteral("jump");
    if (a.logout) parts << QStringLiteral("logout");
    if (a.enableApps) parts << QStringLiteral("enableApps");
    if (a.phone == Rules::ResultAction::Phone::Empty) parts << QStringLiteral("phone=empty");
    if (a.phone == Rules::ResultAction::Phone::Typed) parts << QStringLiteral("phone=typed");
    if (a.hide) parts << QStringLiteral("hide");
    return parts.join(QLatin1Char(' '));
}

st_ImproveUserInfoElements element(const QString& name, int type, bool required, const QString& id,
                                   int order = st_ImproveUserInfoElements::kNoOrder)
{
    st_ImproveUserInfoElements e;
    e.strelementname = name;
    e.ielementtype = type;
    e.iisrequired = required ? 1 : 0;
    e.uidelementid = id;
    e.iorder = order;
    return e;
}

Rules::FormValue text(const QString& t)
{
    Rules::FormValue v;
    v.shown = true;
    v.text = t;
    return v;
}

Rules::FormValue checked(const QStringList& values)
{
    Rules::FormValue v;
    v.shown = true;
    v.checked = values;
    return v;
}

}  // namespace

using Elements = QVector<st_ImproveUserInfoElements>;
using Values = QVector<Rules::FormValue>;
Q_DECLARE_METATYPE(Values)

class TestDialogCommonRules : public QObject
{
    Q_OBJECT
private slots:
    void pwdClaimRules();
    void checkModifyPwd_data();
    void checkModifyPwd();
    void fieldChecks_data();
    void fieldChecks();
    void bodies_data();
    void bodies();
    void parseAuthCodeJson_data();
    void parseAuthCodeJson();
    void decide_data();
    void decide();
    void checkImproveUserInfo_data();
    void checkImproveUserInfo();
    void improveUserInfoValue_data();
    void improveUserInfoValue();
    void formOrderAndOptions();
};

void TestDialogCommonRules::pwdClaimRules()
{
    st_pwdClaim claim;
    claim.min_length = QStringLiteral("8");
    claim.max_length = QStringLiteral("20");
    claim.min_numlen = QStringLiteral("1");
    claim.min_charlen = QStringLiteral("2");
    claim.min_special_len = QStringLiteral("3");
    QCOMPARE(Rules::pwdClaimRules(claim),
             (QStringList{"· 密码长度不少于8个字符", "· 密码长度不超过20个字符", "· 密码最少包含1个数字",
                          "· 密码最少包含2个字母", "· 密码最少包含3个特殊字符"}));
}

void TestDialogCommonRules::checkModifyPwd_data()
{
    QTest::addColumn<QString>("oldPwd");
    QTest::addColumn<QString>("newPwd");
    QTest::addColumn<QString>("confirm");
    QTest::addColumn<int>("firstLogin");
    QTest::addColumn<QString>("result");
    QTest::newRow("old empty") << "" << "N1!" << "N1!" << 0 << "old:原密码不能为空，请重新输入！";
    QTest::newRow("forced change asks no old") << "" << "N1!" << "N1!" << 1 << "ok";
    QTest::newRow("new empty") << "o" << "" << "x" << 0 << "new:新密码不能为空，请重新输入！";
    QTest::newRow("confirm empty") << "o" << "n" << "" << 0 << "confirm:再次输入新密码不能为空，请重新输入！";
    QTest::newRow("all empty: old first") << "" << "" << "" << 0 << "old:原密码不能为空，请重新输入！";
    QTest::newRow("same as old") << "Same1!" << "Same1!" << "Same1!" << 0 << "new:新密码与原密码一致，请重新输入！";
    QTest::newRow("forced change may keep it") << "Same1!" << "Same1!" << "Same1!" << 1 << "ok";
    QTest::newRow("mismatch") << "o" << "n1" << "n2" << 0 << "confirm:两次密码输入不一致，请重新输入！";
    QTest::newRow("same before mismatch") << "o" << "o" << "n2" << 0 << "new:新密码与原密码一致，请重新输入！";
    QTest::newRow("good") << "Old1!" << "New2@" << "New2@" << 0 << "ok";
}

void TestDialogCommonRules::checkModifyPwd()
{
    QFETCH(QString, oldPwd);
    QFETCH(QString, newPwd);
    QFETCH(QString, confirm);
    QFETCH(int, firstLogin);
    QFETCH(QString, result);
    QCOMPARE(describeCheck(Rules::checkModifyPwd(oldPwd, newPwd, confirm, firstLogin)), result);
}

void TestDialogCommonRules::fieldChecks_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<QString>("result");
    QTest::newRow("code empty") << "code" << "" << "" << "code:验证码不能为空，请重新输入！";
    QTest::newRow("code ok") << "code" << "1234" << "" << "ok";
    QTest::newRow("phone empty") << "phone" << "" << "" << "phone:手机号不能为空，请重新输入！";
    QTest::newRow("bind: code first") << "bind" << "" << "" << "code:验证码不能为空，请重新输入！";
    QTest::newRow("bind: then phone") << "bind" << "1234" << "" << "phone:手机号不能为空，请重新输入！";
    QTest::newRow("bind ok") << "bind" << "1234" << "13800138000" << "ok";
    QTest::newRow("password empty") << "againPwd" << "" << "" << "password:密码不能为空，请重新输入！";
    QTest::newRow("password ok") << "againPwd" << "x" << "" << "ok";
}

void TestDialogCommonRules::fieldChecks()
{
    QFETCH(QString, which);
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(QString, result);
    Rules::Check check;
    if (which == QLatin1String("code")) {
        check = Rules::checkCode(a);
    } else if (which == QLatin1String("phone")) {
        check = Rules::checkPhone(a);
    } else if (which == QLatin1String("bind")) {
        check = Rules::checkBind(a, b);
    } else {
        check = Rules::checkAgainPwd(a);
    }
    QCOMPARE(describeCheck(check), result);
}

void TestDialogCommonRules::bodies_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("expected");
    QTest::newRow("81 voluntary") << Rules::modifyPwdBody("Old1!", "New2@", 0) << "Old1!\nNew2@\n0";
    QTest::newRow("81 forced, no old") << Rules::modifyPwdBody("", "New2@", 1) << "\nNew2@\n1";
    QTest::newRow("109") << Rules::againPwdBody("zhangsan", "p&w\nd") << "zhangsan\np&w\nd";
    QTest::newRow("113") << Rules::bindBody("6688", "13800138000") << "6688&13800138000";
}

void TestDialogCommonRules::bodies()
{
    QFETCH(QString, body);
    QFETCH(QString, expected);
    QCOMPARE(body, expected);
}

void TestDialogCommonRules::parseAuthCodeJson_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("tip");
    QTest::newRow("not json shows itself") << "服务繁忙" << false << 0 << "服务繁忙";
    QTest::newRow("status error") << R"({"status":6001,"msg":"发送过于频繁"})" << false << 0 << "发送过于频繁";
    QTest::newRow("no result") << R"({"status":2000,"msg":"ok"})" << false << 0
                               << "安全工作台启动异常，请重启电脑后重试！";
    QTest::newRow("absent: 60") << R"({"status":2000,"msg":"已发送","result":{}})" << true << 60 << "已发送";
}

void TestDialogCommonRules::parseAuthCodeJson()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, seconds);
    QFETCH(QString, tip);
    const Rules::AuthCodeAnswer answer = Rules::parseAuthCodeJson(text);
    QCOMPARE(answer.ok, ok);
    QCOMPARE(answer.seconds, seconds);
    QCOMPARE(answer.tip, tip);
    QCOMPARE(answer.tipIsError, !ok);
}

void TestDialogCommonRules::decide_data()
{
    QTest::addColumn<int>("req");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("error");
    QTest::addColumn<int>("firstLogin");
    QTest::addColumn<QString>("project");
    QTest::addColumn<QString>("action");
    const QString std;
    const QString vesk = QStringLiteral("vesk-uos-4.19.71");
    QTest::newRow("81 error") << 81 << "原密码错误" << true << 0 << std << "enable tip0!=原密码错误";
    QTest::newRow("81 18 voluntary logs out") << 81 << "18" << false << 0 << std
                                              << "enable tray=修改密码成功，请重新登录 logout hide";
    QTest::newRow("81 18 forced gives login back") << 81 << "18" << false << 1 << std << "enable recover hide";
    QTest::newRow("81 other voluntary") << 81 << "0" << false << 0 << std << "enable tray=修改密码成功 hide";
    QTest::newRow("81 other forced jumps") << 81 << "" << false << 1 << std << "enable jump hide";
    QTest::newRow("81 error 18 is an error") << 81 << "18" << true << 0 << std << "enable tip0!=18";
    QTest::newRow("107 error") << 107 << "失败" << true << 0 << std << "enable tip1!=失败 codePage=1";
    QTest::newRow("107 answer") << 107 << "{}" << false << 0 << std << "enable codePage=1 readCode";
    QTest::newRow("110 answer") << 110 << "{}" << false << 0 << std << "enable codePage=4 readCode";
    QTest::newRow("112 error") << 112 << "号码有误" << true << 0 << std << "enable tip2!=号码有误 codePage=2";
    QTest::newRow("112 empty") << 112 << "" << false << 0 << std << "enable codePage=2";
    QTest::newRow("108 success") << 108 << "" << false << 0 << std << "enable tray=解绑手机号成功 phone=empty hide";
    QTest::newRow("108 text is failure") << 108 << "验证码错误" << false << 0 << std << "enable tip1!=验证码错误";
    QTest::newRow("113 success") << 113 << "" << false << 0 << std << "enable tray=绑定手机号成功 phone=typed hide";
    QTest::newRow("113 error") << 113 << "" << true << 0 << std << "enable tip2!=";
    QTest::newRow("109 error") << 109 << "密码错误" << true << 0 << std << "enable tip3!=密码错误";
    QTest::newRow("109 success opens apps") << 109 << "" << false << 0 << std
                                            << "enable tray=二次认证-口令认证成功 enableApps hide";
    QTest::newRow("111 success opens apps") << 111 << "ok" << false << 0 << std
                                            << "enable tray=二次认证-短信认证成功 enableApps hide";
    QTest::newRow("111 vesk has no portal") << 111 << "ok" << false << 0 << vesk
                                            << "enable tray=二次认证-短信认证成功 hide";
    QTest::newRow("111 error") << 111 << "验证码错误" << true << 0 << std << "enable tip4!=验证码错误";
    QTest::newRow("130 success") << 130 << "提交成功" << false << 0 << std << "enable hide";
    QTest::newRow("130 failure") << 130 << "邮箱已存在" << false << 0 << std << "enable tip5!=邮箱已存在";
    QTest::newRow("130 refused success text") << 130 << "不成功" << true << 0 << std << "enable tip5!=不成功";
    QTest::newRow("76 not ours") << 76 << "" << false << 0 << std << "unhandled";
    QTest::newRow("257 not ours") << 257 << "" << false << 0 << std << "unhandled";
}

void TestDialogCommonRules::decide()
{
    QFETCH(int, req);
    QFETCH(QString, text);
    QFETCH(bool, error);
    QFETCH(int, firstLogin);
    QFETCH(QString, project);
    QFETCH(QString, action);
    QCOMPARE(describe(Rules::decide(ClientReq(req), text, error, firstLogin, corvis::Edition::fromProject(project))),
             action);
}

void TestDialogCommonRules::checkImproveUserInfo_data()
{
    QTest::addColumn<Elements>("elements");
    QTest::addColumn<Values>("values");
    QTest::addColumn<QString>("message");
    const auto phone = element("手机号", 1, false, "p");
    const auto mail = element("邮箱", 1, false, "m");
    const auto idType = element("证件类型", 7, false, "t");
    const auto idNo = element("证件号", 1, false, "n");
    const auto dept = element("科室", 1, false, "d");
    const auto name = element("姓名", 1, true, "x");
    const auto hobby = element("爱好", 8, true, "h");
    QTest::newRow("good phone") << Elements{phone} << Values{text("13800138000")} << "";
    QTest::newRow("short phone") << Elements{phone} << Values{text("1380013800")} << "手机号输入有误,请重新输入";
    QTest::newRow("phone letters") << Elements{phone} << Values{text("1380013800a")} << "手机号输入有误,请重新输入";
    QTest::newRow("optional phone empty") << Elements{phone} << Values{text("")} << "";
    QTest::newRow("bad mail") << Elements{mail} << Values{text("a@b")} << "邮箱输入有误,请重新输入";
    QTest::newRow("good mail") << Elements{mail} << Values{text("a.b@c.cn")} << "";
    QTest::newRow("id checked after type 1") << Elements{idType, idNo} << Values{text("1"), text("123")}
                                             << "身份证输入有误,请重新输入";
    QTest::newRow("id good after type 1") << Elements{idType, idNo} << Values{text("1"), text("11010519491231002X")}
                                          << "";
    QTest::newRow("id free after type 2") << Elements{idType, idNo} << Values{text("2"), text("123")} << "";
    QTest::newRow("id before type is free") << Elements{idNo, idType} << Values{text("123"), text("1")} << "";
    QTest::newRow("department empty") << Elements{dept} << Values{text("")} << "科室输入有误,请重新输入";
    QTest::newRow("required empty") << Elements{name} << Values{text("")} << "姓名不能为空,请重新输入";
    QTest::newRow("required check boxes") << Elements{hobby} << Values{checked({})} << "爱好不能为空,请重新输入";
    QTest::newRow("required check boxes ticked") << Elements{hobby} << Values{checked({"a"})} << "";
    QTest::newRow("every failure joined") << Elements{phone, mail, dept} << Values{text("1"), text("x"), text("")}
                                          << "手机号输入有误,邮箱输入有误,科室输入有误,请重新输入";
    QTest::newRow("unshown element skipped") << Elements{name} << Values{Rules::FormValue{}} << "";
    QTest::newRow("no elements") << Elements{} << Values{} << "";
}

void TestDialogCommonRules::checkImproveUserInfo()
{
    QFETCH(Elements, elements);
    QFETCH(Values, values);
    QFETCH(QString, message);
    QCOMPARE(Rules::checkImproveUserInfo(elements, values), message);
}

void TestDialogCommonRules::improveUserInfoValue_data()
{
    QTest::addColumn<Elements>("elements");
    QTest::addColumn<Values>("values");
    QTest::addColumn<QString>("json");
    QTest::newRow("empty form") << Elements{} << Values{} << "{}";
    QTest::newRow("each kind") << Elements{element("姓名", 1, true, "e1"), element("简介", 2, false, "e2"),
                                           element("部门", 7, false, "e3"), element("爱好", 8, false, "e4")}
                               << Values{text("张三"), text("a\"b\nc"), text("fin"), checked({"r", "s"})}
                               << R"({"e1":"张三","e2":"a\"b\nc","e3":"fin","e4":["r","s"]})";
    QTest::newRow("unshown left out") << Elements{element("x", 99, false, "e9"), element("y", 3, false, "e3")}
                                      << Values{Rules::FormValue{}, text("v")} << R"({"e3":"v"})";
}

void TestDialogCommonRules::improveUserInfoValue()
{
    QFETCH(Elements, elements);
    QFETCH(Values, values);
    QFETCH(QString, json);
    QCOMPARE(Rules::improveUserInfoValue(elements, values), json);
}

void TestDialogCommonRules::formOrderAndOptions()
{
    const Elements elements{element("a", 1, false, "a", 3), element("b", 1, false, "b"),
                            element("c", 1, false, "c", 1), element("d", 1, false, "d", 3)};
    // By order; equal orders keep the document's order; no order goes last.
    QCOMPARE(Rules::formOrder(elements), (QList<int>{2, 0, 3, 1}));
    QVERIFY(Rules::isKnownType(1) && Rules::isKnownType(2) && Rules::isKnownType(3));
    QVERIFY(Rules::isKnownType(7) && Rules::isKnownType(8));
    QVERIFY(!Rules::isKnownType(0) && !Rules::isKnownType(4) && !Rules::isKnownType(9));

    st_ImproveUserInfoElements combo = element("部门", 7, false, "e");
    combo.selectOption = {{"财务", "fin"}, {"研发", "dev"}};
    QCOMPARE(Rules::currentOption(combo), -1);
    combo.strelementvalue = QStringLiteral("dev");
    QCOMPARE(Rules::currentOption(combo), 1);
    combo.strelementvalue = QStringLiteral("财务");
    QCOMPARE(Rules::currentOption(combo), 0);
    combo.strelementvalue = QStringLiteral("other");
    QCOMPARE(Rules::currentOption(combo), -1);
}

QTEST_GUILESS_MAIN(TestDialogCommonRules)
#include "tst_dialogcommonrules.moc"
