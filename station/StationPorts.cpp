#include "station/StationPorts.h"

#include "core/AppError.h"
#include "journal/PrintJournal.h"

#include "printer/PortConfig.h"
#include "printer/PplaApi.h"
#include "printer/PrinterFeedback.h"
#include "printing/PortDevice.h"
#include "printing/PrinterStateWatcher.h"
#include "settings/PortNames.h"
#include "settings/uBarcode.h"

#include <algorithm>

namespace {

constexpr int kBufferSize = 128;

QString nameOf(int number, const TLabelLayout& layout) {
    if (number == kUsbSearchPort)
        return QStringLiteral("USBX");
    if (number >= 1 && number <= 6)
        return QStringLiteral("USB%1").arg(number);
    return portNumber(layout.port) == 0 ? layout.port : QStringLiteral("0");
}

} // namespace

QList<int> configuredPorts(const QProcessEnvironment& env, const TLabelLayout& layout) {
    QList<int> out{portNumber(layout.port)};
    for (int n = 0; n <= 6; ++n)
        if (!env.value(PortConfig::variableFor(QString::number(n))).isEmpty())
            out << n;
    if (!env.value(QStringLiteral("VORNELL_PRINTER_USBX")).isEmpty())
        out << kUsbSearchPort;
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

bool openAndClose(PplaApi& ppla, int number, QString* error) {
    int rc = 0;
    if (number == kUsbSearchPort) {
        if (ppla.A_GetUSBBufferLen() <= 0) {
            *error = QStringLiteral("no USB label printer found");
            return false;
        }
        char names[kBufferSize] = {};
        char deviceName[kBufferSize] = {};
        char devicePath[kBufferSize] = {};
        int nameLen = kBufferSize;
        int pathLen = kBufferSize;
        ppla.A_EnumUSB(names);
        ppla.A_GetUSBDeviceInfo(1, deviceName, &nameLen, devicePath, &pathLen);
        devicePath[kBufferSize - 1] = '\0';
        rc = ppla.A_CreatePrn(kUsbSearchPort, devicePath);
    } else {
        rc = ppla.A_CreatePrn(0, QByteArray::number(number).constData());
    }
    if (rc > 0) {
        *error = ppla.lastErrorText();
        return false;
    }
    ppla.A_ClosePrn();
    return true;
}

PortCheck checkPort(PplaApi& ppla, PrinterFeedback& feedback, int number,
                    const TLabelLayout& layout, int32_t codePage, const PrintJournal* journal) {
    PortCheck c;
    c.number = number;
    c.name = nameOf(number, layout);
    c.layoutPort = number == portNumber(layout.port);
    c.device = portDevice(c.name, PortConfig());
    c.opens = openAndClose(ppla, number, &c.openError);
    const StatusMode mode = feedback.feedbackMode(number);
    bool answeredBefore = false;
    try {
        answeredBefore = journal && journal->hasAnswered(c.device);
    } catch (const AppError&) {
    }
    std::optional<PrinterStatus> status;
    bool spoke = false;
    if (c.opens && mode != StatusMode::Off) {
        QString why;
        status = feedback.askStatus(number, DefaultStatusTimeoutMs, &why);
        spoke = !status && feedback.printerSpoke();
        if (spoke)
            c.state = QStringLiteral("status answer cannot be read: %1").arg(why);
    }
    if (!spoke)
        c.state = printerStateText(status, codePage);
    // A printer that must confirm (set so, or it answered before, or it
    // talks) and does not is no port to print on.
    // So must a networked printer unless a person chose delivery (off): its
    // network stack's acknowledgement says nothing of a label.
    const bool network = c.device.startsWith(QLatin1String("tcp:"));
    const bool heldToConfirm = mode == StatusMode::On ||
                               (mode == StatusMode::Auto && (answeredBefore || spoke || network));
    c.usable = c.opens && (status ? status->ready() : !heldToConfirm);
    c.proves = status || heldToConfirm ? QStringLiteral("marks when confirmed by the printer")
               : network ? QStringLiteral("marks when a network peer acknowledged the bytes: not "
                                          "confirmed")
                         : QStringLiteral("marks when the printer took the bytes: not confirmed");
    return c;
}
