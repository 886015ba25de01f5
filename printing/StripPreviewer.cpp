#include "printing/StripPreviewer.h"

#include "core/AppError.h"
#include "printer/TextRaster.h"
#include "printing/PlayStrip.h"
#include "printing/StripPlan.h"
#include "settings/PortNames.h"

namespace {

// Passes every operation to the driver and notes where each barcode and text
// was meant to go.
class DrawingTap : public PplaApi {
public:
    DrawingTap(PplaApi& inner, int labelHeight) : inner_(inner), labelHeight_(labelHeight) {}

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
        const int rc =
            inner_.A_Prn_Barcode(x, y, ori, type, narrow, width, height, mode, numeric, data);
        StripItem item{StripItem::Barcode, barcodes_++, {}, {}};
        if (rc != 0) {
            // Shown as refused; the rest of the strip is still drawn.
            item.refused = inner_.lastErrorText();
            items.append(item);
            return 0;
        } else {
            const QByteArray content(data);
            if (content.isEmpty())
                return rc; // nothing is drawn
            // The bars stand y dots above the label's bottom edge and reach
            // down by the barcode height; each module is narrow x width dots.
            const int modules = int(code128Modules(content).size());
            item.box = QRect(x, labelHeight_ - y, modules * narrow * ori, height);
        }
        items.append(item);
        return rc;
    }
    int A_Prn_Text_TrueType(int x, int y, int fontHeight, const char* fontName, int orient,
                            int fontWeight, int italic, int underline, int strikeOut,
                            const char* idName, const char* data, int memMode) override {
        const int rc =
            inner_.A_Prn_Text_TrueType(x, y, fontHeight, fontName, orient, fontWeight, italic,
                                       underline, strikeOut, idName, data, memMode);
        StripItem item{StripItem::Text, texts_++, {}, {}};
        if (rc != 0) {
            item.refused = inner_.lastErrorText();
            items.append(item);
            return 0;
        } else {
            const RasterText raster =
                rasteriseText({QString::fromUtf8(fontName), fontHeight, fontWeight, italic != 0,
                               underline != 0, strikeOut != 0, QString::fromUtf8(data)});
            if (raster.ink.isEmpty())
                return rc; // no ink, nothing is drawn
            item.box =
                QRect(x + raster.offsetX, y + raster.offsetY, raster.ink.width, raster.ink.height);
        }
        items.append(item);
        return rc;
    }
    int A_Print_Out(int width, int height, int copies, int amount) override {
        return inner_.A_Print_Out(width, height, copies, amount);
    }
    int A_Feed_Label() override { return inner_.A_Feed_Label(); }
    int A_ClosePrn() override { return inner_.A_ClosePrn(); }
    QString lastErrorText() const override { return inner_.lastErrorText(); }

    QList<StripItem> items;

private:
    PplaApi& inner_;
    int labelHeight_;
    int barcodes_ = 0;
    int texts_ = 0;
};

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
    StripPreviewResult result;
    // The strip as it is laid out, refused fields and all: the preview shows
    // what the driver makes of each.
    StripPlan plan = planStrip(layout, samples.format, samples.row);
    // Any port would do: the driver writes to memory whatever it is told to
    // open. A port without a USB search keeps the strip off the devices.
    plan.portNumber = portNumber(defaultPortName());
    DrawingTap tap(printer_, options_.labelHeightDots);
    port_->takeBytes();
    try {
        QString failure;
        if (!playStrip(plan, tap, &failure))
            result.messages << failure;
    } catch (const AppError& e) {
        result.error = e.text();
    }
    result.strip = renderStrip(port_->takeBytes(), options_);
    result.items = tap.items;
    return result;
}
