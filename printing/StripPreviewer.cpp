#include "printing/StripPreviewer.h"

#include "core/AppError.h"
#include "printing/PlayStrip.h"
#include "printing/StripPlan.h"
#include "settings/PortNames.h"

namespace {

// Passes every operation to the driver, but answers a refused barcode or text
// as drawn: playStrip would stop there, and the preview shows the whole strip
// with what was refused flagged.
class KeepDrawing : public PplaApi {
public:
    explicit KeepDrawing(PplaApi& inner) : inner_(inner) {}

    int A_CreatePrn(int selection, const char* filename) override {
        return inner_.A_CreatePrn(selection, filename);
    }
    int A_GetUSBBufferLen() override { return inner_.A_GetUSBBufferLen(); }
    int A_EnumUSB(char* buf) override { return inner_.A_EnumUSB(buf); }
    int A_GetUSBDeviceInfo(int nPort, char* pDeviceName, int* pDeviceNameLen, char* pDevicePath,
                           int* pDevicePathLen) override {
        return inner_.A_GetUSBDeviceInfo(nPort, pDeviceName, pDeviceNameLen, pDevicePath,
                                         pDevicePathLen);
    }
    int A_Set_Darkness(int heat) override { return inner_.A_Set_Darkness(heat); }
    int A_Prn_Barcode(int x, int y, int ori, char type, int narrow, int width, int height,
                      char mode, int numeric, const char* data) override {
        inner_.A_Prn_Barcode(x, y, ori, type, narrow, width, height, mode, numeric, data);
        return 0;
    }
    int A_Prn_Text_TrueType(int x, int y, int fontHeight, const char* fontName, int orient,
                            int fontWeight, int italic, int underline, int strikeOut,
                            const char* idName, const char* data, int memMode) override {
        inner_.A_Prn_Text_TrueType(x, y, fontHeight, fontName, orient, fontWeight, italic,
                                   underline, strikeOut, idName, data, memMode);
        return 0;
    }
    int A_Print_Out(int width, int height, int copies, int amount) override {
        return inner_.A_Print_Out(width, height, copies, amount);
    }
    int A_Feed_Label() override { return inner_.A_Feed_Label(); }
    int A_ClosePrn() override { return inner_.A_ClosePrn(); }
    QString lastErrorText() const override { return inner_.lastErrorText(); }

private:
    PplaApi& inner_;
};

// The driver's items as the preview lists them: the column is the item's
// place among those of its kind; an item that draws nothing is left out.
QList<StripItem> stripItems(const QList<DrawnItem>& drawn) {
    QList<StripItem> items;
    int barcodes = 0;
    int texts = 0;
    for (const DrawnItem& d : drawn) {
        const bool barcode = d.kind == DrawnItem::Barcode;
        const int column = barcode ? barcodes++ : texts++;
        if (d.box.isEmpty() && d.refused.isEmpty())
            continue;
        items.append({barcode ? StripItem::Barcode : StripItem::Text, column, d.box, d.refused});
    }
    return items;
}

PplaPrinterOptions driverOptions(const VirtualPrinterOptions& o) {
    PplaPrinterOptions options;
    options.encoder.dpi = o.dpi;
    options.encoder.labelHeightDots = o.labelHeightDots;
    options.preview = o;
    return options;
}

} // namespace

QStringList sampleSerials() {
    return {QStringLiteral("VA00A001"), QStringLiteral("VA00A002"), QStringLiteral("VA00A003")};
}

LabelRow sampleRow(const QStringList& listTexts) {
    const QStringList samples = sampleSerials();
    LabelRow row;
    for (int i = 0; i < 3; ++i)
        row.labels[size_t(i)].text = i < listTexts.size() ? listTexts[i] : samples[i];
    return row;
}

QRect labelRect(int column, const VirtualPrinterOptions& o) {
    const int across = std::max(1, o.labelsAcross);
    const int left = o.stripWidthDots * column / across;
    const int right = o.stripWidthDots * (column + 1) / across;
    return QRect(left, 0, right - left, o.labelHeightDots);
}

bool leavesLabel(const StripItem& item, const VirtualPrinterOptions& options) {
    if (!item.refused.isEmpty())
        return true;
    return !labelRect(item.column, options).contains(item.box);
}

StripPreviewer::StripPreviewer(VirtualPrinterOptions options)
    : options_(options), port_(std::make_shared<MemoryPort>()),
      printer_(port_, driverOptions(options)) {}

StripPreviewResult StripPreviewer::render(const TLabelLayout& layout,
                                          const PreviewSamples& samples) {
    // The strip as it is laid out, refused fields and all: the preview shows
    // what the driver makes of each.
    return render(planStrip(layout, samples.format, samples.row));
}

StripPreviewResult StripPreviewer::render(StripPlan plan) {
    StripPreviewResult result;
    // Any port would do: the driver writes to memory whatever it is told to
    // open. A port without a USB search keeps the strip off the devices.
    plan.portNumber = portNumber(defaultPortName());
    KeepDrawing tap(printer_);
    port_->takeBytes();
    try {
        QString failure;
        if (!playStrip(plan, tap, &failure))
            result.messages << failure;
    } catch (const AppError& e) {
        result.error = e.text();
    }
    result.strip = renderStrip(port_->takeBytes(), options_);
    result.items = stripItems(printer_.drawnItems());
    return result;
}
