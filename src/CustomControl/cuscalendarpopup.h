#pragma once

#include <QDate>
#include <QWidget>

class QCalendarWidget;

// A calendar that pops up below a field: a click on a date (or Return) chooses it and emits
// dateSelected(); Escape or a click elsewhere dismisses it and emits dismissed(). Dates outside
// the range cannot be chosen.
//
// Tests answer in advance with setNextAnswer(date): the next popup does not appear and, on the
// next turn of the event loop, chooses that date, or is dismissed when the date is invalid or
// outside the range.
//
// Children: "calendarWidget".
class CusCalendarPopup : public QWidget
{
    Q_OBJECT
public:
    explicit CusCalendarPopup(QWidget* parent = nullptr);

    void setDateRange(const QDate& minimum, const QDate& maximum);
    void setSelectedDate(const QDate& date);
    QDate selectedDate() const;
    QCalendarWidget* calendar() const { return calendar_; }

    // Shows the popup with its top left corner at `globalPos`, or below `anchor`.
    void popup(const QPoint& globalPos);
    void popupBelow(QWidget* anchor);

    static void setNextAnswer(const QDate& date);
    static void clearNextAnswers();

signals:
    void dateSelected(const QDate& date);
    void dismissed();

protected:
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void choose(const QDate& date);
    bool inRange(const QDate& date) const;

    QCalendarWidget* calendar_ = nullptr;
    bool open_ = false;
};
