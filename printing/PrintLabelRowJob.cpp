#include "printing/PrintLabelRowJob.h"

#include "app/AppError.h"
#include "app/Text.h"
#include "printer/PplaApi.h"
#include "printing/StripCheck.h"
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

struct Column {
    int bleft, btop, bhight, fleft, ftop, fhight;
    const char* name;
};

std::array<Column, 3> columns(const TLabelLayout& l) {
    return {{{l._bleft1, l._btop1, l._bhight1, l._fleft1, l._ftop1, l._fhight1, "A3"},
             {l._bleft2, l._btop2, l._bhight2, l._fleft2, l._ftop2, l._fhight2, "B3"},
             {l._bleft3, l._btop3, l._bhight3, l._fleft3, l._ftop3, l._fhight3, "C3"}}};
}

// Opens the port the layout names; false when it cannot be opened.
bool openPort(const QString& printer, PplaApi& ppla) {
    const int port = portNumber(printer);
    if (port == 12) {
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
        return ppla.A_CreatePrn(12, devicePath) <= 0;
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

int portNumber(const QString& printerName) {
    static const char* const names[] = {"USB1", "USB2", "USB3", "USB4", "USB5", "USB6"};
    for (int i = 0; i < 6; ++i)
        if (printerName == QLatin1String(names[i]))
            return i + 1;
    if (printerName == QLatin1String("USBX"))
        return 12;
    return 0;
}

QString barcodeContent(const QString& labelText) {
    return labelText.mid(2, 6);
}

int fontWeight(const QString& weightText) {
    const QString digits = weightText.left(3);
    const auto weight = parseInt32(digits);
    if (!weight)
        throw AppError::invalidInteger(digits);
    return *weight;
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
    if (!openPort(layout._iprinter, ppla)) {
        *failure = QStringLiteral("Open USB fail!");
        return false;
    }
    const QByteArray font = layout._ftype_name.toUtf8();
    ppla.A_Set_Darkness(kDarkness);
    const auto cols = columns(layout);
    try {
        for (size_t c = 0; c < cols.size(); ++c) {
            const Column& col = cols[c];
            const QString& text = row.labels[c].text;
            if (format == LabelFormat::Barcode) {
                const QByteArray content = barcodeContent(text).toUtf8();
                refuseIfFailed(ppla.A_Prn_Barcode(col.bleft, col.btop, layout._bwidth1,
                                                  kCode128BarsOnly, kNarrow, kWide, col.bhight,
                                                  kNoHumanReadable, 0, content.constData()),
                               ppla, row, int(c), "barcode");
                refuseIfFailed(drawText(ppla, col.fleft + 10, col.ftop, col.fhight, font,
                                        fontWeight(layout._fBellow), col.name,
                                        QStringLiteral("SN:") + text),
                               ppla, row, int(c), "text");
            } else {
                refuseIfFailed(drawText(ppla, col.fleft + 10, col.ftop - col.fhight + 8,
                                        2 * col.fhight - 8, font, fontWeight(layout._fBellow),
                                        col.name, text),
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
                .arg(layout._iprinter, reason.isEmpty() ? QStringLiteral("unknown error") : reason);
        return false;
    }
    return true;
}
