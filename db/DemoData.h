#pragma once

#include <QSqlDatabase>

// Adds count unprinted 30X10 label records created today, their label texts
// a chip type's head flag followed by six hexadecimal digits, continuing the
// serial numbers of the active 30X10 chip types in turn. A database without
// any chip type first gets a few made-up ones (head flags VA, VB, VC). Raises
// AppError on failure; nothing is added then.
void addDemoLabels(QSqlDatabase& db, int count);
