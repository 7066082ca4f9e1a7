#pragma once

#include <QList>
#include <QMetaType>
#include <QString>
#include <QWidget>

class QListView;
class QStandardItemModel;

// One sandbox of the user.
struct st_sandboxInfo {
    QString id;
    QString name;
};
Q_DECLARE_METATYPE(st_sandboxInfo)

// The sandbox page: the user's sandboxes, from the list the client service pushes.
//
// Children: "listSandbox".
class PageSandbox : public QWidget
{
    Q_OBJECT
public:
    // Item data role of an entry's st_sandboxInfo.
    static constexpr int kSandboxInfoRole = Qt::UserRole + 8;

    explicit PageSandbox(QWidget* parent = nullptr);

    // "id,name;id,name;...": replaces the list; an empty text keeps it and sets `ready`.
    void updateSandbox(const QString& list, bool& ready);
    // A sandbox the service reports ready; true when the page could use it.
    bool handleSandboxReady(const QString& id);
    int count() const;
    QList<st_sandboxInfo> sandboxes() const;
    void exitClear();

signals:
    // A sandbox the page was told is ready (also what tests watch the routing by).
    void sandboxMarkedReady(const QString& id);

private:
    QStandardItemModel* model_ = nullptr;
    QListView* view_ = nullptr;
};
