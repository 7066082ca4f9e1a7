#include "src/CustomControl/cuscalendarpopup.h"

#include "src/CustomControl/cusstyle.h"

#include <QCalendarWidget>
#include <QKeyEvent>
#include <QList>
#include <QLocale>
#include <QTextCharFormat>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QList<QDate>& queuedAnswers()
{
    static QList<QDate> answers;
    return answers;
}

}  // namespace

void CusCalendarPopup::setNextAnswer(const QDate& date)
{
    queuedAnswers().append(date);
}

void CusCalendarPopup::clearNextAnswers()
{
    queuedAnswers().clear();
}

CusCalendarPopup::CusCalendarPopup(QWidget* parent) : QWidget(parent, Qt::Popup)
{
    setObjectName(QStringLiteral("CusCalendarPopup"));
    // A plain QWidget paints no style-sheet background or border without this: the pop-up would
    // have no edge against the form below it.
    setAttribute(Qt::WA_StyledBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    calendar_ = new QCalendarWidget(this);
    calendar_->setObjectName(QStringLiteral("calendarWidget"));
    calendar_->setLocale(QLocale(QLocale::Chinese, QLocale::China));
    calendar_->setFirstDayOfWeek(Qt::Monday);
    calendar_->setGridVisible(false);
    calendar_->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    calendar_->setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);
    // Weekends in the normal text colour: the dates are deadlines, not a work calendar.
    QTextCharFormat weekend;
    weekend.setForeground(QColor(QLatin1String(cusstyle::kText)));
    calendar_->setWeekdayTextFormat(Qt::Saturday, weekend);
    calendar_->setWeekdayTextFormat(Qt::Sunday, weekend);
    layout->addWidget(calendar_);
    setAccessibleName(QStringLiteral("选择日期"));
    calendar_->setAccessibleName(QStringLiteral("日历"));
    // Qt names its navigation parts in English only; a screen reader here reads Chinese.
    const struct {
        const char* objectName;
        const char* accessibleName;
    } parts[] = {
        {"qt_calendar_prevmonth", "上个月"},  {"qt_calendar_nextmonth", "下个月"},
        {"qt_calendar_monthbutton", "月份"},  {"qt_calendar_yearbutton", "年份"},
        {"qt_calendar_yearedit", "年份"},     {"qt_calendar_calendarview", "日期"},
    };
    for (const auto& part : parts) {
        if (QWidget* widget = calendar_->findChild<QWidget*>(QLatin1String(part.objectName))) {
            widget->setAccessibleName(QString::fromUtf8(part.accessibleName));
        }
    }
    setStyleSheet(QStringLiteral("CusCalendarPopup { background: white; border: 1px solid %1; }"
                                 "QCalendarWidget QWidget#qt_calendar_navigationbar { background: %5; }"
                                 "QCalendarWidget QToolButton { color: %2; background: transparent; border: none;"
                                 " font-size: 14px; padding: 2px 6px; }"
                                 "QCalendarWidget QAbstractItemView { font-size: 13px; }"
                                 "QCalendarWidget QAbstractItemView:enabled { selection-background-color: %3;"
                                 " selection-color: white; color: %2; }"
                                 "QCalendarWidget QAbstractItemView:disabled { color: %4; }")
                      .arg(QLatin1String(cusstyle::kBorder), QLatin1String(cusstyle::kText),
                           QLatin1String(cusstyle::kTheme), QLatin1String(cusstyle::kTextMuted),
                           QLatin1String(cusstyle::kThemeLight)));
    // clicked() is a mouse choice, activated() the Return key; both only for dates in range.
    connect(calendar_, &QCalendarWidget::clicked, this, &CusCalendarPopup::choose);
    connect(calendar_, &QCalendarWidget::activated, this, &CusCalendarPopup::choose);
}

void CusCalendarPopup::setDateRange(const QDate& minimum, const QDate& maximum)
{
    calendar_->setDateRange(minimum, maximum);
}

void CusCalendarPopup::setSelectedDate(const QDate& date)
{
    calendar_->setSelectedDate(date);
}

QDate CusCalendarPopup::selectedDate() const
{
    return calendar_->selectedDate();
}

bool CusCalendarPopup::inRange(const QDate& date) const
{
    return date.isValid() && date >= calendar_->minimumDate() && date <= calendar_->maximumDate();
}

void CusCalendarPopup::popup(const QPoint& globalPos)
{
    open_ = true;
    if (!queuedAnswers().isEmpty()) {
        const QDate given = queuedAnswers().takeFirst();
        QTimer::singleShot(0, this, [this, given] {
            if (inRange(given)) {
                choose(given);
            } else {
                open_ = false;
                emit dismissed();
            }
        });
        return;
    }
    adjustSize();
    move(globalPos);
    show();
    calendar_->setFocus();
}

void CusCalendarPopup::popupBelow(QWidget* anchor)
{
    popup(anchor->mapToGlobal(QPoint(0, anchor->height() + 2)));
}

void CusCalendarPopup::choose(const QDate& date)
{
    if (!open_ || !inRange(date)) {
        return;
    }
    open_ = false;
    calendar_->setSelectedDate(date);
    hide();
    emit dateSelected(date);
}

void CusCalendarPopup::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // Hidden without a choice: Escape, a click outside, or the owner closing it.
    if (open_) {
        open_ = false;
        emit dismissed();
    }
}

void CusCalendarPopup::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}
