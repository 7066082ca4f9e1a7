#include "simpush.h"

#include "corviscommon/productpaths.h"
#include "platform/corvismsg/us_client.h"

#include <cerrno>
#include <cstring>

int simPush(uint16_t code, uint16_t arg, const QByteArray& text, QString* error)
{
    const std::string path = corvis::paths::pushSocket().toLocal8Bit().toStdString();
    US_Client client;
    if (client.InitConn(0, 1, path.c_str()) != 1) {
        *error = QStringLiteral("%1: %2").arg(QString::fromStdString(path), QString::fromLocal8Bit(std::strerror(errno)));
        return 1;
    }
    const int rc = client.PostMessage(code, arg, text.constData(), text.size());
    client.CloseConn();
    switch (rc) {
    case 0:
        return 0;
    case -2:
        *error = QStringLiteral("the workbench did not take the message in time");
        return 2;
    case -3:
        *error = text.size() > 64500 ? QStringLiteral("the text is too long for one message")
                                     : QStringLiteral("the workbench refused the message");
        return 2;
    default:
        *error = QStringLiteral("sending failed");
        return 2;
    }
}
