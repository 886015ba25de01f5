#include "printing/PlayStrip.h"

#include "core/AppError.h"
#include "printer/PplaApi.h"
#include "printing/StripPlan.h"
#include "settings/PortNames.h"

namespace {

constexpr char kCode128BarsOnly = 'e';
constexpr int kNarrow = 2;
constexpr int kWide = 1;
constexpr char kNoHumanReadable = 'N';
constexpr int kBufferSize = 128;
constexpr int kUsbDevice = 1;
constexpr int32_t kChinese = 936;

// Opens the plan's port; false when it cannot be opened.
bool openPort(int port, PplaApi& ppla) {
    if (port == kUsbSearchPort) {
        // No USB printer present is a failed open too: nothing would print.
        if (ppla.A_GetUSBBufferLen() <= 0)
            return false;
        char names[kBufferSize] = {};
        char deviceName[kBufferSize] = {};
        char devicePath[kBufferSize] = {};
        int nameLen = kBufferSize;
        int pathLen = kBufferSize;
        ppla.A_EnumUSB(names);
        ppla.A_GetUSBDeviceInfo(kUsbDevice, deviceName, &nameLen, devicePath, &pathLen);
        devicePath[kBufferSize - 1] = '\0';
        return ppla.A_CreatePrn(kUsbSearchPort, devicePath) <= 0;
    }
    const QByteArray number = QByteArray::number(port);
    return ppla.A_CreatePrn(0, number.constData()) <= 0;
}

// The driver's own word on a field it refused, should the plan have missed
// one: the strip then goes no further.
class Refused {
public:
    explicit Refused(QString text) : text_(std::move(text)) {}
    const QString& text() const { return text_; }

private:
    QString text_;
};

void refuseIfFailed(int rc, PplaApi& ppla, const StripPlan& plan, int column, const char* field) {
    if (rc <= 0)
        return;
    const QString reason = ppla.lastErrorText();
    const bool zh = plan.codePage == kChinese;
    const QString unknown = zh ? QStringLiteral(u"原因不明") : QStringLiteral("unknown reason");
    throw Refused(refusalMessage(
        plan.row,
        {column, QLatin1String(field),
         (zh ? QStringLiteral(u"打印机拒绝了它：%1") : QStringLiteral("The printer refused it: %1"))
             .arg(reason.isEmpty() ? unknown : reason)},
        plan.codePage));
}

int drawBarcode(PplaApi& ppla, const PlannedBarcode& b) {
    return ppla.A_Prn_Barcode(b.x, b.y, b.moduleWidth, kCode128BarsOnly, kNarrow, kWide, b.height,
                              kNoHumanReadable, 0, b.content.constData());
}

int drawText(PplaApi& ppla, const PlannedText& t) {
    if (!t.weight)
        throw AppError::invalidInteger(t.weightDigits);
    return ppla.A_Prn_Text_TrueType(t.x, t.y, t.height, t.font.constData(), 1, *t.weight, 0, 0, 0,
                                    t.imageName, t.text.constData(), 1);
}

} // namespace

bool playStrip(const StripPlan& plan, PplaApi& ppla, QString* failure, bool* sentAny,
               const std::function<void()>& printedOut) {
    if (sentAny)
        *sentAny = false;
    // Whatever happens after the open, the port is fed and closed.
    struct FeedAndClose {
        PplaApi& ppla;
        ~FeedAndClose() {
            ppla.A_Feed_Label();
            ppla.A_Feed_Label();
            ppla.A_ClosePrn();
        }
    };

    FeedAndClose guard{ppla};
    if (!openPort(plan.portNumber, ppla)) {
        *failure = QStringLiteral("Open USB fail!");
        return false;
    }
    ppla.A_Set_Darkness(plan.darkness);
    try {
        for (size_t c = 0; c < plan.labels.size(); ++c) {
            const PlannedLabel& label = plan.labels[c];
            if (label.barcode)
                refuseIfFailed(drawBarcode(ppla, *label.barcode), ppla, plan, int(c), "barcode");
            refuseIfFailed(drawText(ppla, label.text), ppla, plan, int(c), "text");
        }
    } catch (const Refused& refused) {
        *failure = refused.text();
        return false;
    }
    if (sentAny)
        *sentAny = true;
    if (ppla.A_Print_Out(1, 1, 1, 1) > 0) {
        // A port that took no byte at all (a full device) sent nothing.
        if (sentAny && !ppla.printOutLeft())
            *sentAny = false;
        const bool zh = plan.codePage == kChinese;
        const QString reason = ppla.lastErrorText();
        *failure = (zh ? QStringLiteral(u"向 %1 打印失败：%2")
                       : QStringLiteral("Printing to %1 failed: %2"))
                       .arg(plan.portName, reason.isEmpty() ? (zh ? QStringLiteral(u"原因不明")
                                                                  : QStringLiteral("unknown error"))
                                                            : reason);
        return false;
    }
    if (printedOut)
        printedOut();
    return true;
}
