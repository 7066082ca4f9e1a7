// The login dialog's pages on their own: the credential page's states and the reset page's field
// checks and password styles, driven through their widgets.

#include "login/loggingpage.h"
#include "login/logincredentialpage.h"
#include "login/resetpasswordpage.h"
#include "src/CustomControl/cuslineedit.h"
#include "src/CustomControl/cuspasswordedit.h"
#include "src/CustomControl/custiplabel.h"
#include "support/testprefix.h"
#include "testpaths.h"

#include <QCheckBox>
#include <QLabel>
#include <QVBoxLayout>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class TestLoginPages : public QObject
{
    Q_OBJECT

private slots:
    void credentialSteps();
    void credentialStates();
    void credentialTextsFit_data();
    void credentialTextsFit();
    void resetCheck_data();
    void resetCheck();
    void resetPasswordStyles_data();
    void resetPasswordStyles();
    void resetSubmitting();
    void loggingStates_data();
    void loggingStates();
};

void TestLoginPages::credentialSteps()
{
    LoginCredentialPage page(PageLoginPhone);
    page.show();
    QCOMPARE(page.accountEdit()->placeholderText(), QStringLiteral("请输入手机号"));
    QCOMPARE(page.rememberBox()->text(), QStringLiteral("记住手机号"));
    QCOMPARE(page.step(), 1);
    QVERIFY(!page.isCodeVisible());
    QCOMPARE(page.findChild<QWidget*>("widgetCredentials")->height(), LoginCredentialPage::kStepOneHeight);
    page.setStep(2);
    QVERIFY(page.isCodeVisible());
    QVERIFY(page.findChild<QWidget*>("widgetBind")->isVisible());
    QCOMPARE(page.bindFlag(), QStringLiteral("02"));
    page.bindSwitch()->setChecked(true);
    QCOMPARE(page.bindFlag(), QStringLiteral("01"));
    QCOMPARE(page.bindSwitch()->text(), QStringLiteral("绑定此设备"));
    page.setStep(1);
    QVERIFY(!page.isCodeVisible());
    page.setCodeVisible(true, QStringLiteral("请输入动态码"));
    QVERIFY(page.isCodeVisible());
    QCOMPARE(page.codeEdit()->placeholderText(), QStringLiteral("请输入动态码"));
}

void TestLoginPages::credentialStates()
{
    LoginCredentialPage page(PageLoginAccount);
    QSignalSpy login(&page, &LoginCredentialPage::loginClicked);
    QCOMPARE(page.accountEdit()->placeholderText(), QStringLiteral("请输入账号"));
    QCOMPARE(page.passwordEdit()->placeholderText(), QStringLiteral("请输入密码"));
    QCOMPARE(page.rememberBox()->text(), QStringLiteral("记住账号"));
    QCOMPARE(page.loginButton()->text(), QStringLiteral("登    录"));
    page.fillLocked("zhangsan", "Secret!9x");
    QVERIFY(page.accountEdit()->isReadOnly());
    page.setLoggingState(true, true);
    QCOMPARE(page.loginButton()->text(), QStringLiteral("登录中，请稍后..."));
    QVERIFY(!page.loginButton()->isEnabled());
    QVERIFY(!page.resetLink()->isEnabled());
    QCOMPARE(page.accountEdit()->text(), QStringLiteral("zhangsan"));  // logging never clears
    page.setLoggingState(false, false);
    QCOMPARE(page.accountEdit()->text(), QStringLiteral("zhangsan"));
    QVERIFY(!page.accountEdit()->isReadOnly());
    QVERIFY(page.loginButton()->isEnabled());
    page.setLoggingState(false, true);
    QVERIFY(page.accountEdit()->text().isEmpty());
    QVERIFY(page.passwordEdit()->text().isEmpty());
    QTest::mouseClick(page.loginButton(), Qt::LeftButton);
    QCOMPARE(login.size(), 1);
    page.setThemeColours("#4AB793", "#3A8783");
    QVERIFY(page.loginButton()->styleSheet().contains("#4AB793"));
}

void TestLoginPages::credentialTextsFit_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("step");
    QTest::newRow("account") << int(PageLoginAccount) << 1;
    QTest::newRow("account, code and binding") << int(PageLoginAccount) << 2;
    QTest::newRow("phone, code and binding") << int(PageLoginPhone) << 2;
}

void TestLoginPages::credentialTextsFit()
{
    QFETCH(int, type);
    QFETCH(int, step);
    // The panel the login dialog gives its pages.
    QWidget panel;
    panel.setFixedSize(420, 520);
    auto* layout = new QVBoxLayout(&panel);
    auto* page = new LoginCredentialPage(PageLoginType(type), &panel);
    layout->addWidget(page);
    page->setStep(step);
    page->setBindVisible(true);
    page->setTip(QStringLiteral("账号或密码错误，请重新输入"), QStringLiteral("#D8424E"));
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    if (step == 2) {
        QTRY_VERIFY(page->findChild<QLabel*>(QStringLiteral("labelBindNote"))->isVisible());
    }
    // Every text in sight whole: no label narrower than its text, no button below its size.
    int checked = 0;
    for (QLabel* label : page->findChildren<QLabel*>()) {
        if (!label->isVisible() || label->text().isEmpty()) {
            continue;
        }
        const int needed = label->fontMetrics().horizontalAdvance(label->text());
        QVERIFY2(label->contentsRect().width() >= needed,
                 qPrintable(QStringLiteral("%1 \"%2\" is %3 px of %4").arg(label->objectName(), label->text())
                                .arg(label->contentsRect().width()).arg(needed)));
        ++checked;
    }
    for (QAbstractButton* button : page->findChildren<QAbstractButton*>()) {
        if (!button->isVisible() || button->text().isEmpty()) {
            continue;
        }
        QVERIFY2(button->width() >= button->sizeHint().width() &&
                     button->width() >= button->fontMetrics().horizontalAdvance(button->text()),
                 qPrintable(QStringLiteral("%1 is %2 px of %3").arg(button->objectName()).arg(button->width())
                                .arg(button->sizeHint().width())));
        ++checked;
    }
    QVERIFY(checked >= (step == 2 ? 7 : 4));
}

void TestLoginPages::resetCheck_data()
{
    QTest::addColumn<QStringList>("fields");  // user, id, password, repeat
    QTest::addColumn<bool>("vesk");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    const QString id18 = QStringLiteral("11010519491231002X");
    QTest::newRow("no teller") << QStringList{"", id18, "Kq9z!mA2", "Kq9z!mA2"} << false
                               << "未输入柜员号，请重新输入！" << "editResetUser";
    QTest::newRow("no id") << QStringList{"t1", "", "Kq9z!mA2", "Kq9z!mA2"} << false
                           << "未输入身份证号码，请重新输入！" << "editIdCard";
    QTest::newRow("no password") << QStringList{"t1", id18, "", "Kq9z!mA2"} << false << "密码不能为空，请重新输入！"
                                 << "editNewPwd";
    QTest::newRow("no repeat") << QStringList{"t1", id18, "Kq9z!mA2", ""} << false << "密码不能为空，请重新输入！"
                               << "editNewPwdRe";
    QTest::newRow("id of 17 before passwords") << QStringList{"t1", id18.left(17), "Kq9z!mA2", "other"} << false
                                               << "身份证号码输入不正确，请重新输入！" << "editIdCard";
    QTest::newRow("id of 19 before passwords") << QStringList{"t1", id18 + "1", "Kq9z!mA2", "other"} << false
                                               << "身份证号码输入不正确，请重新输入！" << "editIdCard";
    QTest::newRow("different passwords") << QStringList{"t1", id18, "Kq9z!mA2", "Kq9z!mA3"} << false
                                         << "两次密码输入不一致，请重新输入！" << "editNewPwdRe";
    QTest::newRow("weak allowed outside vesk") << QStringList{"t1", id18, "abcdefgh", "abcdefgh"} << false << ""
                                               << "";
    QTest::newRow("vesk legality") << QStringList{"t1", id18, "abcdefgh", "abcdefgh"} << true
                                   << "密码长度8-16位，必须包含大写字母、小写字母、数字和特殊字符中的3种或3种以上。"
                                   << "editNewPwdRe";
    QTest::newRow("vesk legal") << QStringList{"t1", id18, "Kq9z!mA2", "Kq9z!mA2"} << true << "" << "";
}

void TestLoginPages::resetCheck()
{
    TestPrefix prefix;
    QFETCH(QStringList, fields);
    QFETCH(bool, vesk);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    ResetPasswordPage page;
    page.show();
    QTest::keyClicks(page.userEdit(), fields.at(0));
    QTest::keyClicks(page.idCardEdit(), fields.at(1));
    QTest::keyClicks(page.passwordEdit(), fields.at(2));
    QTest::keyClicks(page.repeatEdit(), fields.at(3));
    page.codeEdit()->setFocus();
    QCOMPARE(page.resetAuthCodeVaildtyCheck(vesk ? corvis::Edition(corvis::Edition::Id::VeskKylin) : corvis::Edition()), message);
    if (!focus.isEmpty()) {
        QCOMPARE(page.focusWidget()->objectName(), focus);
    }
}

void TestLoginPages::resetPasswordStyles_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("style");
    QTest::addColumn<QString>("tip");
    QTest::newRow("legal") << "Kq9z!mA2" << "QLineEdit { border: 1px solid #E0E0E0}" << "";
    QTest::newRow("sequence") << "Kq9zqwer!" << "QLineEdit { border: 1px solid red}" << "不能使用连续的字符或者常见弱口令。";
    QTest::newRow("blank") << "Kq9 z!mA2" << "QLineEdit { border: 1px solid red}" << "输入有非法字符，请修改。";
}

void TestLoginPages::resetPasswordStyles()
{
    TestPrefix prefix;
    QFETCH(QString, typed);
    QFETCH(QString, style);
    QFETCH(QString, tip);
    ResetPasswordPage page;
    page.setResetErrorTips("old", true);
    for (CusPasswordEdit* edit : {page.passwordEdit(), page.repeatEdit()}) {
        edit->setText(typed);
        emit edit->editingFinished();
        QCOMPARE(edit->styleSheet(), style);
        QCOMPARE(page.tipLabel()->text(), tip);
    }
    // An empty field changes nothing.
    page.setResetErrorTips("kept", true);
    page.passwordEdit()->clear();
    emit page.passwordEdit()->editingFinished();
    QCOMPARE(page.tipLabel()->text(), QStringLiteral("kept"));
}

void TestLoginPages::resetSubmitting()
{
    ResetPasswordPage page;
    QCOMPARE(page.submitButton()->text(), QStringLiteral("提    交"));
    page.userEdit()->setText("t1");
    page.setPageResetStatus(true, false);
    QCOMPARE(page.submitButton()->text(), QStringLiteral("提交中，请稍后..."));
    QVERIFY(!page.submitButton()->isEnabled());
    QCOMPARE(page.userEdit()->text(), QStringLiteral("t1"));
    page.setPageResetStatus(false, true);
    QVERIFY(page.submitButton()->isEnabled());
    QVERIFY(page.userEdit()->text().isEmpty());
    QCOMPARE(page.userEdit()->placeholderText(), QStringLiteral("请输入柜员号"));
    page.setEditionTexts(corvis::Edition(corvis::Edition::Id::VeskUos));
    QCOMPARE(page.userEdit()->placeholderText(), QStringLiteral("请输入手机号/柜员号"));
}

void TestLoginPages::loggingStates_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("project");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("animating");
    QTest::newRow("0 standard") << 0 << "" << "" << true;
    QTest::newRow("0 kav") << 0 << "kav" << "正在打开安全空间" << true;
    QTest::newRow("1") << 1 << "" << "正在进行接入检查，请稍等" << true;
    QTest::newRow("2") << 2 << "" << "接入检查已完成，符合安全检查策略" << false;
}

void TestLoginPages::loggingStates()
{
    TestPrefix prefix;
    QVERIFY(prefix.writeInstallFile("resource/default/clientmain/loading.gif",
                                    readFile(CORVIS_SOURCE_DIR "/resources/installroot/resource/default/clientmain/loading.gif")));
    QFETCH(int, status);
    QFETCH(QString, project);
    QFETCH(QString, text);
    QFETCH(bool, animating);
    LoggingPage page;
    page.setStatus(status, corvis::Edition::fromProject(project), false);
    QCOMPARE(page.text(), text);
    QCOMPARE(page.isAnimating(), animating);
    page.stop();
    QVERIFY(!page.isAnimating());
}

QTEST_MAIN(TestLoginPages)
#include "tst_loginpages.moc"
