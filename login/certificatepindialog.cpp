#include "login/certificatepindialog.h"

#include "src/CustomControl/cuspasswordedit.h"
#include "src/CustomControl/cusstyle.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CertificatePinDialog::CertificatePinDialog(QWidget* parent) : CustomDialog(parent)
{
    setObjectName(QStringLiteral("CertificatePinDialog"));
    setWindowTitle(QStringLiteral("请输入PIN码"));
    setAccessibleName(QStringLiteral("请输入PIN码"));
    setWindowModality(Qt::ApplicationModal);
    setMinimizeVisible(false);
    if (auto* close = findChild<QPushButton*>(QStringLiteral("btnClose"))) {
        close->setAccessibleName(QStringLiteral("关闭"));
    }
    setFixedSize(400, 220);

    auto* column = new QVBoxLayout(body());
    column->setContentsMargins(32, 20, 32, 20);
    column->setSpacing(14);
    auto* prompt = new QLabel(QStringLiteral("请输入U-key的PIN码"), body());
    prompt->setObjectName(QStringLiteral("labelCertPinPrompt"));
    prompt->setStyleSheet(QStringLiteral("font-size: 14px; color: %1;").arg(QLatin1String(cusstyle::kText)));
    column->addWidget(prompt);

    pin_ = new CusPasswordEdit(body());
    pin_->setObjectName(QStringLiteral("editCertPin"));
    pin_->setAccessibleName(QStringLiteral("PIN码"));
    pin_->setPlaceholderText(QStringLiteral("请输入PIN码"));
    pin_->setFixedHeight(36);
    column->addWidget(pin_);
    column->addStretch(1);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(16);
    buttons->addStretch(1);
    cancel_ = new QPushButton(QStringLiteral("取消"), body());
    cancel_->setObjectName(QStringLiteral("btnCertPinCancel"));
    cancel_->setAccessibleName(QStringLiteral("取消"));
    cancel_->setAutoDefault(false);
    confirm_ = new QPushButton(QStringLiteral("确定"), body());
    confirm_->setObjectName(QStringLiteral("btnCertPinConfirm"));
    confirm_->setAccessibleName(QStringLiteral("确定"));
    confirm_->setDefault(true);
    for (QPushButton* button : {cancel_, confirm_}) {
        button->setFixedSize(88, 32);
        button->setCursor(Qt::PointingHandCursor);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    column->addLayout(buttons);
    cancel_->setStyleSheet(QStringLiteral("QPushButton { border: 1px solid %1; border-radius: 4px; background: white;"
                                          " color: %2; font-size: 14px; } QPushButton:hover, QPushButton:focus"
                                          " { color: %3; border-color: %3; }")
                               .arg(QLatin1String(cusstyle::kBorder), QLatin1String(cusstyle::kText),
                                    QLatin1String(cusstyle::kTheme)));
    confirm_->setStyleSheet(QStringLiteral("QPushButton { border: none; border-radius: 4px; background: %1;"
                                           " color: white; font-size: 14px; } QPushButton:hover { background: %2; }"
                                           " QPushButton:disabled { background: #A0CFFF; }")
                                .arg(QLatin1String(cusstyle::kTheme), QLatin1String(cusstyle::kThemeHover)));
    // Tab goes as the eye does: the box, then the buttons left to right; Enter confirms anyway.
    setTabOrder(pin_, cancel_);
    setTabOrder(cancel_, confirm_);

    // An empty PIN cannot be right: nothing to confirm until something is typed.
    confirm_->setEnabled(false);
    connect(pin_, &QLineEdit::textChanged, this, [this](const QString& text) { confirm_->setEnabled(!text.isEmpty()); });
    connect(confirm_, &QPushButton::clicked, this, [this] { answer(true); });
    connect(cancel_, &QPushButton::clicked, this, [this] { answer(false); });
}

void CertificatePinDialog::ask()
{
    pin_->clear();
    answered_ = false;
    open();
    raise();
    activateWindow();
    pin_->setFocus();
}

QString CertificatePinDialog::takePin()
{
    const QString pin = pin_->text();
    pin_->clear();
    return pin;
}

void CertificatePinDialog::dismiss()
{
    answered_ = true;
    pin_->clear();
    hide();
}

void CertificatePinDialog::answer(bool confirm)
{
    // One answer per showing: a second click while the dialog closes changes nothing.
    if (answered_ || (confirm && pin_->text().isEmpty())) {
        return;
    }
    answered_ = true;
    setResult(confirm ? QDialog::Accepted : QDialog::Rejected);
    hide();
    if (confirm) {
        emit confirmed();
    } else {
        pin_->clear();
        emit cancelled();
    }
}

void CertificatePinDialog::closeEvent(QCloseEvent* event)
{
    // The title bar's close button and Escape are a cancel.
    if (!answered_) {
        answered_ = true;
        pin_->clear();
        setResult(QDialog::Rejected);
        CustomDialog::closeEvent(event);
        emit cancelled();
        return;
    }
    CustomDialog::closeEvent(event);
}
