#pragma once

#include <QString>

namespace corvis {

// The text with the values of secret fields replaced by "***", for log lines that carry a whole
// service reply or command: JSON string members and URL parameters named like a password, a
// one-time code, a session id or a token. Everything else stays as it was.
QString maskSecrets(const QString& text);

}  // namespace corvis
