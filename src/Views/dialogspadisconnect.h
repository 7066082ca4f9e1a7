#pragma once

#include "src/CustomControl/customdialog.h"

class QPushButton;

// Tells the user that the SPA has to be repeated. "立即前往" asks the tray to redo the SPA;
// closing the dialog instead emits sendTriggerRedoSPA(), on which the main window logs out.
//
// Children: "labelSpaDisconnect", "btnGoSpa" (and those of CustomDialog).
class DialogSPADisconnect : public CustomDialog
{
    Q_OBJECT
public:
    static DialogSPADisconnect* instance();

signals:
    void sendTriggerRedoSPA();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    DialogSPADisconnect();
    void onGoClicked();
};
