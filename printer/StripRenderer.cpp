#include "printer/StripRenderer.h"

#include "printer/PplaConstants.h"

#include <QFont>
#include <QPainter>

#include <zint.h>

#include <memory>

QList<bool> code128Modules(const QByteArray& content, QString* error) {
    std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)> sym(ZBarcode_Create(),
                                                                 &ZBarcode_Delete);
    sym->symbology = BARCODE_CODE128;
    sym->input_mode = DATA_MODE;
    sym->show_hrt = 0;
    sym->whitespace_width = 0;
    sym->border_width = 0;
    sym->height = 1;
    sym->scale = 0.5f; // one bitmap pixel per module
    const int rc = ZBarcode_Encode_and_Buffer(
        sym.get(), reinterpret_cast<const unsigned char*>(content.constData()),
        static_cast<int>(content.size()), 0);
    if (rc >= ZINT_ERROR) {
        if (error)
            *error = QString::fromLatin1(sym->errtxt);
        return {};
    }
    QList<bool> modules;
    const int width = sym->bitmap_width;
    modules.reserve(width);
    for (int x = 0; x < width; ++x)
        modules.append(sym->bitmap[x * 3] < 128); // RGB, row 0
    // The bitmap is one pixel per module at this scale; anything else would be
    // a change in libzint that the module count below makes visible.
    if (width != sym->width) {
        if (error)
            *error =
                QStringLiteral("libzint drew %1 pixels for %2 modules").arg(width).arg(sym->width);
        return {};
    }
    return modules;
}

namespace {

void drawBarcode(QImage& img, const DecodedBarcode& b, int unitsPerInch, int dpi, int labelH,
                 QStringList* warnings) {
    auto warn = [&](const QString& w) {
        if (warnings)
            warnings->append(w);
    };
    if (b.rotation != 1) {
        warn(QStringLiteral("barcode rotation %1 not drawn").arg(b.rotation));
        return;
    }
    if (b.type != 'e' && b.type != 'E') {
        warn(QStringLiteral("barcode symbology %1 not drawn").arg(QChar::fromLatin1(b.type)));
        return;
    }
    QString why;
    const auto content = decodeCode128Field(b.field, &why);
    if (!content) {
        warn(QStringLiteral("barcode field %1: %2").arg(QString::fromLatin1(b.field), why));
        return;
    }
    const QList<bool> modules = code128Modules(*content, &why);
    if (modules.isEmpty()) {
        warn(QStringLiteral("barcode %1: %2").arg(QString::fromLatin1(*content), why));
        return;
    }
    const int module = std::max(1, b.narrow);
    const int x0 = Ppla::unitsToDots(b.colUnits, dpi, unitsPerInch);
    const int h = Ppla::unitsToDots(b.heightUnits, dpi, unitsPerInch);
    const int bottom = labelH - Ppla::unitsToDots(b.rowUnits, dpi, unitsPerInch);
    const int top = bottom - h;
    for (int m = 0; m < modules.size(); ++m) {
        if (!modules[m])
            continue;
        for (int y = std::max(top, 0); y < std::min(bottom, img.height()); ++y) {
            uchar* row = img.scanLine(y);
            for (int x = x0 + m * module; x < x0 + (m + 1) * module; ++x)
                if (x >= 0 && x < img.width())
                    row[x] = 0;
        }
    }
    if (b.type == 'E') {
        // The printer's own text line under the bars.
        QPainter p(&img);
        QFont f(QStringLiteral("Liberation Mono"));
        f.setPixelSize(std::max(8, h / 3));
        p.setFont(f);
        p.setPen(Qt::black);
        p.drawText(QRect(x0, bottom, modules.size() * module, f.pixelSize() + 4),
                   Qt::AlignHCenter | Qt::AlignTop, QString::fromLatin1(*content));
    }
}

void drawImage(QImage& img, const DecodedImage& im, int unitsPerInch, int dpi, int labelH) {
    const MonoBitmap& bmp = im.bitmap;
    const int x0 = Ppla::unitsToDots(im.colUnits, dpi, unitsPerInch);
    const int top = labelH - Ppla::unitsToDots(im.rowUnits, dpi, unitsPerInch) - bmp.height;
    for (int y = 0; y < bmp.height; ++y) {
        const int py = top + y;
        if (py < 0 || py >= img.height())
            continue;
        uchar* row = img.scanLine(py);
        for (int x = 0; x < bmp.width; ++x) {
            const int px = x0 + x;
            if (px >= 0 && px < img.width() && bmp.pixel(x, y))
                row[px] = 0;
        }
    }
}

QImage blankStrip(const VirtualPrinterOptions& o) {
    QImage img(std::max(1, o.stripWidthDots), std::max(1, o.labelHeightDots),
               QImage::Format_Grayscale8);
    img.fill(255);
    if (o.drawLabelEdges && o.labelsAcross > 1) {
        for (int k = 1; k < o.labelsAcross; ++k) {
            const int x = o.stripWidthDots * k / o.labelsAcross;
            for (int y = 0; y < img.height(); y += 2)
                img.scanLine(y)[x] = 220;
        }
    }
    return img;
}

} // namespace

QImage renderLabel(const DecodedLabel& label, const VirtualPrinterOptions& o,
                   QStringList* warnings) {
    QImage img = blankStrip(o);
    for (const DecodedBarcode& b : label.barcodes)
        drawBarcode(img, b, label.unitsPerInch, o.dpi, o.labelHeightDots, warnings);
    for (const DecodedImage& im : label.images) {
        if (im.bitmap.isEmpty()) {
            if (warnings)
                warnings->append(
                    QStringLiteral("image %1 unknown").arg(QString::fromLatin1(im.name)));
            continue;
        }
        drawImage(img, im, label.unitsPerInch, o.dpi, o.labelHeightDots);
    }
    return img;
}

QList<QImage> renderStrips(const QByteArray& ppla, const VirtualPrinterOptions& options) {
    PplaDecoder decoder;
    decoder.feed(ppla);
    decoder.finish();
    QList<QImage> out;
    for (const DecodedLabel& l : decoder.takeLabels())
        out.append(renderLabel(l, options));
    return out;
}

QImage renderStrip(const QByteArray& ppla, const VirtualPrinterOptions& options) {
    const QList<QImage> strips = renderStrips(ppla, options);
    return strips.isEmpty() ? blankStrip(options) : strips.first();
}
