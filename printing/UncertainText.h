#pragma once

#include "printing/LabelRow.h"

#include <QList>
#include <QString>

// A strip whose records were not marked because nobody knows whether its
// labels came out: the printer reported a fault, stopped answering or lost
// the connection while the strip was on its way. A person decides about it.
struct UncertainStrip {
    LabelRow row;
    QString reason; // in the operator's words
};

// The records of uncertain strips for the operator: "VA000001 (Iden_id 1),
// ..." or the texts of hand-typed strips.
QString uncertainRecords(const QList<UncertainStrip>& strips);

// A run's end text with the strips it left uncertain, if any: which records
// were not marked (or, for hand-typed strips, which labels) and why.
QString withUncertain(const QString& text, const QList<UncertainStrip>& uncertain, bool chinese);
