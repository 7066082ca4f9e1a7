#include "src/Views/pagedynamicauth.h"

#include "app/common.h"
#include "corviscommon/logging.h"
#include "corviscommon/productpaths.h"
#include "corviscommon/secretmask.h"
#include "src/PolicyAnalyzer/policyanalyzer.h"
#include "src/CustomControl/cuspicture.h"

#include <QCursor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>
#include <QStandardItemModel>
#include <QTableView>
#include <QToolTip>
#include <QVBoxLayout>

namespace {

const int kColumnWidths[] = {130, 200, 120, 100};

QLabel* plainLabel(const QString& name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

PageDynamicAuth::PageDynamicAuth(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PageDynamicAuth"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("PageDynamicAuth { background: white; }"));
    const corvis::Edition edition = Common::edition();
    const bool vesk = edition.isVesk();
    const QString theme = edition.is(corvis::Edition::Id::Kav) ? QStringLiteral("#D70A2A") : QStringLiteral("#1AA9FF");

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 16, 24, 16);
    layout->setSpacing(12);

    auto* head = new QHBoxLayout;
    head->setSpacing(16);
    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("labelDynamicPicture"));
    const QString dir = vesk ? QStringLiteral("vesk/") : QStringLiteral("default/");
    picture_->setPixmap(CusPicture::load(corvis::paths::resource(dir + QStringLiteral("clientmain/dynamic_score.png")),
                                         QSize(120, 120)));
    head->addWidget(picture_);

    auto* figures = new QVBoxLayout;
    figures->setSpacing(8);
    auto* scoreRow = new QHBoxLayout;
    auto* scoreCaption = plainLabel(QStringLiteral("labelScoreCaption"), this);
    scoreCaption->setText(QStringLiteral("安全评分："));
    setFontColor(scoreCaption, 14, QStringLiteral("#2F2F2F"));
    score_ = plainLabel(QStringLiteral("labelScore"), this);
    score_->setStyleSheet(QStringLiteral("font-size: %1px; color: %2; font-weight: bold;").arg(vesk ? 40 : 70).arg(theme));
    auto* points = plainLabel(QStringLiteral("labelScoreUnit"), this);
    points->setText(QStringLiteral("分"));
    setFontColor(points, 14, QStringLiteral("#2F2F2F"));
    scoreRow->addWidget(scoreCaption, 0, Qt::AlignBottom);
    scoreRow->addWidget(score_, 0, Qt::AlignBottom);
    scoreRow->addWidget(points, 0, Qt::AlignBottom);
    scoreRow->addStretch(1);
    figures->addLayout(scoreRow);

    const auto captionRow = [this, figures](const QString& caption, const QString& name) {
        auto* row = new QHBoxLayout;
        auto* label = plainLabel(QString(), this);
        label->setText(caption);
        setFontColor(label, 14, QStringLiteral("#2F2F2F"));
        QLabel* value = plainLabel(name, this);
        setFontColor(value, 14, QStringLiteral("#6D6D6D"));
        row->addWidget(label);
        row->addWidget(value, 1);
        figures->addLayout(row);
        return value;
    };
    trustLevel_ = captionRow(QStringLiteral("信任等级："), QStringLiteral("labelTrustLevel"));
    checkTime_ = captionRow(QStringLiteral("评估时间："), QStringLiteral("labelCheckTime"));
    head->addLayout(figures, 1);
    layout->addLayout(head);

    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("tableDynamicAuth"));
    table_->setAccessibleName(QStringLiteral("风险评估项"));
    model_ = new QStandardItemModel(0, 5, table_);
    model_->setHorizontalHeaderLabels({QStringLiteral("风险分类"), QStringLiteral("评估项名称"), QStringLiteral("评估结果"),
                                       QStringLiteral("风险值"), QStringLiteral("描述")});
    table_->setModel(model_);
    table_->setShowGrid(false);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setFocusPolicy(Qt::NoFocus);
    table_->setWordWrap(false);
    table_->setMouseTracking(true);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(40);
    table_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    table_->horizontalHeader()->setMinimumHeight(50);
    table_->horizontalHeader()->setStretchLastSection(true);
    for (int column = 0; column < 4; ++column) {
        table_->setColumnWidth(column, kColumnWidths[column]);
    }
    table_->setStyleSheet(
        QStringLiteral("QTableView{border:none;font-size:14px;background-color:white;selection-background-color: white;}"
                       "QTableView::Item{border:none;color:%1;border-bottom:1px solid #DCDFE6;}"
                       "QHeaderView::section{border:none;min-height: 50px;background-color:white;color:black;"
                       "font-size:14px;border-bottom:1px solid #DCDFE6;}")
            .arg(QStringLiteral("#6D6D6D")));
    // The header takes the section style itself too: through the view alone the platform's
    // gradient showed.
    table_->horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView{background-color:white;border:none;}"
                       "QHeaderView::section{border:none;min-height: 50px;background-color:white;color:black;"
                       "font-size:14px;border-bottom:1px solid #DCDFE6;}"));
    connect(table_, &QTableView::entered, this, &PageDynamicAuth::onShowTip);
    layout->addWidget(table_, 1);
}

void PageDynamicAuth::setFontColor(QWidget* widget, int pixelSize, const QString& colour)
{
    widget->setStyleSheet(QStringLiteral("font-size: %1px; color: %2").arg(pixelSize).arg(colour));
}

QString PageDynamicAuth::resultText(int bResult)
{
    return bResult == 1 ? QStringLiteral("检查通过") : QStringLiteral("检查不通过");
}

QString PageDynamicAuth::resultStyle(int bResult)
{
    if (bResult == 1) {
        return QStringLiteral("border-radius: 5px;border: 2 solid #D0F2B6;background: #F6FFED;color: #3CB371;"
                              "text-align: center;font-size: 13px;min-height: 25px;min-width: 70px");
    }
    return QStringLiteral("border-radius: 5px;border: 1 solid #FFD7BF;background: #FFF2F0;color:  #FF5F4F;"
                          "text-align: center;font-size: 13px;min-height: 25px;min-width: 80px");
}

void PageDynamicAuth::updateData()
{
    LOG(INFO) << "PageDynamicAuth::updateData";
    st_dynamicAuthResult result;
    PolicyAnalyzer::instance()->readDynamicResult(result);
    score_->setText(result.score);
    trustLevel_->setText(result.trustLevel);
    checkTime_->setText(result.checkTime);
    updateTable(result.items);
}

void PageDynamicAuth::updateTable(const QList<st_dynamicAuthItem>& items)
{
    LOG(INFO) << "PageDynamicAuth::updateTable enter";
    // Rows of an earlier, longer result would show risks that are no longer assessed.
    model_->setRowCount(items.size());
    for (int i = 0; i < items.size(); ++i) {
        const st_dynamicAuthItem& item = items[i];
        LOG(INFO) << "i:" << i << ", itemName:" << corvis::logSafe(item.itemName) << ", bResult:" << item.bResult;
        const QString texts[] = {item.riskType, item.itemName, QString(), item.riskScore, item.description};
        for (int column = 0; column < 5; ++column) {
            QStandardItem* cell = model_->item(i, column);
            if (cell == nullptr) {
                cell = new QStandardItem;
                cell->setEditable(false);
                model_->setItem(i, column, cell);
            }
            cell->setText(texts[column]);
        }
        // The verdict's text also sits in the cell for screen readers and tooltips.
        model_->item(i, kColumnResult)->setText(resultText(item.bResult));

        QWidget* existing = table_->indexWidget(model_->index(i, kColumnResult));
        QLabel* label = existing != nullptr ? existing->findChild<QLabel*>() : nullptr;
        if (label == nullptr) {
            auto* holder = new QWidget;
            holder->setObjectName(QStringLiteral("resultCell_%1").arg(i));
            auto* centre = new QHBoxLayout(holder);
            centre->setContentsMargins(0, 0, 0, 0);
            label = plainLabel(QStringLiteral("labelResult_%1").arg(i), holder);
            label->setAlignment(Qt::AlignCenter);
            centre->addWidget(label, 0, Qt::AlignLeft | Qt::AlignVCenter);
            centre->addStretch(1);
            table_->setIndexWidget(model_->index(i, kColumnResult), holder);
        }
        label->setText(resultText(item.bResult));
        label->setStyleSheet(resultStyle(item.bResult));
    }
    for (int column = 0; column < 4; ++column) {
        table_->setColumnWidth(column, kColumnWidths[column]);
    }
    LOG(INFO) << "PageDynamicAuth::updateTable done";
}

void PageDynamicAuth::onShowTip(const QModelIndex& index)
{
    if (!index.isValid()) {
        return;
    }
    const QString text = index.data().toString();
    if (text.isEmpty()) {
        QToolTip::hideText();
        return;
    }
    QToolTip::showText(QCursor::pos(), QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>"),
                       table_);
}
