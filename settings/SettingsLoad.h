#pragma once

#include "settings/WindowGeometry.h"
#include "settings/uBarcode.h"

#include <QString>

// What the operator must hear about a settings load.
struct SettingsLoadResult {
    // The conversion error of the first malformed whole-number value, such as
    // "'abc' is not a valid integer value" (the error report adds the full
    // stop); empty when every value was good.
    QString errorText;

    bool hasError() const { return !errorText.isEmpty(); }
};

class IniFile;

// Loads the layout and the window geometry from the settings file in the
// working directory. Every field of the layout is set: from the file, or
// from its default when the file, the section or the key is missing. The
// geometry keys default to the values geometry holds on entry (the window's
// current bounds).
//
// A malformed whole number (the four bounds and the 24 box values; an empty
// value counts as malformed) takes its default and the load goes on, so one
// bad value never costs the others; the first such value is named in the
// result for the window to show once. The print numbers read 0 when
// malformed, without a word.
SettingsLoadResult loadSettings(TLabelLayout& layout, WindowGeometry& geometry);

// The same from a file already read.
SettingsLoadResult loadSettings(const IniFile& ini, TLabelLayout& layout, WindowGeometry& geometry);
