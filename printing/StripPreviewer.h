#pragma once

#include "printer/Port.h"
#include "printer/PplaPrinter.h"
#include "printer/StripRenderer.h"
#include "printing/LabelRow.h"
#include "settings/uBarcode.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QStringList>

#include <memory>

struct StripPlan;

// The strip the settings dialog previews: printed through the real driver
// into memory and drawn by the virtual printer, with where each barcode and
// text was meant to go.

// What the preview prints: the three label texts of its strip and the format
// the main window has chosen.
struct PreviewSamples {
    LabelRow row;
    LabelFormat format = LabelFormat::Barcode;
};

// Three serials in the shape of real label texts, for a strip without records.
QStringList sampleSerials();

// The strip of the preview: column i takes listTexts[i] (the label texts of
// the first records of the open list) and, where the list has no record for
// it, sample serial i.
LabelRow sampleRow(const QStringList& listTexts);

// Where label `column` (0, 1, 2) of the strip lies, in printer dots.
QRect labelRect(int column, const VirtualPrinterOptions& options);

// One barcode or text the print job drew, with the box its ink was meant to
// take on the strip (before the printer cuts anything off), in dots, as the
// driver reports it (PplaPrinter::drawnItems).
struct StripItem {
    enum Kind { Barcode, Text };
    Kind kind = Barcode;
    int column = 0;
    QRect box;
    // Why the driver refused to draw it; empty when it was drawn.
    QString refused;
};

// True when the item's box is not wholly inside its own label, or the driver
// refused it: what the operator set will not print as set.
bool leavesLabel(const StripItem& item, const VirtualPrinterOptions& options);

struct StripPreviewResult {
    QImage strip;           // the strip as the virtual printer draws it
    QList<StripItem> items; // what was drawn, in the order of the calls
    QStringList messages;   // what the job told the operator, if anything
    QString error;          // an error that ended the job (nothing printed)
};

// Prints one strip of the layout through the real driver into memory and
// renders the bytes with the virtual printer; the items are the driver's.
// A refused field does not stop the strip here: the rest is drawn. The port name of the layout
// plays no part: the preview always writes to memory. Keeps the driver (and
// its text cache) between strips.
class StripPreviewer {
public:
    explicit StripPreviewer(VirtualPrinterOptions options = {});
    StripPreviewResult render(const TLabelLayout& layout, const PreviewSamples& samples);
    // The same for a strip already planned (the history draws the plan it
    // journaled).
    StripPreviewResult render(StripPlan plan);
    const VirtualPrinterOptions& options() const { return options_; }

private:
    VirtualPrinterOptions options_;
    std::shared_ptr<MemoryPort> port_;
    PplaPrinter printer_;
};
