#include "src/Views/approverecordview.h"

#include "src/CustomControl/cusstyle.h"
#include "src/Views/approverecorddelegate.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

QComboBox* filterBox(const QString& name, const QString& accessible, const QStringList& texts, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setAccessibleName(accessible);
    box->addItems(texts);
    box->setFixedSize(120, 32);
    return box;
}

}  // namespace

ApproveRecordView::ApproveRecordView(QWidget* parent) : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 12, 16, 12);
    column->setSpacing(12);

    auto* filters = new QHBoxLayout;
    filters->setSpacing(12);
    status_ = filterBox(QStringLiteral("boxStatus"), QStringLiteral("审批状态"), ApproveFilter::statusTexts(), this);
    time_ = filterBox(QStringLiteral("boxTime"), QStringLiteral("申请时间范围"), ApproveFilter::timeTexts(), this);
    filters->addWidget(status_);
    filters->addWidget(time_);
    filters->addStretch(1);
    column->addLayout(filters);

    stack_ = new QStackedWidget(this);
    stack_->setObjectName(QStringLiteral("stackRecords"));
    list_ = new QListView(stack_);
    list_->setObjectName(QStringLiteral("listRecords"));
    list_->setAccessibleName(QStringLiteral("申请记录"));
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setMouseTracking(true);
    // Rows of one height: a long list is laid out without asking each row.
    list_->setUniformItemSizes(true);
    list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list_->setStyleSheet(QStringLiteral("QListView {border: none; background-color: white}"));
    list_->setItemDelegate(new ApproveRecordDelegate(list_));
    stack_->addWidget(list_);
    empty_ = new QLabel(stack_);
    empty_->setObjectName(QStringLiteral("labelRecordsEmpty"));
    empty_->setAlignment(Qt::AlignCenter);
    empty_->setStyleSheet(QStringLiteral("font-size: 14px; color: %1;").arg(QLatin1String(cusstyle::kTextMuted)));
    stack_->addWidget(empty_);
    column->addWidget(stack_, 1);

    connect(status_, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &ApproveRecordView::onStatusClick);
    connect(time_, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &ApproveRecordView::onTimeClick);
    // Double-click and Return both activate a row.
    connect(list_, &QListView::activated, this, [this](const QModelIndex& index) { onDoubleClicked(index); });
}

void ApproveRecordView::setModel(QAbstractItemModel* model)
{
    list_->setModel(model);
}

int ApproveRecordView::recordCount() const
{
    return list_->model() != nullptr ? list_->model()->rowCount() : 0;
}

void ApproveRecordView::initRecords()
{
    {
        const QSignalBlocker statusBlocker(status_);
        const QSignalBlocker timeBlocker(time_);
        status_->setCurrentIndex(0);
        time_->setCurrentIndex(0);
    }
    filter_.reset();
    handleComboboxClicked();
}

void ApproveRecordView::onStatusClick(int index)
{
    if (filter_.setStatusIndex(index)) {
        handleComboboxClicked();
    }
}

void ApproveRecordView::onTimeClick(int index)
{
    if (filter_.setTimeIndex(index)) {
        handleComboboxClicked();
    }
}

void ApproveRecordView::showLoading()
{
    loading_ = true;
    empty_->setText(QStringLiteral("正在加载…"));
    stack_->setCurrentWidget(empty_);
}

void ApproveRecordView::showRecords()
{
    loading_ = false;
    const int count = recordCount();
    empty_->setText(QStringLiteral("暂无申请记录"));
    stack_->setCurrentWidget(count > 0 ? static_cast<QWidget*>(list_) : empty_);
    emit recordsShown(count);
}
