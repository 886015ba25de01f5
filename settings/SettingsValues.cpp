#include "settings/SettingsValues.h"

#include "app/Text.h"

std::optional<int32_t> parseWholeNumber(const QString& text) {
    return parseInt32(text);
}

int32_t parseLenientNumber(const QString& text) {
    return parseWholeNumber(text).value_or(0);
}

bool parseFlag(const QString& text) {
    return trimBlanks(text) == QLatin1String("1");
}

QString flagText(bool value) {
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

const std::array<BoxKey, 24> kBoxKeys = {{
    {"_bleft1", &TLabelLayout::_bleft1, 30},   {"_bleft2", &TLabelLayout::_bleft2, 240},
    {"_bleft3", &TLabelLayout::_bleft3, 240},  {"_btop1", &TLabelLayout::_btop1, 30},
    {"_btop2", &TLabelLayout::_btop2, 30},     {"_btop3", &TLabelLayout::_btop3, 30},
    {"_bwidth1", &TLabelLayout::_bwidth1, 1},  {"_bwidth2", &TLabelLayout::_bwidth2, 1},
    {"_bwidth3", &TLabelLayout::_bwidth3, 1},  {"_bhight1", &TLabelLayout::_bhight1, 30},
    {"_bhight2", &TLabelLayout::_bhight2, 30}, {"_bhight3", &TLabelLayout::_bhight3, 30},
    {"_fleft1", &TLabelLayout::_fleft1, 30},   {"_fleft2", &TLabelLayout::_fleft2, 240},
    {"_fleft3", &TLabelLayout::_fleft3, 240},  {"_ftop1", &TLabelLayout::_ftop1, 18},
    {"_ftop2", &TLabelLayout::_ftop2, 18},     {"_ftop3", &TLabelLayout::_ftop3, 18},
    {"_fwidth1", &TLabelLayout::_fwidth1, 1},  {"_fwidth2", &TLabelLayout::_fwidth2, 1},
    {"_fwidth3", &TLabelLayout::_fwidth3, 1},  {"_fhight1", &TLabelLayout::_fhight1, 30},
    {"_fhight2", &TLabelLayout::_fhight2, 30}, {"_fhight3", &TLabelLayout::_fhight3, 30},
}};
