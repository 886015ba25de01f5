#pragma once

#include "db/Dialect.h"

#include <QDate>
#include <QString>
#include <QStringList>

// The filters of the label query, as the main window holds them.
struct LabelFilter {
    QString amountText;  // greatest number of records; empty or invalid: 10000
    QString labelSize;   // "30X10"
    QDate createdFrom;   // earliest creation date
    bool toPrint = true; // unprinted records, otherwise printed ones
    QString labelLike;   // label text filter, untrimmed
    int codePage = 437;  // counts the filter's length in ANSI bytes
};

// The number of records the query asks for: the trimmed count when it is a
// whole number above 0, otherwise 10000.
int labelQueryCount(const QString& amountText);

// The statement, one line per entry.
QStringList labelQueryLines(const LabelFilter& filter, Dialect dialect);
