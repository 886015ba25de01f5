#pragma once

#include "printing/LabelRow.h"

#include <QString>
#include <optional>

struct TLabelLayout;

// A field of a strip that the printer would not print as laid out: a barcode
// wider or lower than it allows, a barcode content Code 128 cannot carry, a
// text the driver could only pass cut short. Such a strip is not sent at all.
struct RefusedField {
    int column = 0; // 0, 1, 2: left to right
    QString field;  // "barcode" or "text"
    QString reason; // e.g. "Barcode width 13 is wider than the printer allows (12)"
};

// The largest layout barcode width: the printer's widest bar is 24 dots and
// the job draws bars of two width units.
inline constexpr int MaxBarcodeWidth = 12;

// The first field of the strip the printer would refuse, left to right and in
// drawing order; nothing when every field prints.
std::optional<RefusedField> refusedField(const LabelRow& row, const TLabelLayout& layout,
                                         LabelFormat format);

// What the operator reads: the record (its Iden_id when it has one), the
// field and the reason, e.g. "Label QZ00中01 (Iden_id 17), barcode: Label text
// QZ00中01 holds characters a barcode cannot carry. Its strip was not printed."
QString refusalMessage(const LabelRow& row, const RefusedField& refused);
