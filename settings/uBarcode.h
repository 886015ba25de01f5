#pragma once

#include <QString>
#include <cstdint>

// The label layout and printing options of the run. Box values are printer
// dots; column 1, 2, 3 is the first, second and third label of a strip.
// Every field is stored in the settings file under the key of its own name.
struct TLabelLayout {
    int32_t _bleft1 = 0, _bleft2 = 0, _bleft3 = 0;
    int32_t _btop1 = 0, _btop2 = 0, _btop3 = 0;
    int32_t _bwidth1 = 0, _bwidth2 = 0, _bwidth3 = 0;
    int32_t _bhight1 = 0, _bhight2 = 0, _bhight3 = 0;
    int32_t _fleft1 = 0, _fleft2 = 0, _fleft3 = 0;
    int32_t _ftop1 = 0, _ftop2 = 0, _ftop3 = 0;
    int32_t _fwidth1 = 0, _fwidth2 = 0, _fwidth3 = 0;
    int32_t _fhight1 = 0, _fhight2 = 0, _fhight3 = 0;
    QString _ftype_name;
    QString _fBellow;
    QString _ShopTitle;
    QString _iprinter;
    int32_t _PrintStyle = 0;
    int32_t _PrintOption = 0;
    int32_t _PrintOption2 = 0;
    bool _ShowPrintDialog = false;

    bool operator==(const TLabelLayout&) const = default;
};

// The one layout shared by the whole run: filled by the settings load,
// changed only by the settings dialog's OK, read by printing.
extern TLabelLayout LabelLayout;
