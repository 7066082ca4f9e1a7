#pragma once

#include <QList>
#include <QMetaType>
#include <QSet>
#include <QString>
#include <QWidget>

class CusTabBar;
class QLabel;
class QListView;
class QModelIndex;
class QStackedWidget;
class QStandardItemModel;
class QTimer;

// One sandbox of the user.
struct st_sandboxInfo {
    QString id;
    QString name;
};
Q_DECLARE_METATYPE(st_sandboxInfo)

// The sandbox page: the user's sandboxes, from the list the client service pushes, under the
// single tab "全部". A double-click (or Return) on one asks the daemon to open it.
//
// Three views take turns: the placeholder "暂无可用沙箱" while there is none, a loading animation
// while the listed sandboxes wait for the service to report one ready, and the list. A list that
// waits longer than readyTimer() allows is shown all the same, so the page never stays stuck.
//
// Children: "tabSandbox", "stackSandbox" with "pageSandboxBlank", "labelSandboxLoading" and
// "listSandbox".
class PageSandbox : public QWidget
{
    Q_OBJECT
public:
    // Item data role of an entry's st_sandboxInfo.
    static constexpr int kSandboxInfoRole = Qt::UserRole + 8;
    // The name shown for a sandbox the service sent without one.
    static const char* const kUnnamed;

    enum View {
        ViewBlank = 0,
        ViewLoading = 1,
        ViewList = 2,
    };

    explicit PageSandbox(QWidget* parent = nullptr);

    // "id,name;id,name;...": replaces the list. `ready` says whether the service already reported
    // the sandboxes ready (then the list shows at once); an empty text keeps the page as it is
    // and sets `ready`.
    void updateSandbox(const QString& list, bool& ready);
    // A sandbox the service reports ready: kept among the ready ids, and the list shows. True when
    // it is one of the listed sandboxes.
    bool handleSandboxReady(const QString& id);
    int count() const;
    QList<st_sandboxInfo> sandboxes() const;
    QSet<QString> readyIds() const { return readyIds_; }
    View currentView() const;
    QListView* listView() const { return view_; }
    QTimer* readyTimer() const { return readyTimer_; }
    // Logout: no sandboxes, no ready ids.
    void exitClear();

public slots:
    void onDoubleClicked(const QModelIndex& index);

signals:
    // A sandbox the page was told is ready (also what tests watch the routing by).
    void sandboxMarkedReady(const QString& id);
    // The daemon was asked to open this sandbox.
    void sandboxOpened(const QString& id);

private:
    void showView(View view);
    bool anyListedReady() const;

    CusTabBar* tabs_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QLabel* loading_ = nullptr;
    QStandardItemModel* model_ = nullptr;
    QListView* view_ = nullptr;
    QTimer* readyTimer_ = nullptr;
    QSet<QString> readyIds_;
};
