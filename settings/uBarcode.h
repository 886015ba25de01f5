#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// A box of one label, in printer dots: where its barcode or its text goes.
struct LabelBox {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;

    bool operator==(const LabelBox&) const = default;
};

// One label of a strip: its barcode and its text line.
struct LabelColumn {
    LabelBox barcode;
    LabelBox text;

    bool operator==(const LabelColumn&) const = default;
};

// The face and weight every text of a strip is drawn in. The weight text is
// kept as stored and shown ("400 standard"); its first three characters are
// read as a whole number once, when the text is set. A weight text that is
// no number stays as it is, so the strip can say so when it reaches a text.
struct LabelFont {
    QString face;
    QString weightText;
    std::optional<int32_t> weight;

    static LabelFont of(QString face, QString weightText);
    // The part of the weight text that is read as the weight.
    QString weightDigits() const { return weightText.left(3); }

    bool operator==(const LabelFont&) const = default;
};

// What the station keeps beside the layout itself.
struct PrintOptions {
    QString shopTitle;
    int32_t style = 0;
    int32_t option = 0;
    int32_t option2 = 0;
    bool showPrintDialog = false;

    bool operator==(const PrintOptions&) const = default;
};

// The label layout and printing options of the run: three labels across a
// strip, left to right. Box values are printer dots. The settings file keeps
// every value under its own key (settings/LayoutKeys.h).
struct TLabelLayout {
    std::array<LabelColumn, 3> columns;
    LabelFont font;
    // The port the strips go to: a name of settings/PortNames.h or any other
    // text, which opens the catch-all port.
    QString port;
    PrintOptions options;

    // The printer takes one module width for the whole strip: the first
    // label's. The widths of the other two are kept and edited all the same.
    int32_t barcodeWidth() const { return columns[0].barcode.width; }

    bool operator==(const TLabelLayout&) const = default;
};
