// The Caps Lock hint against a real X server: the keyboard indicator as XKB reports it, switched
// with the Caps Lock key, seen by a password edit in a separate workbench-like process.

#include "src/CustomControl/capslockstate.h"
#include "src/CustomControl/cuspasswordedit.h"
#include "support/testprefix.h"
#include "support/xsession.h"

#include <QApplication>
#include <QProcess>
#include <QtTest>

#include <cstdio>
#include <memory>

namespace {

// Child mode: show a password edit on $DISPLAY, and print what it sees as "<state> <hint>".
int printCapsState(int argc, char** argv)
{
    QApplication app(argc, argv);
    CusPasswordEdit edit;
    edit.show();
    edit.refreshCapsLock();
    std::printf("%d %d\n", int(CapsLockState::query()), edit.capsLockHintShown() ? 1 : 0);
    return 0;
}

}  // namespace

class TestCapsLockE2E : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void hintFollowsKey();

private:
    QString childSees(const QString& platform);

    std::unique_ptr<XSession> x_;
    TestPrefix prefix_;
};

void TestCapsLockE2E::initTestCase()
{
    x_ = std::make_unique<XSession>();
    QVERIFY2(x_->isValid(), qPrintable(x_->error()));
}

QString TestCapsLockE2E::childSees(const QString& platform)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), x_->display());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--print-caps-state")});
    if (!child.waitForFinished(20000) || child.exitCode() != 0) {
        return QStringLiteral("failed: ") + QString::fromLocal8Bit(child.readAllStandardError());
    }
    return QString::fromLatin1(child.readAllStandardOutput()).trimmed();
}

void TestCapsLockE2E::hintFollowsKey()
{
    QCOMPARE(childSees(QStringLiteral("xcb")), QStringLiteral("0 0"));
    QCOMPARE(x_->xdotool({QStringLiteral("key"), QStringLiteral("Caps_Lock")}), 0);
    QCOMPARE(childSees(QStringLiteral("xcb")), QStringLiteral("1 1"));
    // The same X server behind the offscreen platform is not asked: no state, no hint.
    QCOMPARE(childSees(QStringLiteral("offscreen")), QStringLiteral("-1 0"));
    QCOMPARE(x_->xdotool({QStringLiteral("key"), QStringLiteral("Caps_Lock")}), 0);
    QCOMPARE(childSees(QStringLiteral("xcb")), QStringLiteral("0 0"));
}

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--print-caps-state") == 0) {
        return printCapsState(argc, argv);
    }
    QCoreApplication app(argc, argv);
    TestCapsLockE2E test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_capslock_e2e.moc"
