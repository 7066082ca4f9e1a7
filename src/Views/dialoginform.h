#pragma once

#include "src/CustomControl/customdialog.h"
#include "src/PolicyAnalyzer/st_inform.h"

#include <QList>

class QLabel;
class QListWidget;
class QPushButton;

// The notification centre behind the top bar's message button: the messages the client service
// keeps in its message list document, newest first as listed, unread ones in bold. "全部已读"
// asks the service to mark every message read (106); the list and the unread count follow the
// service's answers and pushes, never guesses of their own.
//
// Children: "listInform", "btnReadAll", "labelNoInform" (and those of CustomDialog).
class DialogInform : public CustomDialog
{
    Q_OBJECT
public:
    explicit DialogInform(QWidget* parent = nullptr);

    // Asks the client service for the current list (105); its answer leads to updateInformList().
    void requestInformList();
    // Re-reads the list document; a document that cannot be read leaves the list as it was.
    bool updateInformList();
    // The service has marked every message read (106 answered, or pushed).
    void markAllRead();
    // The service could not mark them: "全部已读" may be tried again.
    void readAllFailed();
    // Logout: no messages.
    void clearInform();
    void showInform();

    int unreadCount() const;
    QList<st_inform> informs() const { return informs_; }

signals:
    void unreadCountChanged(int count);

private:
    void onReadAllClicked();
    void rebuild();

    QListWidget* list_ = nullptr;
    QLabel* empty_ = nullptr;
    QPushButton* readAll_ = nullptr;
    QList<st_inform> informs_;
};
