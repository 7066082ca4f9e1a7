#pragma once

#include <QObject>
#include <QString>

// A selectable user entry: an id and a display name.
class UserInfo : public QObject
{
    Q_OBJECT
public:
    explicit UserInfo(QObject* parent = nullptr);
    UserInfo(const UserInfo& other);
    UserInfo& operator=(const UserInfo& other);

    void setId(const QString& id);
    QString id() const;
    void setName(const QString& name);
    QString name() const;

private:
    QString id_;
    QString name_;
};
