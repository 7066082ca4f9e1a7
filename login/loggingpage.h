#pragma once

#include "corviscommon/edition.h"

#include <QWidget>

class QLabel;
class QMovie;

// The page shown while a login finishes: the workbench being created (0), the access check
// running (1), passed (2) or failed (3).
//
// Children: "labelLoggingPicture", "labelLoggingText".
class LoggingPage : public QWidget
{
    Q_OBJECT
public:
    explicit LoggingPage(QWidget* parent = nullptr);

    // The edition chooses texts and pictures; `firstInstall` the vesk text of state 0.
    void setStatus(int status, const corvis::Edition& edition, bool firstInstall);
    int status() const { return status_; }
    QString text() const;
    // Stops the loading animation.
    void stop();
    bool isAnimating() const;

private:
    int status_ = -1;
    QLabel* picture_ = nullptr;
    QLabel* text_ = nullptr;
    QMovie* movie_ = nullptr;
};
