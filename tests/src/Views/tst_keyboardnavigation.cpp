// Every dialog and form used with the keyboard alone: Tab walks the controls in the order they
// are seen (top to bottom, left to right within a row), Enter submits the form, Escape closes a
// dialog.

#include "comm/clientreq.h"
#include "comm/cs_ret_status.h"
#include "login/certificatepindialog.h"
#include "login/clientlogindialog.h"
#include "login/dialogbindagain.h"
#include "login/dialogdevicebind.h"
#include "login/logincredentialpage.h"
#include "src/CustomControl/cusmessagebox.h"
#include "src/CustomControl/cuspasswordedit.h"
#include "src/CustomControl/custiplabel.h"
#include "src/Views/dialogaccesscheckresult.h"
#include "src/Views/dialogappfor.h"
#include "src/Views/dialogcommon.h"
#include "src/Views/dialoginform.h"
#include "src/Views/dialogpersonalcenter.h"
#include "src/Views/dialogspadisconnect.h"
#include "src/Views/pageapplycommit.h"
#include "src/Views/pagespa.h"
#include "support/testprefix.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QPointer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

// One form as the keyboard user meets it.
struct Form {
    QWidget* window = nullptr;  // shown and active
    QWidget* scope = nullptr;   // the part whose controls are walked (the window by default)
    QString enterIn;            // the control Enter is pressed in; empty: no form to submit
    std::function<bool()> submitted;
    bool escapeCloses = true;
    std::function<bool()> ready;  // laid out once shown (controls placed later, as in a list)
};

using FormFactory = std::function<Form()>;

const QByteArray kTitleAccount = R"({"data":{"validateCodeType":"0","loginMenu":[
    {"menuId":"accountLoginTab","menuText":"账号登录"}]}})";

bool tabReachable(QWidget* w, QWidget* scope)
{
    if (!w->isVisible() || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus) || w->focusProxy() != nullptr) {
        return false;
    }
    for (QWidget* p = w->parentWidget(); p != nullptr && p != scope; p = p->parentWidget()) {
        // A scroll area's viewport hands focus up to its area; the controls placed on it (a
        // list's links) are stops of their own.
        if (p->focusProxy() != nullptr && !p->focusProxy()->isAncestorOf(p)) {
            return false;
        }
    }
    return w->window() == scope->window();
}

QString nameOf(const QWidget* w)
{
    return w == nullptr ? QStringLiteral("<none>")
                        : w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
}

// The reachable controls in reading order: rows are formed by vertical overlap, each row left
// to right.
QList<QWidget*> visualOrder(QWidget* scope)
{
    QList<QWidget*> all;
    for (QWidget* w : scope->findChildren<QWidget*>()) {
        if (tabReachable(w, scope)) {
            all.append(w);
        }
    }
    QWidget* window = scope->window();
    auto rect = [window](QWidget* w) { return QRect(w->mapTo(window, QPoint(0, 0)), w->size()); };
    std::stable_sort(all.begin(), all.end(),
                     [&](QWidget* a, QWidget* b) { return rect(a).center().y() < rect(b).center().y(); });
    QList<QList<QWidget*>> rows;
    int rowBottom = -1;
    for (QWidget* w : all) {
        if (rows.isEmpty() || rect(w).center().y() > rowBottom) {
            rows.append(QList<QWidget*>());
            rowBottom = rect(w).bottom();
        } else {
            rowBottom = std::max(rowBottom, rect(w).bottom());
        }
        rows.last().append(w);
    }
    QList<QWidget*> out;
    for (QList<QWidget*>& row : rows) {
        std::stable_sort(row.begin(), row.end(), [&](QWidget* a, QWidget* b) { return rect(a).left() < rect(b).left(); });
        out += row;
    }
    return out;
}

QStringList names(const QList<QWidget*>& widgets)
{
    QStringList out;
    for (const QWidget* w : widgets) {
        out.append(nameOf(w));
    }
    return out;
}

// Tab from the first control visits every control in reading order, then comes back.
void walkFocusChain(QWidget* scope, const QList<QWidget*>& expected)
{
    expected.first()->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), expected.first(), 10000);
    QList<QWidget*> visited{expected.first()};
    for (int i = 0; i < 3 * expected.size() + 10; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        if (now == expected.first() || now == nullptr) {
            break;
        }
        if (scope->isAncestorOf(now)) {
            visited.append(now);
        }
    }
    QCOMPARE(names(visited), names(expected));
}

bool showActive(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
    QApplication::setActiveWindow(window);
    return QTest::qWaitForWindowActive(window, 20000);
}

}  // namespace

Q_DECLARE_METATYPE(FormFactory)

class TestKeyboardNavigation : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void keyboard_data();
    void keyboard();

private:
    std::unique_ptr<TestPrefix> prefix_;
    std::vector<std::unique_ptr<QWidget>> owned_;
    template <typename T>
    T* own(T* widget)
    {
        owned_.emplace_back(widget);
        return widget;
    }
    // A single instance of the program: hidden after the row, never deleted.
    template <typename T>
    T* kept(T* widget)
    {
        kept_.append(widget);
        return widget;
    }
    QList<QPointer<QWidget>> kept_;
};

void TestKeyboardNavigation::initTestCase()
{
    qRegisterMetaType<ClientReq>();
    prefix_ = std::make_unique<TestPrefix>();
    QVERIFY(prefix_->writeUserInfo("[UserInfo]\nUserName=zhang\n"));
    CusMessageBox::clearNextAnswers();
}

void TestKeyboardNavigation::cleanup()
{
    for (auto& widget : owned_) {
        widget->hide();
    }
    owned_.clear();
    for (QWidget* widget : kept_) {
        widget->hide();
    }
    kept_.clear();
    ClientLoginDialog* login = ClientLoginDialog::instance();
    login->hide();
    auto* account = login->findChild<LoginCredentialPage*>("pageAccount");
    account->setStep(1);
    account->setTip(QString(), QStringLiteral("#D8424E"));
    login->setPageResetStatus(false, true);
    login->findChild<QStackedWidget*>("stackLogin")->setCurrentIndex(0);
}

void TestKeyboardNavigation::keyboard_data()
{
    QTest::addColumn<FormFactory>("make");

    auto common = [this](PageCommonDialogIndex page, const char* enterIn) {
        return FormFactory([this, page, enterIn] {
            auto* dialog = own(new DialogCommon);
            dialog->showWindow(page, cs_ret_status(0), CReqClientLogin86);
            Form form;
            form.window = dialog;
            form.enterIn = QLatin1String(enterIn);
            // Confirming an empty form names what is missing; cancelling would hide the dialog.
            form.submitted = [dialog, page] { return dialog->isVisible() && !dialog->tipText(page).isEmpty(); };
            return form;
        });
    };
    QTest::newRow("password change") << common(PageDialogModifyPwd, "editOldPwd");
    QTest::newRow("phone binding") << common(PageDialogBindling, "editPhone");
    QTest::newRow("phone unbinding") << common(PageDialogUnbindling, "editCode");
    QTest::newRow("second authentication, password") << common(PageDialogAuthAgainPwd, "editAgainPwd");
    QTest::newRow("second authentication, sms") << common(PageDialogAuthAgainSms, "editCode");

    QTest::newRow("resource request") << FormFactory([this] {
        auto* dialog = own(new pageapplycommit);
        dialog->applycommitInfo(QStringLiteral("资源申请"),
                                QJsonArray{QJsonObject{{"appId", "a1"}, {"appName", QStringLiteral("办公系统")}}});
        dialog->findChild<QPlainTextEdit*>("editApplyReason")->setPlainText(QStringLiteral("出差期间使用"));
        Form form;
        form.window = dialog;
        form.enterIn = QStringLiteral("radioNever");
        auto spy = std::make_shared<QSignalSpy>(dialog, &pageapplycommit::applyCommitted);
        form.submitted = [spy] { return spy->count() == 1; };
        return form;
    });

    QTest::newRow("certificate PIN") << FormFactory([this] {
        auto* dialog = own(new CertificatePinDialog);
        dialog->ask();
        dialog->pinEdit()->setText(QStringLiteral("123456"));
        Form form;
        form.window = dialog;
        form.enterIn = QStringLiteral("editCertPin");
        auto spy = std::make_shared<QSignalSpy>(dialog, &CertificatePinDialog::confirmed);
        form.submitted = [spy] { return spy->count() == 1; };
        return form;
    });

    QTest::newRow("message box") << FormFactory([this] {
        auto* box = own(new CusMessageBox);
        box->showMessage(QStringLiteral("确定退出登录？"), true);
        Form form;
        form.window = box;
        return form;
    });

    QTest::newRow("device bound to another user") << FormFactory([this] {
        auto* dialog = kept(DialogBindAgain::instance());
        st_againBindInfo info;
        info.bindUserName = QStringLiteral("li");
        dialog->setBindInfo(info, QStringLiteral("zhang"));
        Form form;
        form.window = dialog;
        form.enterIn = QStringLiteral("btnBindAgainSubmit");
        auto spy = std::make_shared<QSignalSpy>(dialog, &DialogBindAgain::sendReqBindAgain);
        form.submitted = [spy] { return spy->count() == 1; };
        return form;
    });

    QTest::newRow("SPA disconnected") << FormFactory([this] {
        Form form;
        form.window = kept(DialogSPADisconnect::instance());
        return form;
    });
    QTest::newRow("access check") << FormFactory([this] {
        auto* dialog = own(new DialogAccessCheckResult);
        st_accessCheckResult result;
        dialog->updateData(result);
        Form form;
        form.window = dialog;
        return form;
    });
    QTest::newRow("access check, repair links") << FormFactory([this] {
        auto* dialog = own(new DialogAccessCheckResult);
        st_accessCheckResult result;
        for (int s = 0; s < 3; ++s) {
            st_primaryNode node;
            node.title = QStringLiteral("检查 %1").arg(s);
            node.items.append({QStringLiteral("原因 %1").arg(s), QStringLiteral("https://help.example/%1").arg(s)});
            node.items.append({QStringLiteral("无链接 %1").arg(s), QString()});
            result.nodes.append(node);
        }
        result.nodeCount = 6;
        dialog->updateData(result);
        Form form;
        form.window = dialog;
        // The list places its links once it lays its rows out.
        form.ready = [dialog] {
            for (int s = 0; s < 3; ++s) {
                auto* link = dialog->findChild<QWidget*>(QStringLiteral("linkRow_%1_0").arg(s));
                if (link == nullptr || !link->isVisible()) {
                    return false;
                }
            }
            return true;
        };
        return form;
    });
    QTest::newRow("personal centre") << FormFactory([this] {
        Form form;
        form.window = own(new DialogPersonalCenter);
        return form;
    });
    QTest::newRow("notification centre") << FormFactory([this] {
        Form form;
        form.window = own(new DialogInform);
        return form;
    });

    QTest::newRow("login, account") << FormFactory([this] {
        ClientLoginDialog* dialog = ClientLoginDialog::instance();
        prefix_->writeInstallFile("ini/systemTitle.json", kTitleAccount);
        dialog->handleSystemTitle();
        dialog->resize(960, 700);
        auto* page = dialog->findChild<LoginCredentialPage*>("pageAccount");
        page->setTip(QString(), QStringLiteral("#D8424E"));
        Form form;
        form.window = dialog;
        form.scope = page;
        form.enterIn = QStringLiteral("editAccount");
        form.escapeCloses = false;
        // An empty account is refused with a tip; nothing is sent.
        form.submitted = [page] { return !page->findChild<CusTipLabel*>("labelTip")->text().isEmpty(); };
        return form;
    });

    QTest::newRow("login, second step") << FormFactory([this] {
        ClientLoginDialog* dialog = ClientLoginDialog::instance();
        prefix_->writeInstallFile("ini/systemTitle.json", kTitleAccount);
        dialog->handleSystemTitle();
        dialog->resize(960, 700);
        auto* page = dialog->findChild<LoginCredentialPage*>("pageAccount");
        page->setStep(2);
        page->setBindVisible(true);
        auto* devices = kept(DialogDeviceBind::instance(dialog));
        Form form;
        form.window = dialog;
        form.scope = page;
        // Enter on a focused button presses that button, not the login.
        form.enterIn = QStringLiteral("btnBindList");
        form.escapeCloses = false;
        form.submitted = [devices] { return devices->isVisible(); };
        return form;
    });

    QTest::newRow("login, reset password") << FormFactory([this] {
        ClientLoginDialog* dialog = ClientLoginDialog::instance();
        prefix_->writeInstallFile("ini/systemTitle.json", kTitleAccount);
        dialog->handleSystemTitle();
        dialog->resize(960, 700);
        dialog->findChild<LoginCredentialPage*>("pageAccount")->findChild<QPushButton*>("linkResetPwd")->click();
        auto* page = dialog->findChild<QWidget*>("pageReset");
        Form form;
        form.window = dialog;
        form.scope = page;
        form.enterIn = QStringLiteral("editResetUser");
        form.escapeCloses = false;
        // An empty form is refused with a tip; nothing is sent.
        form.submitted = [page] { return !page->findChild<CusTipLabel*>("labelResetTip")->text().isEmpty(); };
        return form;
    });

    QTest::newRow("bound devices") << FormFactory([this] {
        Form form;
        form.window = kept(DialogDeviceBind::instance(ClientLoginDialog::instance()));
        return form;
    });
    QTest::newRow("my requests") << FormFactory([this] {
        Form form;
        form.window = kept(DialogAppFor::instance());
        return form;
    });

    QTest::newRow("SPA, account") << FormFactory([this] {
        auto* page = kept(PageSPA::instance());
        page->resize(960, 700);
        Form form;
        form.window = page;
        form.scope = page->findChild<QWidget*>("pageSpaAccount");
        form.enterIn = QStringLiteral("editSpaAccount");
        form.escapeCloses = false;
        form.submitted = [page] { return !page->findChild<QLabel*>("labelSpaAccountHint")->text().isEmpty(); };
        return form;
    });
}

void TestKeyboardNavigation::keyboard()
{
    QFETCH(FormFactory, make);
    Form form = make();
    QWidget* scope = form.scope != nullptr ? form.scope : form.window;
    QVERIFY(showActive(form.window));
    if (form.ready) {
        QTRY_VERIFY_WITH_TIMEOUT(form.ready(), 10000);
    }

    const QList<QWidget*> expected = visualOrder(scope);
    if (expected.isEmpty()) {
        // Nothing to reach (an empty notification centre): only closing is left to the keyboard.
        QVERIFY(form.enterIn.isEmpty());
    } else {
        walkFocusChain(scope, expected);
        if (QTest::currentTestFailed()) {
            return;
        }
    }


    if (!form.enterIn.isEmpty()) {
        auto* field = scope->findChild<QWidget*>(form.enterIn);
        QVERIFY(field != nullptr);
        field->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), field, 10000);
        QTest::keyClick(field, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(form.submitted(), 10000);
    }

    if (form.escapeCloses) {
        QVERIFY(showActive(form.window));
        QTest::keyClick(QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : form.window,
                        Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(!form.window->isVisible(), 10000);
    }
}

QTEST_MAIN(TestKeyboardNavigation)
#include "tst_keyboardnavigation.moc"
