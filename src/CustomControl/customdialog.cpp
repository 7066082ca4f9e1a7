#include "src/CustomControl/customdialog.h"

#include "src/CustomControl/cusstyle.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

namespace {

QPushButton* titleButton(QWidget* parent, const char* name, const char* icon, const QString& accessibleName)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setAccessibleName(accessibleName);
    button->setIcon(QIcon(QLatin1String(icon)));
    button->setIconSize(QSize(16, 16));
    button->setFixedSize(28, 28);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

}  // namespace

CustomDialog::CustomDialog(QWidget* parent) : QDialog(parent)
{
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setObjectName(QStringLiteral("CustomDialog"));

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("customDialogFrame"));
    frame->setStyleSheet(QStringLiteral("#customDialogFrame { background: white; border: 1px solid %1; }"
                                        "#customTitleBar { border-bottom: 1px solid %1; }"
                                        "#btnMin, #btnClose { border: none; border-radius: 4px; background: transparent; }"
                                        "#btnMin:hover { background: #F2F3F5; }"
                                        "#btnClose:hover { background: #FDECEE; }")
                             .arg(QLatin1String(cusstyle::kBorder)));
    outer->addWidget(frame);

    auto* column = new QVBoxLayout(frame);
    column->setContentsMargins(1, 1, 1, 1);
    column->setSpacing(0);

    titleBar_ = new QWidget(frame);
    titleBar_->setObjectName(QStringLiteral("customTitleBar"));
    titleBar_->setAttribute(Qt::WA_StyledBackground);
    titleBar_->setFixedHeight(44);
    titleBar_->installEventFilter(this);
    auto* bar = new QHBoxLayout(titleBar_);
    bar->setContentsMargins(16, 0, 8, 0);
    bar->setSpacing(4);
    title_ = new QLabel(titleBar_);
    title_->setObjectName(QStringLiteral("labelTitle"));
    title_->setStyleSheet(QStringLiteral("font-size: 16px; color: %1;").arg(QLatin1String(cusstyle::kTitle)));
    bar->addWidget(title_, 1);
    minimize_ = titleButton(titleBar_, "btnMin", ":/resources/Img/btn_min.png", QStringLiteral("最小化"));
    close_ = titleButton(titleBar_, "btnClose", ":/resources/Img/btn_close.png", QStringLiteral("关闭"));
    bar->addWidget(minimize_);
    bar->addWidget(close_);
    connect(minimize_, &QPushButton::clicked, this, &QWidget::showMinimized);
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    column->addWidget(titleBar_);

    body_ = new QWidget(frame);
    body_->setObjectName(QStringLiteral("customBody"));
    column->addWidget(body_, 1);
}

void CustomDialog::setTitleButtonsVisible(bool visible)
{
    minimize_->setVisible(visible);
    close_->setVisible(visible);
}

void CustomDialog::setMinimizeVisible(bool visible)
{
    minimize_->setVisible(visible);
}

void CustomDialog::reject()
{
    close();
}

void CustomDialog::closeEvent(QCloseEvent* event)
{
    // The close is ignored so the object lives on; hide() also ends a running exec().
    event->ignore();
    dragging_ = false;
    hide();
    emit closed();
}

void CustomDialog::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowTitleChange) {
        title_->setText(windowTitle());
    }
    QDialog::changeEvent(event);
}

bool CustomDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != titleBar_) {
        return QDialog::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) {
            break;
        }
        // The window manager moves the window where it can (X11, Wayland); otherwise follow
        // the pointer ourselves.
        QWindow* window = windowHandle();
        if (window != nullptr && window->startSystemMove()) {
            return true;
        }
        dragging_ = true;
        dragOffset_ = mouse->globalPos() - frameGeometry().topLeft();
        return true;
    }
    case QEvent::MouseMove:
        if (dragging_) {
            move(static_cast<QMouseEvent*>(event)->globalPos() - dragOffset_);
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        dragging_ = false;
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}
