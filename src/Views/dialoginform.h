#pragma once

#include "src/CustomControl/customdialog.h"
#include "src/PolicyAnalyzer/st_inform.h"

#include <QList>

class InformListModel;
class QLabel;
class QListView;
class QPushButton;

// The notification centre behind the top bar's message button: the messages the client service
// keeps in its message list document, newest first as listed, unread ones in bold. "全部已读"
// asks the service to mark every message read (106); the list and the unread count follow the
// service's answers and pushes, never guesses of their own.
//
// The document may be huge: it is read on a worker thread, the centre keeps the newest kMaxKept
// messages, and the view shows them from one list model, so the GUI thread never waits for it.
// The unread count covers the whole document.
//
// Children: "listInform" (a QListView on an InformListModel), "btnReadAll", "labelNoInform" (and
// those of CustomDialog).
class DialogInform : public CustomDialog
{
    Q_OBJECT
public:
    static constexpr int kMaxKept = 1000;

    explicit DialogInform(QWidget* parent = nullptr);
    ~DialogInform() override;

    // Asks the client service for the current list (105); its answer leads to updateInformList().
    void requestInformList();
    // Re-reads the list document in the background; informListUpdated() tells the outcome. A
    // document that cannot be read leaves the list as it was. Reads asked for while one runs
    // are joined into one more read after it.
    void updateInformList();
    // The service has marked every message read (106 answered, or pushed).
    void markAllRead();
    // The service could not mark them: "全部已读" may be tried again.
    void readAllFailed();
    // Logout: no messages.
    void clearInform();
    void showInform();

    int unreadCount() const { return unread_; }
    QList<st_inform> informs() const;
    InformListModel* model() const { return model_; }

signals:
    void unreadCountChanged(int count);
    // A read of the document has ended: ok false when it could not be read (the list is kept).
    void informListUpdated(bool ok);

private:
    struct ReadResult;
    void onReadAllClicked();
    void startRead();
    void applyRead(quint64 generation, const ReadResult& result);
    void refreshControls();

    QListView* list_ = nullptr;
    InformListModel* model_ = nullptr;
    QLabel* empty_ = nullptr;
    QPushButton* readAll_ = nullptr;
    int unread_ = 0;
    quint64 generation_ = 0;
    bool reading_ = false;
    bool readAgain_ = false;
};
