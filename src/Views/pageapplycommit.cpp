#include "src/Views/pageapplycommit.h"

#include "comm/uicomm.h"
#include "corviscommon/logging.h"
#include "corviscommon/secretmask.h"
#include "src/CustomControl/cuscalendarpopup.h"
#include "src/CustomControl/cusstyle.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QLabel* fieldLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setStyleSheet(QStringLiteral("font-size: 14px; color: %1;").arg(QLatin1String(cusstyle::kText)));
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    return label;
}

QPushButton* button(const QString& name, const QString& text, bool primary, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAccessibleName(text);
    b->setFixedSize(80, 32);
    b->setCursor(Qt::PointingHandCursor);
    b->setStyleSheet(primary ? QStringLiteral("QPushButton { background: %1; color: white; border: none; border-radius: 4px; }"
                                              "QPushButton:hover { background: %2; }")
                                   .arg(QLatin1String(cusstyle::kTheme), QLatin1String(cusstyle::kThemeHover))
                             : QStringLiteral("QPushButton { background: white; color: %1; border: 1px solid %2; border-radius: 4px; }")
                                   .arg(QLatin1String(cusstyle::kText), QLatin1String(cusstyle::kBorder)));
    return b;
}

}  // namespace

QString pageapplycommit::defaultNotice()
{
    return QStringLiteral("您当前所选的应用无访问权限，如需访问须提交访问申请，若申请长时间未处理，请联系管理员：管理员甲（01234567890）");
}

pageapplycommit::pageapplycommit(QWidget* parent) : CustomDialog(parent)
{
    setObjectName(QStringLiteral("pageapplycommit"));
    setWindowTitle(QStringLiteral("资源申请"));
    titleLabel()->setText(QStringLiteral("资源申请"));
    setMinimizeVisible(false);
    setFixedWidth(520);

    auto* column = new QVBoxLayout(body());
    column->setContentsMargins(24, 16, 24, 20);
    column->setSpacing(14);

    notice_ = new QLabel(body());
    notice_->setObjectName(QStringLiteral("labelApplyNotice"));
    notice_->setTextFormat(Qt::PlainText);
    notice_->setWordWrap(true);
    notice_->setStyleSheet(QStringLiteral("font-size: 13px; color: #FF8A00; background: #FFF7EB; padding: 8px 10px;"
                                          " border-radius: 4px;"));
    column->addWidget(notice_);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(14);
    grid->setColumnStretch(1, 1);
    grid->addWidget(fieldLabel(QStringLiteral("申请访问："), body()), 0, 0);
    apps_ = new QLabel(body());
    apps_->setObjectName(QStringLiteral("labelApplyApps"));
    apps_->setTextFormat(Qt::PlainText);
    apps_->setWordWrap(true);
    apps_->setStyleSheet(QStringLiteral("font-size: 14px; color: %1;").arg(QLatin1String(cusstyle::kText)));
    grid->addWidget(apps_, 0, 1);

    grid->addWidget(fieldLabel(QStringLiteral("有效期："), body()), 1, 0);
    auto* validity = new QHBoxLayout;
    validity->setSpacing(16);
    never_ = new QRadioButton(QStringLiteral("永不过期"), body());
    never_->setObjectName(QStringLiteral("radioNever"));
    never_->setAccessibleName(QStringLiteral("永不过期"));
    custom_ = new QRadioButton(QStringLiteral("自定义"), body());
    custom_->setObjectName(QStringLiteral("radioCustom"));
    custom_->setAccessibleName(QStringLiteral("自定义"));
    auto* group = new QButtonGroup(this);
    group->addButton(never_);
    group->addButton(custom_);
    date_ = new QLineEdit(body());
    date_->setObjectName(QStringLiteral("editValidDate"));
    date_->setAccessibleName(QStringLiteral("截止日期"));
    date_->setPlaceholderText(QStringLiteral("请选择截止日期"));
    date_->setReadOnly(true);
    date_->setFixedWidth(150);
    date_->setCursor(Qt::PointingHandCursor);
    date_->installEventFilter(this);
    validity->addWidget(never_);
    validity->addWidget(custom_);
    validity->addWidget(date_);
    validity->addStretch(1);
    grid->addLayout(validity, 1, 1);

    grid->addWidget(fieldLabel(QStringLiteral("申请理由："), body()), 2, 0);
    reason_ = new QPlainTextEdit(body());
    reason_->setObjectName(QStringLiteral("editApplyReason"));
    reason_->setAccessibleName(QStringLiteral("申请理由"));
    reason_->setPlaceholderText(QStringLiteral("请填写申请理由…"));
    reason_->setTabChangesFocus(true);
    reason_->setFixedHeight(96);
    grid->addWidget(reason_, 2, 1);
    column->addLayout(grid);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cancel_ = button(QStringLiteral("btnApplyCancel"), QStringLiteral("取消"), false, body());
    commit_ = button(QStringLiteral("btnApplyCommit"), QStringLiteral("申请"), true, body());
    commit_->setDefault(true);
    buttons->addWidget(cancel_);
    buttons->addSpacing(12);
    buttons->addWidget(commit_);
    column->addLayout(buttons);

    calendar_ = new CusCalendarPopup(this);
    calendar_->setObjectName(QStringLiteral("validDateCalendar"));

    // A screen reader toggles a radio button: react to the state, not to the click.
    connect(never_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            onNeverBtn();
        }
    });
    connect(custom_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            onCustomBtn();
        }
    });
    connect(calendar_, &CusCalendarPopup::dateSelected, this, &pageapplycommit::setDate);
    connect(cancel_, &QPushButton::clicked, this, &pageapplycommit::onCancelCommitBtn);
    connect(commit_, &QPushButton::clicked, this, &pageapplycommit::onApplyCommitBtn);
    reset();
}

void pageapplycommit::setNotice(const QString& notice)
{
    notice_->setText(notice.trimmed().isEmpty() ? defaultNotice() : notice);
}

void pageapplycommit::applycommitInfo(const QString& title, const QJsonArray& apps)
{
    reset();
    setWindowTitle(title);
    titleLabel()->setText(title);
    appList_ = apps;
    QStringList names;
    for (const QJsonValue& app : apps) {
        names.append(app.toObject().value(QStringLiteral("appName")).toString());
    }
    apps_->setText(names.join(QStringLiteral("、")));
}

void pageapplycommit::reset()
{
    validTimeType_ = 1;
    validEndTime_.clear();
    never_->setChecked(true);
    date_->clear();
    date_->hide();
    reason_->clear();
    if (notice_->text().isEmpty()) {
        notice_->setText(defaultNotice());
    }
}

void pageapplycommit::onNeverBtn()
{
    validTimeType_ = 1;
    // A date chosen before belongs to the other choice.
    validEndTime_.clear();
    date_->clear();
    date_->hide();
}

void pageapplycommit::onCustomBtn()
{
    validTimeType_ = 2;
    date_->show();
    openCalendar();
}

void pageapplycommit::openCalendar()
{
    const QDate today = QDate::currentDate();
    calendar_->setDateRange(today, today.addYears(10));
    if (!validEndTime_.isEmpty()) {
        calendar_->setSelectedDate(QDateTime::fromSecsSinceEpoch(validEndTime_.toLongLong()).date());
    }
    calendar_->popupBelow(date_);
}

QString pageapplycommit::endOfDay(const QDate& date)
{
    const QString text = date.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 23:59:59");
    const QDateTime end = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    return end.isValid() ? QString::number(end.toSecsSinceEpoch()) : QString();
}

void pageapplycommit::setDate(const QDate& date)
{
    validEndTime_ = endOfDay(date);
    LOG(INFO) << "validEndTime: " << validEndTime_;
    date_->setText(validEndTime_.isEmpty() ? QString() : date.toString(QStringLiteral("yyyy-MM-dd")));
}

QByteArray pageapplycommit::commitParam(int validTimeType, const QString& validEndTime, const QString& applyReason,
                                        const QJsonArray& appList)
{
    QJsonObject param;
    param.insert(QStringLiteral("approveType"), 1);
    param.insert(QStringLiteral("validEndTime"), validEndTime);
    param.insert(QStringLiteral("validTimeType"), validTimeType);
    param.insert(QStringLiteral("applyReason"), applyReason);
    param.insert(QStringLiteral("appList"), appList);
    return QJsonDocument(param).toJson(QJsonDocument::Compact);
}

void pageapplycommit::onApplyCommitBtn()
{
    if (validTimeType_ == 2 && validEndTime_.isEmpty()) {
        date_->setFocus();
        openCalendar();
        return;
    }
    // The reason's lines run together, as the controller shows it on one line.
    const QString reason = reason_->toPlainText().split(QLatin1Char('\n')).join(QString());
    if (reason.trimmed().isEmpty()) {
        UiComm::instance()->apiCorvistrayCommon(CReqTrayAppApply, QStringLiteral("请填写申请理由。"));
        reason_->setFocus();
        return;
    }
    const QByteArray param = commitParam(validTimeType_, validEndTime_, reason, appList_);
    if (param.size() >= kMaxParamBytes) {
        // The service would get it cut off: a broken request instead of a refused one.
        LOG(WARNING) << "FUNC(onApplyCommitBtn) request of " << param.size() << " bytes is too long, not sent";
        UiComm::instance()->apiCorvistrayCommon(CReqTrayAppApply, QStringLiteral("申请内容过长，请减少所选资源或缩短申请理由。"));
        return;
    }
    LOG(INFO) << "applyCommit param: " << corvis::logSafe(QString::fromUtf8(param));
    UiComm::instance()->apiCorvisclientCommon(CReqClientApplyCommit, QString::fromUtf8(param), true);
    emit applyCommitted(param);
    close();
}

void pageapplycommit::onCancelCommitBtn()
{
    close();
}

void pageapplycommit::closeEvent(QCloseEvent* event)
{
    calendar_->hide();
    reset();
    CustomDialog::closeEvent(event);
}

bool pageapplycommit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == date_ && (event->type() == QEvent::MouseButtonPress ||
                             (event->type() == QEvent::KeyPress && (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space ||
                                                                    static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return)))) {
        openCalendar();
        return true;
    }
    return CustomDialog::eventFilter(watched, event);
}
