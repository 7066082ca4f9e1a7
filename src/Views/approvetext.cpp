#include "src/Views/approvetext.h"

#include "corviscommon/sysusage.h"

#include <QDateTime>
#include <QRegularExpression>

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
// A number at least this large is no time in seconds (the year 5138): it is taken as milliseconds.
constexpr qint64 kMillisecondsFrom = 100000000000LL;
// 9999-12-31 23:59:59 UTC: later times have no four-digit year.
constexpr qint64 kLastSecond = 253402300799LL;

}  // namespace

QString ApproveText::statusText(const QString& approveResult)
{
    bool ok = false;
    switch (approveResult.trimmed().toInt(&ok)) {
    case 0:
        return ok ? QStringLiteral("待审批") : QString();
    case 1:
        return QStringLiteral("已通过");
    case 2:
        return QStringLiteral("已拒绝");
    default:
        return QString();
    }
}

ApproveText::TagColours ApproveText::tagColours(const QString& approveResult)
{
    bool ok = false;
    const int value = approveResult.trimmed().toInt(&ok);
    if (!ok) {
        return {};
    }
    switch (value) {
    case 0:
        return {QStringLiteral("#FFAB20"), QStringLiteral("#FFAB20"), QStringLiteral("#FFF7EB")};
    case 1:
        return {QStringLiteral("#34BB86"), QStringLiteral("#34BB86"), QStringLiteral("#EDFDF7")};
    case 2:
        return {QStringLiteral("#FF5F4F"), QStringLiteral("#FF5F4F"), QStringLiteral("#FFF2F0")};
    default:
        return {};
    }
}

QString ApproveText::tagStyle(const QString& approveResult)
{
    const TagColours colours = tagColours(approveResult);
    if (colours.text.isEmpty()) {
        return QString();
    }
    return QStringLiteral("border: 1px solid %1;font-size: 14px; color: %2;background: %3;")
        .arg(colours.border, colours.text, colours.background);
}

QString ApproveText::time(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return QString();
    }
    static const QRegularExpression number(QStringLiteral("^[+-]?\\d+$"));
    if (number.match(trimmed).hasMatch()) {
        bool ok = false;
        qint64 seconds = trimmed.toLongLong(&ok);
        if (!ok || seconds <= 0) {
            return QString();
        }
        if (seconds >= kMillisecondsFrom) {
            seconds /= 1000;
        }
        if (seconds > kLastSecond) {
            return QString();
        }
        return QDateTime::fromSecsSinceEpoch(seconds, Qt::LocalTime).toString(kTimeFormat);
    }
    // Texts the services write already readable, in local time unless they name a zone.
    for (const QString& format : {kTimeFormat, QStringLiteral("yyyy-MM-dd hh:mm"), QStringLiteral("yyyy/MM/dd hh:mm:ss")}) {
        const QDateTime parsed = QDateTime::fromString(trimmed, format);
        if (parsed.isValid()) {
            return parsed.toString(kTimeFormat);
        }
    }
    const QDate date = QDate::fromString(trimmed, QStringLiteral("yyyy-MM-dd"));
    if (date.isValid()) {
        return date.toString(QStringLiteral("yyyy-MM-dd"));
    }
    const QDateTime iso = QDateTime::fromString(trimmed, Qt::ISODate);
    if (iso.isValid() && iso.date().year() >= 1 && iso.date().year() <= 9999) {
        return iso.toLocalTime().toString(kTimeFormat);
    }
    return QString();
}

QString ApproveText::validity(const QString& validEndTime)
{
    const QString trimmed = validEndTime.trimmed();
    bool ok = false;
    if (trimmed.isEmpty() || (trimmed.toLongLong(&ok) <= 0 && ok)) {
        return QStringLiteral("永不过期");
    }
    return time(trimmed);
}

QString ApproveText::fileSize(qint64 bytes)
{
    if (bytes < 0) {
        return QString();
    }
    return QString::fromStdString(readableFileSize(static_cast<uint64_t>(bytes)));
}
