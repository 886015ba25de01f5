#pragma once

#include "core/Language.h"
#include "printing/LabelRow.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <optional>

struct TLabelLayout;

// What one strip holds, worked out from the layout, the format and the
// strip's labels without touching a printer: where each barcode and text
// goes, what it says, and which fields the printer would refuse.

// The darkness every strip is printed at.
inline constexpr int kStripDarkness = 12;

// The largest layout barcode width: the printer's widest bar is 24 dots and
// the job draws bars of two width units.
inline constexpr int MaxBarcodeWidth = 12;

// A Code 128 barcode: bars only, no human-readable line.
struct PlannedBarcode {
    int x = 0;
    int y = 0;
    int moduleWidth = 0; // the layout's barcode width, as the printer takes it
    int height = 0;
    QByteArray content; // characters 3 to 8 of the label text, UTF-8
};

// A line of text in a TrueType face, sent as the image imageName.
struct PlannedText {
    int x = 0;
    int y = 0;
    int height = 0;
    QByteArray font;
    // The weight; none when the layout's weight text is no number, which
    // stops the strip when it reaches this text.
    std::optional<int32_t> weight;
    QString weightDigits; // what was read as the weight, for the error
    const char* imageName = "";
    QByteArray text; // UTF-8
};

struct PlannedLabel {
    std::optional<PlannedBarcode> barcode; // none in the text format
    PlannedText text;
};

// A field of a strip that the printer would not print as laid out: a barcode
// wider or lower than it allows, a barcode content Code 128 cannot carry, a
// text the driver could only pass cut short. Such a strip is not sent at all.
struct RefusedField {
    int column = 0; // 0, 1, 2: left to right
    QString field;  // "barcode" or "text", whatever the language
    // In the language of the plan, e.g. "Barcode width 13 is wider than the
    // printer allows (12)"
    QString reason;
};

struct StripPlan {
    QString portName;
    int portNumber = 0; // settings/PortNames.h
    int darkness = kStripDarkness;
    LabelRow row;                  // the records the strip prints, for the operator's messages
    int32_t codePage = UICodePage; // the language of those messages
    std::array<PlannedLabel, 3> labels;
    // Every field the printer would refuse, left to right and in drawing
    // order; empty when the whole strip prints.
    QList<RefusedField> refused;
};

// The refusal reasons are Chinese under code page 936, English otherwise.
StripPlan planStrip(const TLabelLayout& layout, LabelFormat format, const LabelRow& row,
                    int32_t codePage = UICodePage);

// The barcode content of a label text: its characters 3 to 8.
QString barcodeContent(const QString& labelText);

// What the operator reads: the record (its Iden_id when it has one), the
// field and the reason, e.g. "Label QZ00中01 (Iden_id 17), barcode: Label text
// QZ00中01 holds characters a barcode cannot carry. Its strip was not printed."
// Chinese under code page 936 ("标签 QZ00中01（Iden_id 17）的条码：…。该标签条
// 未打印。"), the reason as the plan gave it.
QString refusalMessage(const LabelRow& row, const RefusedField& refused,
                       int32_t codePage = UICodePage);
