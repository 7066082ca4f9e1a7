#pragma once

// The process log (glog) with stream operators for Qt texts, written as local 8-bit text.

#include <glog/logging.h>

#include <QByteArray>
#include <QString>
#include <ostream>

namespace corvis {

// Whether a record of `severity` reaches the log at all.
inline bool logOn(int severity) { return severity >= FLAGS_minloglevel; }

}  // namespace corvis

// glog formats a record (clock, time zone, thread id, prefix, every streamed value) before it
// looks at the severity; checked first, a filtered line costs one comparison and its operands
// are never evaluated.
#undef LOG
#define LOG(severity)                                                             \
    !corvis::logOn(google::GLOG_##severity) ? static_cast<void>(0)                \
                                            : google::LogMessageVoidify() & COMPACT_GOOGLE_LOG_##severity.stream()

inline std::ostream& operator<<(std::ostream& out, const QString& text)
{
    return out << text.toLocal8Bit().constData();
}

inline std::ostream& operator<<(std::ostream& out, const QByteArray& text)
{
    return out.write(text.constData(), text.size());
}

// "0x%0x": how request types and error codes are printed.
inline QString hexCode(int value)
{
    return QString::asprintf("0x%0x", static_cast<unsigned int>(value));
}

namespace corvis {

// "Error Code: 0x.." [", Error Msg: .."] as local 8-bit text, returned by value so that it lives
// as long as the log statement that uses it. Common::errorMsg gives it to the pages.
inline QByteArray errorMsg(int code, const QString& msg = QString())
{
    QString text = QStringLiteral("Error Code: ") + hexCode(code);
    if (!msg.isEmpty()) {
        text += QStringLiteral(", ") + QStringLiteral("Error Msg: ") + msg;
    }
    return text.toLocal8Bit();
}

}  // namespace corvis
