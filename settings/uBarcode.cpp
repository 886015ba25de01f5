#include "settings/uBarcode.h"

#include "core/Text.h"

LabelFont LabelFont::of(QString face, QString weightText) {
    LabelFont font{std::move(face), std::move(weightText), std::nullopt};
    font.weight = parseInt32(font.weightDigits());
    return font;
}
