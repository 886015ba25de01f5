#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// What a soak run found, from the database, the journal and the virtual
// printer's output, and whether the station held up.

// The labels the writer inserted (Iden_id by label text), what the printer
// printed (how often each label text came out), what the database marks
// printed, what the journal holds for a person to decide, and the station's
// memory.
struct SoakObservations {
    QHash<QString, qint64> inserted; // label text -> Iden_id
    QHash<QString, int> printed;     // label text -> times printed
    QSet<qint64> marked;
    QSet<qint64> held;
    qint64 rssAfterFirstMinuteKb = 0;
    qint64 rssPeakLaterKb = 0; // the highest sample after the first minute
    qint64 rssEndKb = 0;
};

struct SoakFigures {
    int labelsInserted = 0;
    int labelsPrinted = 0;       // printed at least once
    int stripsLabelsPrinted = 0; // every label that came out, repeats included
    int marked = 0;
    int held = 0;
    int leftUnprinted = 0;      // inserted, never printed, neither marked nor held
    QList<qint64> duplicates;   // printed more than once
    QList<qint64> lost;         // printed, neither marked nor held
    QList<qint64> notPrinted;   // marked, never printed
    QStringList unknownPrinted; // printed texts the writer never inserted
    bool memoryFlat = false;
    double memoryGrowthPercent = 0;

    // The checks that failed, one line each; empty when the run passed.
    QStringList failures() const;
};

// Memory counts as flat when the peak after the first minute is within
// limitPercent of the value after the first minute.
SoakFigures tallySoak(const SoakObservations& o, double limitPercent = 10);

// "1, 2, 3" for at most max ids, then "... (N in all)".
QString idList(const QList<qint64>& ids, int max = 50);

// The label text a barcode of the station's Barcode format carries for the
// writer's labels: characters 3-8 of "SK" + six digits.
QString soakLabelText(int serial);
QString labelTextOfBarcode(const QByteArray& carried);

// The Iden_ids the station's log names as held for a person to decide or as
// not known to have come out ("... (Iden_id 7), ..." on such a line).
QSet<qint64> heldIdsInLog(const QString& logText);
