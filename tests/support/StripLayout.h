#pragma once

#include "settings/uBarcode.h"

// A layout whose three columns each sit on their own label of the strip
// (30 mm at 203 dpi is 240 dots), the barcode under its "SN:" line.
inline TLabelLayout stripLayout() {
    TLabelLayout l;
    l._bleft1 = 30, l._bleft2 = 270, l._bleft3 = 510;
    l._btop1 = l._btop2 = l._btop3 = 30;
    l._bwidth1 = 1;
    l._bhight1 = l._bhight2 = l._bhight3 = 30;
    l._fleft1 = 30, l._fleft2 = 270, l._fleft3 = 510;
    l._ftop1 = l._ftop2 = l._ftop3 = 18;
    l._fhight1 = l._fhight2 = l._fhight3 = 30;
    l._ftype_name = "Liberation Serif";
    l._fBellow = "400 standard";
    l._iprinter = "USB1";
    return l;
}
