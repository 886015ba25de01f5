#pragma once

#include <QSqlDatabase>

// Adds count unprinted 30X10 label records created today, their label texts
// a chip type's head flag followed by six hexadecimal digits, continuing the
// chip type's serial numbers. Raises AppError on failure.
void addDemoLabels(QSqlDatabase& db, int count);
