#pragma once

#include "printing/LabelRow.h"

#include <QString>
#include <vector>

// The hand-typed list with every accepted separator turned into a comma:
// full-width comma, CR LF, LF CR, CR, LF, ";", full-width semicolon, "\" and
// "/", replaced in this order.
QString normaliseManualList(const QString& text);

// The strips a hand-typed list prints: the items between commas, unchanged
// (blanks and empty items included), three per strip. A trailing separator
// adds no strip; the whole list is printed, however long.
std::vector<LabelRow> manualListStrips(const QString& text);
