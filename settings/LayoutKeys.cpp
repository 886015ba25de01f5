#include "settings/LayoutKeys.h"

namespace {
using C = LabelColumn;
using B = LabelBox;
} // namespace

const std::array<BoxKey, 24> kBoxKeys = {{
    {"_bleft1", 0, &C::barcode, &B::left, 30},    {"_bleft2", 1, &C::barcode, &B::left, 240},
    {"_bleft3", 2, &C::barcode, &B::left, 240},   {"_btop1", 0, &C::barcode, &B::top, 30},
    {"_btop2", 1, &C::barcode, &B::top, 30},      {"_btop3", 2, &C::barcode, &B::top, 30},
    {"_bwidth1", 0, &C::barcode, &B::width, 1},   {"_bwidth2", 1, &C::barcode, &B::width, 1},
    {"_bwidth3", 2, &C::barcode, &B::width, 1},   {"_bhight1", 0, &C::barcode, &B::height, 30},
    {"_bhight2", 1, &C::barcode, &B::height, 30}, {"_bhight3", 2, &C::barcode, &B::height, 30},
    {"_fleft1", 0, &C::text, &B::left, 30},       {"_fleft2", 1, &C::text, &B::left, 240},
    {"_fleft3", 2, &C::text, &B::left, 240},      {"_ftop1", 0, &C::text, &B::top, 18},
    {"_ftop2", 1, &C::text, &B::top, 18},         {"_ftop3", 2, &C::text, &B::top, 18},
    {"_fwidth1", 0, &C::text, &B::width, 1},      {"_fwidth2", 1, &C::text, &B::width, 1},
    {"_fwidth3", 2, &C::text, &B::width, 1},      {"_fhight1", 0, &C::text, &B::height, 30},
    {"_fhight2", 1, &C::text, &B::height, 30},    {"_fhight3", 2, &C::text, &B::height, 30},
}};
