#pragma once

#include "settings/uBarcode.h"

// A layout whose three columns each sit on their own label of the strip
// (30 mm at 203 dpi is 240 dots), the barcode under its "SN:" line.
inline TLabelLayout stripLayout() {
    TLabelLayout l;
    const int32_t lefts[] = {30, 270, 510};
    for (size_t c = 0; c < 3; ++c) {
        l.columns[c].barcode = {lefts[c], 30, c == 0 ? 1 : 0, 30};
        l.columns[c].text = {lefts[c], 18, 0, 30};
    }
    l.font = LabelFont::of("Liberation Serif", "400 standard");
    l.port = "USB1";
    return l;
}
