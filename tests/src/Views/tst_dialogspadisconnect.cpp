// The SPA disconnect notice: "立即前往" asks the tray to redo the SPA; closing gives up instead.

#include "src/Views/dialogspadisconnect.h"
#include "support/simprocess.h"
#include "support/testprefix.h"

#include <QPushButton>
#include <QtTest>

#include <memory>

class TestDialogSPADisconnect : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void goAsksTheTray();
    void closingGivesUp();

private:
    std::unique_ptr<TestPrefix> prefix_;
    std::unique_ptr<SimProcess> sim_;
};

void TestDialogSPADisconnect::initTestCase()
{
    prefix_ = std::make_unique<TestPrefix>();
    sim_ = std::make_unique<SimProcess>(prefix_->root());
    QVERIFY2(sim_->start(), qPrintable(sim_->errorOutput()));
}

void TestDialogSPADisconnect::goAsksTheTray()
{
    DialogSPADisconnect* dialog = DialogSPADisconnect::instance();
    QSignalSpy gaveUp(dialog, &DialogSPADisconnect::sendTriggerRedoSPA);
    dialog->show();
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("btnGoSpa")), Qt::LeftButton);
    QVERIFY(dialog->isHidden());
    QVERIFY(sim_->waitForRequest(QStringLiteral("corvistray"), QStringLiteral("0x0701"), 15000));
    QCOMPARE(sim_->requests(QStringLiteral("corvistray"), QStringLiteral("0x0701")).last().value("body").toString(), QString());
    QCOMPARE(gaveUp.count(), 0);
}

void TestDialogSPADisconnect::closingGivesUp()
{
    DialogSPADisconnect* dialog = DialogSPADisconnect::instance();
    QSignalSpy gaveUp(dialog, &DialogSPADisconnect::sendTriggerRedoSPA);
    dialog->show();
    dialog->close();
    QVERIFY(dialog->isHidden());
    QCOMPARE(gaveUp.count(), 1);
}

QTEST_MAIN(TestDialogSPADisconnect)
#include "tst_dialogspadisconnect.moc"
