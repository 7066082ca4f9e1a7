#include "simkeys.h"

#include <QList>

namespace {

QList<SimKeys::Key>& registry()
{
    static QList<SimKeys::Key> keys;
    return keys;
}

}  // namespace

void SimKeys::add(const Key& key)
{
    registry().append(key);
}

const SimKeys::Key* SimKeys::find(const QString& name)
{
    for (const Key& key : registry()) {
        if (key.name == name) {
            return &key;
        }
    }
    return nullptr;
}

const QList<SimKeys::Key>& SimKeys::all()
{
    return registry();
}
