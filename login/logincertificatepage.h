#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

// The certificate tab of the login dialog: the USB-key picture, the page text (what to do, the
// reading in progress, or why the reading failed), the error line with the service's refusal, a
// progress bar while the key is read and the login button. It only shows what the login dialog
// tells it; texts from outside are shown as plain text.
//
// Children: "labelCertPicture", "labelCertText", "labelCertError", "progressCert", "btnLoginCert",
// and the progress timer "timerCertProgress" (100 ms).
class LoginCertificatePage : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kProgressMs = 100;

    explicit LoginCertificatePage(QWidget* parent = nullptr);
    // The edition's theme colours of the login button.
    void setThemeColours(const QString& theme, const QString& hover);

    static QString idleText();       // "请插入U-key点击登录"
    static QString detectingText();  // "正在检测证书，请稍候…"
    static QString detectingStyle();
    static QString failureStyle();   // red
    static QString pictureFile();

    QLabel* pictureLabel() const { return picture_; }
    QLabel* textLabel() const { return text_; }
    QLabel* errorLabel() const { return error_; }
    QProgressBar* progressBar() const { return progress_; }
    QTimer* progressTimer() const { return timer_; }
    QPushButton* loginButton() const { return login_; }
    // A login runs: the button waits and the progress may be running.
    bool isBusy() const { return busy_; }

    // Nothing running: the picture, the idle text, no error line, the button enabled.
    void setIdle();
    // A login starts: the page text says the key is being checked, the error line hides, the
    // button waits until the login has ended.
    void setDetecting();
    // The 100 ms progress while the key is read and the service answers.
    void setProgressRunning(bool running);
    // The reading failed: the picture and `text` in red as the page text; the login has ended.
    void showFailure(const QString& text);
    // The service refused the last certificate: `text` in red in the error line; the login has
    // ended.
    void showRejection(const QString& text);
    // A text of the service in `colour` as the page text (the success of the login).
    void showInfo(const QString& text, const QString& colour);
    // An empty error line, hidden.
    void clearError();

signals:
    void loginClicked();

protected:
    // The picture is read when the page shows: the installation may have been updated since.
    void showEvent(QShowEvent* event) override;

private:
    void showPicture();
    void finish();
    void applyButtonStyle();

    QLabel* picture_ = nullptr;
    QLabel* text_ = nullptr;
    QLabel* error_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QTimer* timer_ = nullptr;
    QPushButton* login_ = nullptr;
    QString theme_;
    QString hover_;
    bool busy_ = false;
};
