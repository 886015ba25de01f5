#pragma once

#include <QString>
#include <array>
#include <cstdint>

// One slot of a strip: a record's Iden_id (0 for none, and for hand-typed
// texts) and its label text.
struct LabelSlot {
    int64_t id = 0;
    QString text;
};

// The three labels of one strip, left to right.
struct LabelRow {
    std::array<LabelSlot, 3> labels;

    static LabelRow ofTexts(const QString& a, const QString& b, const QString& c) {
        LabelRow row;
        row.labels[0].text = a;
        row.labels[1].text = b;
        row.labels[2].text = c;
        return row;
    }
};

// How every column of a strip is drawn: a barcode with its "SN:" line, or the
// label text alone.
enum class LabelFormat { Barcode, Text };
