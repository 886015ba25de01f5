#pragma once

#include "settings/WindowGeometry.h"
#include "settings/uBarcode.h"

// The two saves of the settings file in the working directory. Each reads the
// file afresh, sets its keys in section mainBarcode and replaces the file
// atomically: a save either reaches the file whole or not at all, and every
// other key and section keeps its bytes.

// After the settings dialog's OK: _ShopTitle, the 24 box values, _ftype_name,
// _fBellow, _iprinter, _PrintStyle, _PrintOption, _PrintOption2,
// _ShowPrintDialog. The geometry is not written. Throws
// AppError("Unable to write to <path>") when the file cannot be replaced;
// the file then holds what it held before.
void saveSettingsDialog(const TLabelLayout& layout);

// After Yes to the exit question: top, left, height, width, the 24 box
// values, _ftype_name, _fBellow, _ShopTitle, _iprinter, _PrintOption,
// _PrintOption2, _ShowPrintDialog. _PrintStyle is left as the file has it.
// Never throws: a failure leaves the file as it was and returns false, and
// the program closes all the same.
bool saveSettingsExit(const TLabelLayout& layout, const WindowGeometry& geometry) noexcept;
