#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// A frameless dialog with its own title bar: the window title on the left, minimise and close
// on the right; the bar drags the window. Closing (the close button, Escape, close()) only hides
// the dialog and emits closed(): dialogs are created once and shown again and again.
//
// Subclasses put their content into body() and may override closeEvent() to add their own
// close behaviour; they call CustomDialog::closeEvent() to hide.
//
// Children: "customTitleBar", "labelTitle", "btnMin", "btnClose", "customBody".
class CustomDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CustomDialog(QWidget* parent = nullptr);

    // The area below the title bar; give it a layout.
    QWidget* body() const { return body_; }
    QLabel* titleLabel() const { return title_; }

    // Both title-bar buttons, or only the minimise button.
    void setTitleButtonsVisible(bool visible);
    void setMinimizeVisible(bool visible);

signals:
    // The dialog was closed (and is now hidden).
    void closed();

public slots:
    // Escape and QDialog's own reject go through close(), so that subclasses see every close.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* titleBar_ = nullptr;
    QLabel* title_ = nullptr;
    QPushButton* minimize_ = nullptr;
    QPushButton* close_ = nullptr;
    QWidget* body_ = nullptr;
    QPoint dragOffset_;
    bool dragging_ = false;
};
