#include "src/Views/pagesandbox.h"

#include "corviscommon/logging.h"
#include "corviscommon/secretmask.h"
#include "src/Views/notbuilt.h"

#include <QListView>
#include <QStandardItemModel>
#include <QVBoxLayout>

PageSandbox::PageSandbox(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PageSandbox"));
    model_ = new QStandardItemModel(this);
    view_ = new QListView(this);
    view_->setObjectName(QStringLiteral("listSandbox"));
    view_->setModel(model_);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setStyleSheet(QStringLiteral("QListView {border: none; background-color: white}"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
}

void PageSandbox::updateSandbox(const QString& list, bool& ready)
{
    if (list.isEmpty()) {
        LOG(WARNING) << "sandbox list is empty, noting to do!";
        ready = true;
        return;
    }
    model_->clear();
    for (const QString& part : list.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList fields = part.split(QLatin1Char(','));
        if (fields.size() != 2) {
            LOG(INFO) << "error sandbox: " << corvis::logSafe(part);
            continue;
        }
        auto* item = new QStandardItem(fields.at(1));
        item->setData(QVariant::fromValue(st_sandboxInfo{fields.at(0), fields.at(1)}), kSandboxInfoRole);
        model_->appendRow(item);
    }
}

bool PageSandbox::handleSandboxReady(const QString& id)
{
    logNotBuilt("PageSandbox::handleSandboxReady", QStringLiteral("id: %1").arg(id));
    emit sandboxMarkedReady(id);
    return false;
}

int PageSandbox::count() const
{
    return model_->rowCount();
}

QList<st_sandboxInfo> PageSandbox::sandboxes() const
{
    QList<st_sandboxInfo> all;
    for (int row = 0; row < model_->rowCount(); ++row) {
        all.append(model_->item(row)->data(kSandboxInfoRole).value<st_sandboxInfo>());
    }
    return all;
}

void PageSandbox::exitClear()
{
    model_->clear();
}
