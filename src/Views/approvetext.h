#pragma once

#include <QString>

// How the approval views write what a record carries: its state, its times, its validity and its
// file size. Record texts come from the services as they are; whatever cannot be read as what it
// should be shows as an empty field, never as a made-up value.
class ApproveText
{
public:
    // "待审批", "已通过", "已拒绝" for "0", "1", "2"; empty for anything else.
    static QString statusText(const QString& approveResult);

    // The colours of a state's tag; empty texts for an unknown state.
    struct TagColours {
        QString border;
        QString text;
        QString background;
    };
    static TagColours tagColours(const QString& approveResult);
    // The style sheet of a state's tag; empty for an unknown state.
    static QString tagStyle(const QString& approveResult);

    // A time as the user reads it, in local time ("yyyy-MM-dd hh:mm:ss"): seconds since the epoch
    // (milliseconds when the number is too large to be seconds), or a date text that is already
    // readable. Empty for an empty text, 0, a negative number, a time after the year 9999 and
    // anything else.
    static QString time(const QString& text);
    // The end of an application's validity: "永不过期" when none is set (empty, 0 or negative),
    // else as time().
    static QString validity(const QString& validEndTime);
    // A file size as readableFileSize writes it; empty for a negative size.
    static QString fileSize(qint64 bytes);
};
