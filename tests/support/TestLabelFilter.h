#pragma once

#include "db/LabelQuery.h"

#include <QDate>

// The filter of the main window's query as the tests set it: 30X10 labels
// created from 9 December 2026 on.
inline LabelFilter testLabelFilter(const QString& amount, bool toPrint, const QString& like,
                                   int codePage = 437) {
    LabelFilter f;
    f.amountText = amount;
    f.labelSize = QStringLiteral("30X10");
    f.createdFrom = QDate(2026, 12, 9);
    f.toPrint = toPrint;
    f.labelLike = like;
    f.codePage = codePage;
    return f;
}
