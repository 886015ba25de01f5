#pragma once

#include "printing/LabelRow.h"

class PplaApi;
class Prompts;
struct TLabelLayout;

// The port number a port name chooses: "USB1".."USB6" give 1..6, "USBX"
// gives 12 (the USB search), any other text 0. Compared exactly.
int portNumber(const QString& printerName);

// The barcode content of a label text: its characters 3 to 8.
QString barcodeContent(const QString& labelText);

// The font weight: the first three characters of the weight text as a whole
// number; raises AppError("'%s' is not a valid integer value") otherwise.
int fontWeight(const QString& weightText);

// Prints one strip: opens the layout's port, draws the three columns at the
// layout's positions, prints, then feeds twice and closes the port however
// the job ends. Returns true only when the strip reached the printer. When
// the port cannot be opened ("Open USB fail!") or the printer does not take
// the strip (a message naming the port and the reason), the operator has
// been told and the result is false. An error while drawing (a weight that
// is no number) propagates after the feed and close.
bool PrintLabelRowJob(const LabelRow& row, const TLabelLayout& layout, LabelFormat format,
                      PplaApi& ppla, Prompts& prompts);
