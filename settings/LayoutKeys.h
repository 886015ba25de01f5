#pragma once

#include "settings/uBarcode.h"

#include <array>
#include <cstdint>

// The keys the layout is stored under in section mainBarcode. Stored files
// from every station depend on these spellings: load, both saves and the
// settings dialog take them from here.

// One of the 24 box values: its key, the label it belongs to, the box and
// the side, and the value a missing key gives.
struct BoxKey {
    const char* name;
    int column; // 0, 1, 2
    LabelBox LabelColumn::*box;
    int32_t LabelBox::*side;
    int32_t defaultValue;

    int32_t& of(TLabelLayout& layout) const { return layout.columns[size_t(column)].*box.*side; }
    int32_t of(const TLabelLayout& layout) const {
        return layout.columns[size_t(column)].*box.*side;
    }
};

// The 24 box values in the order they are loaded, saved and shown: barcode
// left, top, width, height of labels 1-3, then the same for the text.
extern const std::array<BoxKey, 24> kBoxKeys;

// The other keys of the layout.
namespace LayoutKey {
inline constexpr const char* ShopTitle = "_ShopTitle";
inline constexpr const char* FontFace = "_ftype_name";
inline constexpr const char* FontWeight = "_fBellow";
inline constexpr const char* Port = "_iprinter";
inline constexpr const char* PrintStyle = "_PrintStyle";
inline constexpr const char* PrintOption = "_PrintOption";
inline constexpr const char* PrintOption2 = "_PrintOption2";
inline constexpr const char* ShowPrintDialog = "_ShowPrintDialog";
} // namespace LayoutKey
