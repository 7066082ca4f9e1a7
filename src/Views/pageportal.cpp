// PagePortal: construction and layout, the tab bar, the search and the display mode.

#include "src/Views/pageportal.h"

#include "app/common.h"
#include "corviscommon/logging.h"
#include "corviscommon/productpaths.h"
#include "corviscommon/secretmask.h"
#include "src/CustomControl/custabbar.h"
#include "src/CustomControl/cusstyle.h"
#include "src/Views/portalfilterproxy.h"
#include "src/Views/portaliconloader.h"
#include "src/Views/portalitemdelegate.h"
#include "src/Views/portalitemmodel.h"
#include "src/Views/portalrules.h"
#include "src/CustomControl/cuspicture.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMovie>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kRequestHint = QStringLiteral("请在下列资源中勾选所需申请的资源项：");

QString themeColour()
{
    return Common::edition().is(corvis::Edition::Id::Kav) ? QStringLiteral("#D70A2A") : QStringLiteral("#1AA9FF");
}

QString lightColour()
{
    return Common::edition().is(corvis::Edition::Id::Kav) ? QStringLiteral("#FDF1F3") : QStringLiteral("#ECF5FE");
}

QToolButton* modeButton(const QString& name, const QString& text, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setAccessibleName(text);
    button->setToolTip(text);
    button->setCheckable(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setFixedHeight(28);
    return button;
}

QPushButton* smallButton(const QString& name, const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAccessibleName(text);
    button->setFixedSize(64, 22);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

}  // namespace

PagePortal* PagePortal::instance()
{
    static PagePortal* page = new PagePortal();
    return page;
}

PagePortal::PagePortal() : QWidget(nullptr)
{
    setObjectName(QStringLiteral("PagePortal"));
    model_ = new PortalItemModel(this);
    proxy_ = new PortalFilterProxy(this);
    proxy_->setSourceModel(model_);
    delegate_ = new PortalItemDelegate(this);
    icons_ = new PortalIconLoader(this);
    connect(icons_, &PortalIconLoader::loaded, this, &PagePortal::onIconLoaded);
    connect(icons_, &PortalIconLoader::failed, this, &PagePortal::onIconFailed);
    buildLayout();
    applyTheme();
    // The mode read at start is the user's own: applied, not written back.
    const int mode = Common::portalDisplayMode() ? 1 : 0;
    delegate_->setPortalDisplayMode(mode);
    (mode == 0 ? listMode_ : cardMode_)->setChecked(true);
    showNormalTabs();
    showStack(StackBlank);
    updateHintRow();
}

void PagePortal::buildLayout()
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 12, 20, 0);
    column->setSpacing(8);
    column->addWidget(buildHead());

    hintRow_ = new QWidget(this);
    hintRow_->setObjectName(QStringLiteral("portalHintRow"));
    auto* hintLayout = new QHBoxLayout(hintRow_);
    hintLayout->setContentsMargins(0, 0, 0, 0);
    hintLayout->setSpacing(10);
    hint_ = new QLabel(hintRow_);
    hint_->setObjectName(QStringLiteral("labelPortalHint"));
    hint_->setTextFormat(Qt::PlainText);
    hint_->setStyleSheet(QStringLiteral("font-size: 14px; color: %1;").arg(QLatin1String(cusstyle::kText)));
    hintLayout->addWidget(hint_, 1);
    apply_ = smallButton(QStringLiteral("btnPortalApply"), QStringLiteral("申请"), hintRow_);
    back_ = smallButton(QStringLiteral("btnPortalBack"), QStringLiteral("返回"), hintRow_);
    hintLayout->addWidget(apply_);
    hintLayout->addWidget(back_);
    connect(apply_, &QPushButton::clicked, this, &PagePortal::onApplyBtn);
    connect(back_, &QPushButton::clicked, this, &PagePortal::onBackBtn);
    column->addWidget(hintRow_);

    stack_ = new QStackedWidget(this);
    stack_->setObjectName(QStringLiteral("portalStack"));
    stack_->addWidget(buildBlankPage());
    stack_->addWidget(buildLoadingPage());

    view_ = new QListView(stack_);
    view_->setObjectName(QStringLiteral("portalList"));
    view_->setAccessibleName(QStringLiteral("应用列表"));
    view_->setViewMode(QListView::IconMode);
    view_->setMovement(QListView::Static);
    view_->setResizeMode(QListView::Adjust);
    view_->setWrapping(true);
    view_->setSpacing(kItemSpacing);
    view_->setContentsMargins(20, 10, 0, 30);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setDragEnabled(false);
    view_->setDragDropMode(QAbstractItemView::NoDragDrop);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setUniformItemSizes(true);
    view_->setLayoutMode(QListView::Batched);
    view_->setBatchSize(500);
    view_->setMouseTracking(true);
    view_->setFrameShape(QFrame::NoFrame);
    view_->setStyleSheet(QStringLiteral("QListView {border: none; background-color: white}"));
    view_->setModel(proxy_);
    view_->setItemDelegate(delegate_);
    view_->installEventFilter(this);
    view_->viewport()->installEventFilter(this);
    connect(view_, &QListView::doubleClicked, this, &PagePortal::onDoubleClicked);
    connect(delegate_, &CusItemDelegate::collectClicked, this, &PagePortal::onCollectClicked);
    connect(delegate_, &CusItemDelegate::applyCheckboxClicked, this, &PagePortal::onApplyCheckboxClicked);
    stack_->addWidget(view_);
    column->addWidget(stack_, 1);
}

QWidget* PagePortal::buildHead()
{
    auto* head = new QWidget(this);
    head->setObjectName(QStringLiteral("portalHead"));
    auto* rows = new QVBoxLayout(head);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(8);
    // The tabs get a row of their own: with the search box beside them, a few categories
    // already leave no room for their names.
    auto* row = new QHBoxLayout();
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    rows->addLayout(row);

    netmodeLabel_ = new QLabel(head);
    netmodeLabel_->setObjectName(QStringLiteral("labelNetmode"));
    netmodeLabel_->setTextFormat(Qt::PlainText);
    netmodeLabel_->setFixedSize(240, 32);
    netmodeLabel_->hide();
    row->addWidget(netmodeLabel_);
    row->addStretch(1);

    tabBar_ = new CusTabBar(head);
    tabBar_->setObjectName(QStringLiteral("portalTabBar"));
    tabBar_->setAccessibleName(QStringLiteral("应用分类"));
    tabBar_->setFixedHeight(32);
    tabBar_->setFontPixelSize(16);
    tabBar_->setFocusPolicy(Qt::StrongFocus);
    for (const QString& name : {QStringLiteral("搜索结果"), QStringLiteral("资源申请"), QStringLiteral("全部应用"),
                                QStringLiteral("我的收藏")}) {
        tabBar_->setTabToolTip(tabBar_->addTab(name), name);
    }
    tabBar_->setTabText(TabAll, PortalRules::tabText(QStringLiteral("全部应用"), 0));
    tabBar_->setTabText(TabCollect, PortalRules::tabText(QStringLiteral("我的收藏"), 0));
    connect(tabBar_, &QTabBar::currentChanged, this, &PagePortal::onBarCurrentChanged);
    rows->addWidget(tabBar_);

    search_ = new QLineEdit(head);
    search_->setObjectName(QStringLiteral("editPortalSearch"));
    search_->setAccessibleName(QStringLiteral("搜索应用"));
    search_->setPlaceholderText(QStringLiteral("搜索应用"));
    search_->setClearButtonEnabled(true);
    // The edit's own clear button: named, so that a screen reader can say and press it.
    for (QToolButton* clear : search_->findChildren<QToolButton*>()) {
        clear->setObjectName(QStringLiteral("btnPortalSearchClear"));
        clear->setAccessibleName(QStringLiteral("清空搜索"));
    }
    search_->setFixedSize(200, 30);
    search_->setMaxLength(128);
    connect(search_, &QLineEdit::textChanged, this, &PagePortal::onSearchKey);
    row->addWidget(search_);

    cardMode_ = modeButton(QStringLiteral("btnPortalCardMode"), QStringLiteral("卡片模式"), head);
    listMode_ = modeButton(QStringLiteral("btnPortalListMode"), QStringLiteral("列表模式"), head);
    auto* modes = new QButtonGroup(head);
    modes->setExclusive(true);
    modes->addButton(cardMode_);
    modes->addButton(listMode_);
    // A screen reader toggles a checkable button: react to the state.
    connect(cardMode_, &QToolButton::toggled, this, [this](bool on) {
        if (on) {
            updatePortalDisplayMode(1);
        }
    });
    connect(listMode_, &QToolButton::toggled, this, [this](bool on) {
        if (on) {
            updatePortalDisplayMode(0);
        }
    });
    row->addWidget(cardMode_);
    row->addWidget(listMode_);
    return head;
}

QWidget* PagePortal::buildBlankPage()
{
    auto* page = new QWidget(stack_);
    page->setObjectName(QStringLiteral("pagePortalBlank"));
    auto* column = new QVBoxLayout(page);
    column->addStretch(1);
    auto* picture = new QLabel(page);
    picture->setObjectName(QStringLiteral("labelPortalBlankPicture"));
    picture->setPixmap(CusPicture::load(corvis::paths::resource(QStringLiteral("default/clientmain/portal_blank.png"))));
    picture->setAlignment(Qt::AlignCenter);
    column->addWidget(picture);
    blankLabel_ = new QLabel(QStringLiteral("暂无应用可使用"), page);
    blankLabel_->setObjectName(QStringLiteral("labelPortalBlank"));
    blankLabel_->setTextFormat(Qt::PlainText);
    blankLabel_->setAlignment(Qt::AlignCenter);
    blankLabel_->setStyleSheet(QStringLiteral("font-size: 14px; font-weight: 500; color: #8F959E;"));
    column->addWidget(blankLabel_);
    column->addStretch(2);
    return page;
}

QWidget* PagePortal::buildLoadingPage()
{
    auto* page = new QWidget(stack_);
    page->setObjectName(QStringLiteral("pagePortalLoading"));
    auto* column = new QVBoxLayout(page);
    auto* label = new QLabel(page);
    label->setObjectName(QStringLiteral("labelPortalLoading"));
    label->setAccessibleName(QStringLiteral("加载中"));
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("margin-bottom: 70px;"));
    loading_ = new QMovie(corvis::paths::resource(QStringLiteral("default/clientmain/loading.gif")), QByteArray(), page);
    label->setMovie(loading_);
    column->addWidget(label);
    return page;
}

void PagePortal::applyTheme()
{
    const QString theme = themeColour();
    const QString light = lightColour();
    tabBar_->setThemeColor(theme);
    delegate_->setThemeColours(QColor(theme), QColor(light));
    search_->setStyleSheet(QStringLiteral("QLineEdit { background: %1; border: 1px solid %1; border-radius: 15px;"
                                          " padding: 0 12px; font-size: 14px; color: %2; }"
                                          "QLineEdit:focus { border-color: %3; }")
                               .arg(light, QLatin1String(cusstyle::kText), theme));
    const QString modeStyle = QStringLiteral("QToolButton { border: 1px solid %1; background: white; color: %2; padding: 0 10px;"
                                             " font-size: 13px; }"
                                             "QToolButton:checked { border-color: %3; background: %4; color: %3; }")
                                  .arg(QLatin1String(cusstyle::kBorder), QLatin1String(cusstyle::kText), theme, light);
    cardMode_->setStyleSheet(modeStyle);
    listMode_->setStyleSheet(modeStyle);
    const QString buttonStyle = QStringLiteral("QPushButton { border: 1px solid %1; border-radius: 4px; background: %2; color: %3;"
                                               " font-size: 12px; }");
    apply_->setStyleSheet(buttonStyle.arg(theme, theme, QStringLiteral("white")));
    back_->setStyleSheet(buttonStyle.arg(QLatin1String(cusstyle::kBorder), QStringLiteral("white"), QLatin1String(cusstyle::kText)));
    netmodeLabel_->setStyleSheet(QStringLiteral("QLabel#labelNetmode { border-image: url(%1); padding-left: 28px; font-size: 13px;"
                                                " color: %2; }")
                                     .arg(corvis::paths::resource(QStringLiteral("default/clientmain/bg_netmode.png")), theme));
}

// ---------------------------------------------------------------------------------------------
// Tabs

QString PagePortal::tabKey(int index) const
{
    if (index < 0) {
        return QString();
    }
    if (index < TabFirstCategory) {
        return QString::number(index);
    }
    return QStringLiteral("c:") + tabBar_->tabData(index).toString();
}

int PagePortal::tabOfKey(const QString& key) const
{
    if (key.startsWith(QLatin1String("c:"))) {
        for (int i = TabFirstCategory; i < tabBar_->count(); ++i) {
            if (tabKey(i) == key) {
                return i;
            }
        }
        return -1;
    }
    bool ok = false;
    const int index = key.toInt(&ok);
    return ok && index >= 0 && index < TabFirstCategory ? index : -1;
}

int PagePortal::currentTab() const
{
    return tabBar_->currentIndex();
}

void PagePortal::setCurrentTabSilently(int index)
{
    const bool blocked = tabBar_->blockSignals(true);
    tabBar_->setTabVisible(index, true);
    tabBar_->setCurrentIndex(index);
    tabBar_->blockSignals(blocked);
}

void PagePortal::showNormalTabs()
{
    requestMode_ = false;
    const bool blocked = tabBar_->blockSignals(true);
    tabBar_->setTabVisible(TabAll, true);
    tabBar_->setCurrentIndex(TabAll);
    for (int i = TabCollect; i < tabBar_->count(); ++i) {
        tabBar_->setTabVisible(i, true);
    }
    tabBar_->setTabVisible(TabApplyFor, false);
    tabBar_->setTabVisible(TabSearch, false);
    tabBar_->blockSignals(blocked);
    updateHintRow();
}

void PagePortal::showRequestTabs()
{
    requestMode_ = true;
    const bool blocked = tabBar_->blockSignals(true);
    tabBar_->setTabVisible(TabApplyFor, true);
    tabBar_->setCurrentIndex(TabApplyFor);
    for (int i = TabAll; i < tabBar_->count(); ++i) {
        tabBar_->setTabVisible(i, false);
    }
    tabBar_->setTabVisible(TabSearch, false);
    tabBar_->blockSignals(blocked);
    updateHintRow();
}

void PagePortal::setSearchTabShown(bool shown)
{
    const bool blocked = tabBar_->blockSignals(true);
    tabBar_->setTabVisible(TabSearch, shown);
    tabBar_->blockSignals(blocked);
}

void PagePortal::onBarCurrentChanged(int index)
{
    if (index < 0 || building_) {
        return;
    }
    switch (index) {
    case TabSearch:
        proxy_->setFilter(PortalFilterProxy::Search, searchText_);
        break;
    case TabApplyFor:
    case TabAll:
        proxy_->setFilter(PortalFilterProxy::All);
        break;
    case TabCollect:
        proxy_->setFilter(PortalFilterProxy::Favourites);
        break;
    default:
        proxy_->setFilter(PortalFilterProxy::Category, tabBar_->tabData(index).toString());
        break;
    }
    if (index == TabSearch) {
        hint_->setText(PortalRules::searchHint(searchText_, proxy_->rowCount()));
    } else if (requestMode_) {
        hint_->setText(kRequestHint);
    }
    updateHintRow();
    showListOrBlank();
}

void PagePortal::updateHintRow()
{
    const bool search = tabBar_->currentIndex() == TabSearch;
    hintRow_->setVisible(requestMode_ || search);
    apply_->setVisible(requestMode_);
    back_->setVisible(requestMode_);
}

void PagePortal::showStack(int page)
{
    stack_->setCurrentIndex(page);
    if (page == StackLoading) {
        loading_->start();
    } else {
        loading_->stop();
    }
}

int PagePortal::currentStackPage() const
{
    return stack_->currentIndex();
}

void PagePortal::showListOrBlank()
{
    showStack(proxy_->rowCount() > 0 ? StackList : StackBlank);
}

QList<st_resource> PagePortal::shownEntries() const
{
    QList<st_resource> entries;
    for (int row = 0; row < proxy_->rowCount(); ++row) {
        entries.append(proxy_->index(row, 0).data(PortalItemModel::ResourceRole).value<st_resource>());
    }
    return entries;
}

// ---------------------------------------------------------------------------------------------
// Search

void PagePortal::onSearchKey(const QString& input)
{
    const QString key = input.trimmed();
    if (key == searchText_) {
        return;
    }
    searchText_ = key;
    const int current = tabBar_->currentIndex();
    if (!key.isEmpty()) {
        if (current != TabSearch) {
            prevSearchTabKey_ = tabKey(current);
            setCurrentTabSilently(TabSearch);
        }
        onBarCurrentChanged(TabSearch);
        return;
    }
    // Back to where the search started.
    int back = tabOfKey(prevSearchTabKey_);
    if (back < 0 || back == TabSearch) {
        back = requestMode_ ? int(TabApplyFor) : int(TabAll);
    }
    prevSearchTabKey_.clear();
    setCurrentTabSilently(back);
    setSearchTabShown(false);
    if (back == TabApplyFor) {
        // Ticks made among the search results are given up with it.
        clearTicks();
        selection_ = QJsonArray();
    }
    onBarCurrentChanged(back);
}

void PagePortal::clearSearchBox()
{
    searchText_.clear();
    prevSearchTabKey_.clear();
    const bool blocked = search_->blockSignals(true);
    search_->clear();
    search_->blockSignals(blocked);
    setSearchTabShown(false);
}

// ---------------------------------------------------------------------------------------------
// Display mode and keys

void PagePortal::updatePortalDisplayMode(int mode)
{
    LOG(INFO) << "updatePortalDisplayMode mode: " << mode;
    if (delegate_->updatePortalDisplayMode(mode)) {
        // Every item changes its size: lay the view out again.
        reflowItems();
    }
    QToolButton* button = mode == 0 ? listMode_ : cardMode_;
    if (!button->isChecked()) {
        const bool blocked = button->blockSignals(true);
        button->setChecked(true);
        button->blockSignals(blocked);
    }
}

int PagePortal::displayMode() const
{
    return delegate_->displayMode();
}

int PagePortal::columnsFor(int layoutWidth)
{
    // Items sit at spacing + n * (width + spacing), the last one ending before the last pixel.
    return qMax(1, (layoutWidth - 1 - kItemSpacing) / (CusItemDelegate::kPortalMinWidth + kItemSpacing));
}

int PagePortal::itemWidthFor(int layoutWidth)
{
    const int columns = columnsFor(layoutWidth);
    return qMax(int(CusItemDelegate::kPortalMinWidth), (layoutWidth - 1 - kItemSpacing) / columns - kItemSpacing);
}

int PagePortal::listLayoutWidth() const
{
    int width = view_->maximumViewportSize().width();
    if (view_->verticalScrollBarPolicy() == Qt::ScrollBarAsNeeded) {
        width -= view_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view_->verticalScrollBar());
    }
    return width;
}

void PagePortal::reflowItems()
{
    delegate_->setPortalItemWidth(itemWidthFor(listLayoutWidth()));
    // Every item changes its size: lay the view out again.
    emit delegate_->sizeHintChanged(QModelIndex());
    view_->setUniformItemSizes(false);
    view_->setUniformItemSizes(true);
    view_->doItemsLayout();
}

bool PagePortal::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view_->viewport() && event->type() == QEvent::Resize) {
        if (itemWidthFor(listLayoutWidth()) != delegate_->portalItemWidth()) {
            reflowItems();
        }
        return QWidget::eventFilter(watched, event);
    }
    if (watched == view_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QModelIndex current = view_->currentIndex();
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && current.isValid()) {
            // Enter opens the selected entry as a double-click does.
            onDoubleClicked(current);
            return true;
        }
        if (key->key() == Qt::Key_Space && current.isValid()) {
            toggleCurrentMark();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
