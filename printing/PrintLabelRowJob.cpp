#include "printing/PrintLabelRowJob.h"

#include "core/AppError.h"
#include "core/Text.h"
#include "printer/PplaApi.h"
#include "printing/StripCheck.h"
#include "settings/PortNames.h"
#include "settings/uBarcode.h"

#include <array>

namespace {

constexpr int kDarkness = 12;
constexpr char kCode128BarsOnly = 'e';
constexpr int kNarrow = 2;
constexpr int kWide = 1;
constexpr char kNoHumanReadable = 'N';
constexpr int kBufferSize = 128;
constexpr int kUsbDevice = 1;

// The image name each label's text is sent under, left to right.
constexpr const char* kTextImageNames[] = {"A3", "B3", "C3"};

// The weight every text is drawn in; a weight text that is no number stops
// the strip at its first text.
int fontWeight(const LabelFont& font) {
    if (!font.weight)
        throw AppError::invalidInteger(font.weightDigits());
    return *font.weight;
}

// Opens the port the layout names; false when it cannot be opened.
bool openPort(const QString& printer, PplaApi& ppla) {
    const int port = portNumber(printer);
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

// The driver's own word on a field it refused, should the check before the
// strip have missed one: the strip then goes no further.
class Refused {
public:
    explicit Refused(QString text) : text_(std::move(text)) {}
    const QString& text() const { return text_; }

private:
    QString text_;
};

void refuseIfFailed(int rc, PplaApi& ppla, const LabelRow& row, int column, const char* field) {
    if (rc <= 0)
        return;
    const QString reason = ppla.lastErrorText();
    throw Refused(refusalMessage(
        row, {column, QLatin1String(field),
              QStringLiteral("The printer refused it: %1")
                  .arg(reason.isEmpty() ? QStringLiteral("unknown reason") : reason)}));
}

int drawText(PplaApi& ppla, int x, int y, int size, const QByteArray& font, int weight,
             const char* name, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return ppla.A_Prn_Text_TrueType(x, y, size, font.constData(), 1, weight, 0, 0, 0, name,
                                    bytes.constData(), 1);
}

} // namespace

QString barcodeContent(const QString& labelText) {
    return labelText.mid(2, 6);
}

bool PrintLabelRowJob(const LabelRow& row, const TLabelLayout& layout, LabelFormat format,
                      PplaApi& ppla, QString* failure) {
    // A strip the printer would print without one of its fields is not sent.
    if (const auto refused = refusedField(row, layout, format)) {
        *failure = refusalMessage(row, *refused);
        return false;
    }
    return sendStripAsLaidOut(row, layout, format, ppla, failure);
}

bool sendStripAsLaidOut(const LabelRow& row, const TLabelLayout& layout, LabelFormat format,
                        PplaApi& ppla, QString* failure) {
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
    if (!openPort(layout.port, ppla)) {
        *failure = QStringLiteral("Open USB fail!");
        return false;
    }
    const QByteArray font = layout.font.face.toUtf8();
    ppla.A_Set_Darkness(kDarkness);
    try {
        for (size_t c = 0; c < layout.columns.size(); ++c) {
            const LabelBox& bar = layout.columns[c].barcode;
            const LabelBox& txt = layout.columns[c].text;
            const char* name = kTextImageNames[c];
            const QString& text = row.labels[c].text;
            if (format == LabelFormat::Barcode) {
                const QByteArray content = barcodeContent(text).toUtf8();
                refuseIfFailed(ppla.A_Prn_Barcode(bar.left, bar.top, layout.barcodeWidth(),
                                                  kCode128BarsOnly, kNarrow, kWide, bar.height,
                                                  kNoHumanReadable, 0, content.constData()),
                               ppla, row, int(c), "barcode");
                refuseIfFailed(drawText(ppla, txt.left + 10, txt.top, txt.height, font,
                                        fontWeight(layout.font), name,
                                        QStringLiteral("SN:") + text),
                               ppla, row, int(c), "text");
            } else {
                refuseIfFailed(drawText(ppla, txt.left + 10, txt.top - txt.height + 8,
                                        2 * txt.height - 8, font, fontWeight(layout.font), name,
                                        text),
                               ppla, row, int(c), "text");
            }
        }
    } catch (const Refused& refused) {
        *failure = refused.text();
        return false;
    }
    if (ppla.A_Print_Out(1, 1, 1, 1) > 0) {
        const QString reason = ppla.lastErrorText();
        *failure =
            QStringLiteral("Printing to %1 failed: %2")
                .arg(layout.port, reason.isEmpty() ? QStringLiteral("unknown error") : reason);
        return false;
    }
    return true;
}
