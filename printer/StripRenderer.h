#pragma once

#include "printer/PplaDecoder.h"

#include <QByteArray>
#include <QImage>
#include <QList>

// How the virtual printer's pictures look: one pixel per printer dot.
struct VirtualPrinterOptions {
    int dpi = 203;
    int stripWidthDots = 720; // three labels of 30 mm
    int labelHeightDots = 80; // 10 mm
    int labelsAcross = 3;     // labels of the strip, their edges drawn light grey
    bool drawLabelEdges = true;
};

// The picture of one decoded label format (a printed strip): white paper,
// barcodes drawn with libzint from the content their field carries, images as
// downloaded. Problems (an unknown image, a field the bars cannot carry) are
// added to *warnings.
QImage renderLabel(const DecodedLabel& label, const VirtualPrinterOptions& options = {},
                   QStringList* warnings = nullptr);

// The first strip printed by the PPLA bytes, e.g. those a MemoryPort captured
// from PplaPrinter; a blank strip when they print none. For live previews.
QImage renderStrip(const QByteArray& ppla, const VirtualPrinterOptions& options = {});

// Every strip the bytes print, in order.
QList<QImage> renderStrips(const QByteArray& ppla, const VirtualPrinterOptions& options = {});

// The modules of a Code 128 symbol for content as libzint encodes it, true for
// a bar; empty with *error when libzint refuses the content.
QList<bool> code128Modules(const QByteArray& content, QString* error = nullptr);
