#include "forms/StripPreview.h"

#include "core/AppError.h"
#include "printer/TextRaster.h"
#include "printing/PrintLabelRowJob.h"
#include "settings/PortNames.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

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

QString leavesLabelText(const StripItem& item, int codePage) {
    const bool zh = codePage == 936;
    const QString what = item.kind == StripItem::Barcode
                             ? (zh ? QString::fromUtf8("条码") : QStringLiteral("barcode"))
                             : (zh ? QString::fromUtf8("文字") : QStringLiteral("text"));
    if (!item.refused.isEmpty())
        return zh ? QString::fromUtf8("第%1列%2无法打印: %3")
                        .arg(item.column + 1)
                        .arg(what, item.refused)
                  : QStringLiteral("Label %1: the %2 cannot be printed: %3")
                        .arg(item.column + 1)
                        .arg(what, item.refused);
    return zh ? QString::fromUtf8("第%1列%2超出标签").arg(item.column + 1).arg(what)
              : QStringLiteral("Label %1: the %2 leaves its label").arg(item.column + 1).arg(what);
}

StripPreviewer::StripPreviewer(VirtualPrinterOptions options)
    : options_(options), port_(std::make_shared<MemoryPort>()),
      printer_(port_, driverOptions(options)) {}

StripPreviewResult StripPreviewer::render(const TLabelLayout& layout,
                                          const PreviewSamples& samples) {
    StripPreviewResult result;
    TLabelLayout shown = layout;
    // Any port name would do: the driver writes to memory whatever it is
    // told to open. A name without a USB search keeps the job off the devices.
    shown.port = defaultPortName();
    DrawingTap tap(printer_, options_.labelHeightDots);
    port_->takeBytes();
    try {
        QString failure;
        if (!sendStripAsLaidOut(samples.row, shown, samples.format, tap, &failure))
            result.messages << failure;
    } catch (const AppError& e) {
        result.error = e.text();
    }
    result.strip = renderStrip(port_->takeBytes(), options_);
    result.items = tap.items;
    return result;
}

QImage composePreview(const StripPreviewResult& result, const VirtualPrinterOptions& options) {
    QImage picture = result.strip.convertToFormat(QImage::Format_RGB32);
    QPainter p(&picture);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor::fromRgb(kLabelOutline), 1));
    for (int c = 0; c < std::max(1, options.labelsAcross); ++c)
        p.drawRect(labelRect(c, options).adjusted(0, 0, -1, -1));
    p.setPen(QPen(QColor::fromRgb(kLeavesLabel), 1));
    for (const StripItem& item : result.items)
        if (leavesLabel(item, options) && !item.box.isEmpty())
            p.drawRect(item.box.adjusted(0, 0, -1, -1));
    return picture;
}

TStripPreview::TStripPreview(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("StripPreview"));
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    lblStrip = new QLabel(this);
    lblStrip->setObjectName(QStringLiteral("lblStrip"));
    lblStrip->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblFlags = new QLabel(this);
    lblFlags->setObjectName(QStringLiteral("lblFlags"));
    lblFlags->setStyleSheet(QStringLiteral("color: #c01818;"));
    lblFlags->setWordWrap(true);
    box->addWidget(lblStrip);
    box->addWidget(lblFlags);
}

void TStripPreview::display(const StripPreviewResult& result,
                            const VirtualPrinterOptions& options) {
    result_ = result;
    picture_ = composePreview(result, options);
    lblStrip->setPixmap(QPixmap::fromImage(picture_));
    flags_.clear();
    if (!result.error.isEmpty())
        flags_ << result.error;
    flags_ << result.messages;
    for (const StripItem& item : result.items)
        if (leavesLabel(item, options))
            flags_ << leavesLabelText(item, codePage_);
    lblFlags->setText(flags_.join(QLatin1Char('\n')));
}
