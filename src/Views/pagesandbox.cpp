#include "src/Views/pagesandbox.h"

#include "comm/uicomm.h"
#include "corviscommon/logging.h"
#include "corviscommon/productpaths.h"
#include "corviscommon/secretmask.h"
#include "src/CustomControl/cusitemdelegate.h"
#include "src/CustomControl/custabbar.h"
#include "src/CustomControl/cuspicture.h"

#include <QLabel>
#include <QListView>
#include <QMovie>
#include <QPixmap>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTimer>
#include <QVBoxLayout>

const char* const PageSandbox::kUnnamed = "未命名沙箱";

namespace {

// How long the loading animation waits for the service to report a sandbox ready.
constexpr int kReadyWaitMs = 60000;

QString escapedTip(const QString& text)
{
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

}  // namespace

PageSandbox::PageSandbox(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PageSandbox"));
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(QStringLiteral("#PageSandbox {background-color: white;}"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 8, 16, 8);
    layout->setSpacing(8);

    tabs_ = new CusTabBar(this);
    tabs_->setObjectName(QStringLiteral("tabSandbox"));
    tabs_->setAccessibleName(QStringLiteral("沙箱分类"));
    tabs_->addTab(QStringLiteral("全部"));
    layout->addWidget(tabs_, 0, Qt::AlignLeft);

    stack_ = new QStackedWidget(this);
    stack_->setObjectName(QStringLiteral("stackSandbox"));

    auto* blank = new QWidget(stack_);
    blank->setObjectName(QStringLiteral("pageSandboxBlank"));
    auto* blankColumn = new QVBoxLayout(blank);
    blankColumn->addStretch(1);
    auto* picture = new QLabel(blank);
    picture->setObjectName(QStringLiteral("labelSandboxBlankPicture"));
    picture->setPixmap(CusPicture::load(corvis::paths::resource(QStringLiteral("default/clientmain/portal_blank.png"))));
    picture->setAlignment(Qt::AlignCenter);
    blankColumn->addWidget(picture);
    auto* blankText = new QLabel(QStringLiteral("暂无可用沙箱"), blank);
    blankText->setObjectName(QStringLiteral("labelSandboxBlank"));
    blankText->setAlignment(Qt::AlignCenter);
    blankText->setStyleSheet(QStringLiteral("font-size: 14px; color: #8F959E;"));
    blankColumn->addWidget(blankText);
    blankColumn->addStretch(2);
    stack_->addWidget(blank);

    loading_ = new QLabel(stack_);
    loading_->setObjectName(QStringLiteral("labelSandboxLoading"));
    loading_->setAccessibleName(QStringLiteral("沙箱准备中"));
    loading_->setAlignment(Qt::AlignCenter);
    loading_->setMovie(new QMovie(corvis::paths::resource(QStringLiteral("default/clientmain/loading.gif")), QByteArray(),
                                  loading_));
    stack_->addWidget(loading_);

    model_ = new QStandardItemModel(this);
    view_ = new QListView(stack_);
    view_->setObjectName(QStringLiteral("listSandbox"));
    view_->setAccessibleName(QStringLiteral("沙箱列表"));
    view_->setModel(model_);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setMouseTracking(true);
    view_->setUniformItemSizes(true);
    view_->setStyleSheet(QStringLiteral("QListView {border: none; background-color: white}"));
    view_->setItemDelegate(new CusItemDelegate(CusItemDelegate::ItemSandbox, view_));
    stack_->addWidget(view_);
    layout->addWidget(stack_, 1);

    readyTimer_ = new QTimer(this);
    readyTimer_->setSingleShot(true);
    readyTimer_->setInterval(kReadyWaitMs);
    connect(readyTimer_, &QTimer::timeout, this, [this] {
        if (currentView() == ViewLoading) {
            LOG(WARNING) << "FUNC(PageSandbox) no sandbox reported ready within " << readyTimer_->interval() / 1000
                         << " s, showing the list";
            showView(ViewList);
        }
    });
    // Double-click and Return both activate an entry.
    connect(view_, &QListView::activated, this, &PageSandbox::onDoubleClicked);
    showView(ViewBlank);
}

void PageSandbox::updateSandbox(const QString& list, bool& ready)
{
    if (list.isEmpty()) {
        LOG(WARNING) << "sandbox list is empty, noting to do!";
        ready = true;
        return;
    }
    model_->clear();
    const QString icon = QStringLiteral(":/resources/Img/icon_sandbox.png");
    for (const QString& part : list.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList fields = part.split(QLatin1Char(','));
        // Without an id the daemon could not be told which sandbox to open.
        if (fields.size() != 2 || fields.at(0).trimmed().isEmpty()) {
            LOG(WARNING) << "error sandbox: " << corvis::logSafe(part);
            continue;
        }
        const st_sandboxInfo info{fields.at(0), fields.at(1)};
        const QString shown = info.name.trimmed().isEmpty() ? QString::fromUtf8(kUnnamed) : info.name;
        auto* item = new QStandardItem(shown);
        item->setEditable(false);
        item->setToolTip(escapedTip(shown));
        item->setData(icon, CusItemDelegate::IconPathRole);
        item->setData(QVariant::fromValue(info), kSandboxInfoRole);
        model_->appendRow(item);
    }
    LOG(INFO) << "FUNC(updateSandbox) sandboxes: " << model_->rowCount() << ", ready: " << ready;
    if (model_->rowCount() == 0) {
        showView(ViewBlank);
    } else if (ready || anyListedReady()) {
        showView(ViewList);
    } else {
        showView(ViewLoading);
    }
}

bool PageSandbox::handleSandboxReady(const QString& id)
{
    readyIds_.insert(id);
    bool listed = false;
    for (const st_sandboxInfo& info : sandboxes()) {
        if (info.id == id) {
            listed = true;
            break;
        }
    }
    LOG(INFO) << "FUNC(handleSandboxReady) id: " << corvis::logSafe(id) << ", listed: " << listed;
    if (model_->rowCount() > 0) {
        showView(ViewList);
    }
    emit sandboxMarkedReady(id);
    return listed;
}

bool PageSandbox::anyListedReady() const
{
    for (int row = 0; row < model_->rowCount(); ++row) {
        if (readyIds_.contains(model_->item(row)->data(kSandboxInfoRole).value<st_sandboxInfo>().id)) {
            return true;
        }
    }
    return false;
}

void PageSandbox::onDoubleClicked(const QModelIndex& index)
{
    if (!index.isValid() || index.model() != model_) {
        return;
    }
    const st_sandboxInfo info = index.data(kSandboxInfoRole).value<st_sandboxInfo>();
    LOG(INFO) << QStringLiteral("(FUNC)onDoubleClicked sandbox id: %1, name: %2")
                     .arg(corvis::logSafe(info.id), corvis::logSafe(info.name));
    UiComm::instance()->apiCorvisdaemonCommon(CReqDaemonSandbox, info.id);
    emit sandboxOpened(info.id);
}

int PageSandbox::count() const
{
    return model_->rowCount();
}

QList<st_sandboxInfo> PageSandbox::sandboxes() const
{
    QList<st_sandboxInfo> all;
    all.reserve(model_->rowCount());
    for (int row = 0; row < model_->rowCount(); ++row) {
        all.append(model_->item(row)->data(kSandboxInfoRole).value<st_sandboxInfo>());
    }
    return all;
}

PageSandbox::View PageSandbox::currentView() const
{
    return static_cast<View>(stack_->currentIndex());
}

void PageSandbox::showView(View view)
{
    stack_->setCurrentIndex(view);
    if (view == ViewLoading) {
        loading_->movie()->start();
        readyTimer_->start();
    } else {
        loading_->movie()->stop();
        readyTimer_->stop();
    }
}

void PageSandbox::exitClear()
{
    model_->clear();
    readyIds_.clear();
    showView(ViewBlank);
}
