#include "src/Views/dialogspadisconnect.h"

#include "app/common.h"
#include "comm/uicomm.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

DialogSPADisconnect* DialogSPADisconnect::instance()
{
    static DialogSPADisconnect* dialog = new DialogSPADisconnect();
    return dialog;
}

DialogSPADisconnect::DialogSPADisconnect() : CustomDialog(nullptr)
{
    setObjectName(QStringLiteral("DialogSPADisconnect"));
    setWindowTitle(QStringLiteral("提示"));
    setModal(true);
    setMinimizeVisible(false);
    resize(420, 200);

    auto* layout = new QVBoxLayout(body());
    auto* text = new QLabel(QStringLiteral("Orvane云助手与控制器无法通讯，需前往预认证界面重新进行SPA（单包认证）。"), body());
    text->setObjectName(QStringLiteral("labelSpaDisconnect"));
    text->setWordWrap(true);
    layout->addWidget(text);

    auto* go = new QPushButton(QStringLiteral("立即前往"), body());
    go->setObjectName(QStringLiteral("btnGoSpa"));
    go->setAccessibleName(go->text());
    go->setFixedSize(100, 32);
    QString colour = QStringLiteral("#47A2F1");
    int radius = 2;
    if (Common::edition().is(corvis::Edition::Id::Kav)) {
        colour = QStringLiteral("#E4425B");
    } else if (Common::edition().isVesk()) {
        colour = QStringLiteral("rgba(74,183,147,1)");
        radius = 4;
    }
    go->setStyleSheet(QStringLiteral("font-size: 14px;color: white;border-radius: %1px;background-color: %2;").arg(radius).arg(colour));
    layout->addWidget(go, 0, Qt::AlignHCenter);
    connect(go, &QPushButton::clicked, this, &DialogSPADisconnect::onGoClicked);
}

void DialogSPADisconnect::onGoClicked()
{
    hide();
    UiComm::instance()->apiCorvistrayCommon(CReqTray38, QString());
}

void DialogSPADisconnect::closeEvent(QCloseEvent* event)
{
    emit sendTriggerRedoSPA();
    CustomDialog::closeEvent(event);
}
