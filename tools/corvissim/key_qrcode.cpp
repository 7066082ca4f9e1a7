// "qrcode": true | { "timeline": [ { "after": 3, "status": 2001, "username": "alice" }, ... ],
//                    "url": "https://.../qrlogin?sign=%1" }
// The client service's side of the QR login, answered by SimQrcode from what it has handed out:
// a sign for 0x010C, its login URL for 0x010D, the scan state for 0x010E, the cancel for 0x0127.
// The response's other keys (delayMs, files, push, ...) still apply.

#include "simkeys.h"
#include "simqrcode.h"

namespace {

const SimKeyRegistrar qrcodeKey(
    QStringLiteral("qrcode"), &SimQrcode::check,
    [](const SimRequest& request, const QJsonValue& value, QJsonObject* response) {
        QJsonObject base = *response;
        base.remove(QStringLiteral("qrcode"));
        return SimQrcode::instance().respond(request, value, base, response);
    });

}  // namespace
