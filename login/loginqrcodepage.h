#pragma once

#include "corviscommon/edition.h"
#include "login/qrloginview.h"

#include <QPixmap>
#include <QWidget>

class CusTipLabel;
class QLabel;
class QPushButton;
class QrLoginFlow;

// The QR tab of the login dialog: the code on a button (a click on the refresh picture starts a
// new flow), the hint line, the scan indicator of the tirrowa-uos-x86 edition and the cancel
// button. It owns the QR login flow and paints what the flow decides.
//
// Children: "btnLoginQrcode", "labelQrcodeHint", "labelQrcodeScanned", "btnLoginQrcodeCancel",
// and the flow "qrLoginFlow".
class LoginQrcodePage : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kCodeSide = 220;

    explicit LoginQrcodePage(const corvis::Edition& edition, QWidget* parent = nullptr);

    QrLoginFlow* flow() const { return flow_; }
    QPushButton* codeButton() const { return code_; }
    CusTipLabel* hintLabel() const { return hint_; }
    QLabel* scanIndicator() const { return scanned_; }
    QPushButton* cancelButton() const { return cancel_; }

public slots:
    void apply(const QrLoginView& view);

private:
    void paintCode(const QrLoginView& view);
    QPixmap codePicture(const QString& url);

    QrLoginFlow* flow_ = nullptr;
    QPushButton* code_ = nullptr;
    CusTipLabel* hint_ = nullptr;
    QLabel* scanned_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QString codeUrl_;
    QPixmap codePixmap_;
};
