#include "src/CustomControl/cusmessagebox.h"

#include "src/CustomControl/cusstyle.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QList>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QList<CusMessageBox::Answer>& queuedAnswers()
{
    static QList<CusMessageBox::Answer> answers;
    return answers;
}

}  // namespace

void CusMessageBox::setNextAnswer(Answer answer)
{
    queuedAnswers().append(answer);
}

int CusMessageBox::pendingAnswers()
{
    return queuedAnswers().size();
}

void CusMessageBox::clearNextAnswers()
{
    queuedAnswers().clear();
}

CusMessageBox::CusMessageBox(QWidget* parent) : CustomDialog(parent)
{
    setObjectName(QStringLiteral("CusMessageBox"));
    setMinimizeVisible(false);
    // Wide enough that the longest question asked (unbinding a device) stays on one line.
    setFixedSize(440, 200);

    auto* column = new QVBoxLayout(body());
    column->setContentsMargins(24, 16, 24, 20);
    message_ = new QLabel(body());
    message_->setObjectName(QStringLiteral("labelMessage"));
    message_->setTextFormat(Qt::PlainText);
    message_->setWordWrap(true);
    message_->setAlignment(Qt::AlignCenter);
    message_->setStyleSheet(QStringLiteral("font-size: 14px; color: %1;").arg(QLatin1String(cusstyle::kText)));
    column->addWidget(message_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(16);
    buttons->addStretch(1);
    cancel_ = new QPushButton(QStringLiteral("取消"), body());
    cancel_->setObjectName(QStringLiteral("btnCancel"));
    confirm_ = new QPushButton(QStringLiteral("确定"), body());
    confirm_->setObjectName(QStringLiteral("btnConfirm"));
    confirm_->setDefault(true);
    for (QPushButton* button : {cancel_, confirm_}) {
        button->setAccessibleName(button->text());
        button->setFixedSize(88, 32);
        button->setCursor(Qt::PointingHandCursor);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    column->addLayout(buttons);
    setThemeColours(QLatin1String(cusstyle::kTheme), QLatin1String(cusstyle::kThemeHover));

    connect(confirm_, &QPushButton::clicked, this, [this] { answer(Confirm); });
    connect(cancel_, &QPushButton::clicked, this, [this] { answer(Cancel); });
}

void CusMessageBox::setButtonTexts(const QString& confirm, const QString& cancel)
{
    confirm_->setText(confirm);
    confirm_->setAccessibleName(confirm);
    cancel_->setText(cancel);
    cancel_->setAccessibleName(cancel);
}

void CusMessageBox::setThemeColours(const QString& theme, const QString& hover)
{
    cancel_->setStyleSheet(QStringLiteral("QPushButton { border: 1px solid %1; border-radius: 4px; background: white;"
                                          " color: %2; font-size: 14px; } QPushButton:hover { color: %3; border-color: %3; }")
                               .arg(QLatin1String(cusstyle::kBorder), QLatin1String(cusstyle::kText), theme));
    confirm_->setStyleSheet(QStringLiteral("QPushButton { border: none; border-radius: 4px; background: %1;"
                                           " color: white; font-size: 14px; } QPushButton:hover { background: %2; }")
                                .arg(theme, hover));
}

QString CusMessageBox::message() const
{
    return message_->text();
}

void CusMessageBox::prepare(const QString& text, bool withCancel, const QString& title)
{
    setWindowTitle(title);
    message_->setText(text);
    withCancel_ = withCancel;
    cancel_->setVisible(withCancel);
    answered_ = false;
}

void CusMessageBox::showMessage(const QString& text, bool withCancel, const QString& title)
{
    prepare(text, withCancel, title);
    if (!queuedAnswers().isEmpty()) {
        const Answer given = queuedAnswers().takeFirst();
        QTimer::singleShot(0, this, [this, given] { answer(given); });
        return;
    }
    open();
    confirm_->setFocus();
}

bool CusMessageBox::ask(const QString& text, bool withCancel, const QString& title)
{
    prepare(text, withCancel, title);
    if (!queuedAnswers().isEmpty()) {
        const Answer given = queuedAnswers().takeFirst();
        answer(given);
        return given == Confirm;
    }
    confirm_->setFocus();
    return exec() == QDialog::Accepted;
}

void CusMessageBox::answer(Answer given)
{
    // One answer per showing: a second click while the box is closing changes nothing.
    if (answered_) {
        return;
    }
    answered_ = true;
    if (given == Confirm) {
        setResult(QDialog::Accepted);
        hide();
        emit clickSure();
    } else {
        setResult(QDialog::Rejected);
        hide();
        emit clickCancel();
    }
}

void CusMessageBox::closeEvent(QCloseEvent* event)
{
    // Closing with the title bar or Escape is a cancel.
    if (!answered_) {
        answered_ = true;
        setResult(QDialog::Rejected);
        CustomDialog::closeEvent(event);
        emit clickCancel();
        return;
    }
    CustomDialog::closeEvent(event);
}
