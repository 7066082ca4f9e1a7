// Arbitrary answers of the client service fed to the QR login flow in an arbitrary order, and the
// same bytes encoded as a QR symbol: no crash, never more than one heartbeat in flight, never a
// QR login without its three fields.
//
// Input: a list of records, each one byte (the step and the error flag) followed by a text that
// runs to the next 0xFF byte.

#include "corviscommon/logging.h"
#include "login/qrcodesymbol.h"
#include "login/qrloginflow.h"

#include <QCoreApplication>
#include <QString>

#include <cstdint>

extern "C" const char* __lsan_default_suppressions()
{
    // Qt's JSON parser leaks a duplicated key's earlier object or array value (Qt 5.15).
    return "leak:libQt5Core.so\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Timers need an application object in the thread that starts them.
    static QCoreApplication app(*argc, *argv);
    FLAGS_minloglevel = google::GLOG_FATAL;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const ClientReq steps[] = {CReqClientQrcodeSign, CReqClientQrcode72, CReqClientQrcode73, CReqClientLogin82};
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<int>(size));
    // libqrencode gives up on anything longer than about 3 KB; keep the encoder's work bounded.
    const QrCodeSymbol symbol = QrCodeSymbol::encode(QString::fromUtf8(input.left(4096)));
    if (!symbol.isNull() && (symbol.version() < QrCodeSymbol::kMinVersion || symbol.width() != 17 + 4 * symbol.version())) {
        __builtin_trap();
    }

    QrLoginFlow flow(corvis::Edition(static_cast<corvis::Edition::Id>(size % 4)));
    int inFlight = 0;
    QObject::connect(&flow, &QrLoginFlow::sendRequest, [&](ClientReq req, const QString& body) {
        if (req == CReqClientQrcode73 && ++inFlight > 1) {
            __builtin_trap();
        }
        if (req == CReqClientLogin74 && body.split(QLatin1Char('\n')).size() != 3) {
            __builtin_trap();
        }
    });
    flow.onTabShown();
    int at = 0;
    while (at < input.size()) {
        const uint8_t head = static_cast<uint8_t>(input.at(at++));
        int end = input.indexOf('\xff', at);
        if (end < 0) {
            end = input.size();
        }
        const QString text = QString::fromUtf8(input.mid(at, end - at));
        at = end + 1;
        switch (head % 8) {
        case 4:
            flow.onHeartbeatTick();
            break;
        case 5:
            flow.onBtnLoginQrcodeClicked();
            break;
        case 6:
            flow.onBtnLoginQrcodeCancelClicked();
            break;
        case 7:
            flow.stop();
            break;
        default: {
            const ClientReq req = steps[head % 4];
            if (req == CReqClientQrcode73 && inFlight > 0) {
                --inFlight;
            }
            flow.onResult(req, text, (head & 0x10) != 0);
            break;
        }
        }
    }
    return 0;
}
