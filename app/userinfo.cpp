#include "app/userinfo.h"

UserInfo::UserInfo(QObject* parent) : QObject(parent) {}

UserInfo::UserInfo(const UserInfo& other) : QObject(nullptr), id_(other.id_), name_(other.name_) {}

UserInfo& UserInfo::operator=(const UserInfo& other)
{
    if (this != &other) {
        id_ = other.id_;
        name_ = other.name_;
    }
    return *this;
}

void UserInfo::setId(const QString& id) { id_ = id; }
QString UserInfo::id() const { return id_; }
void UserInfo::setName(const QString& name) { name_ = name; }
QString UserInfo::name() const { return name_; }
