#pragma once

#include <QHash>
#include <QSet>
#include <QString>

// The embedded database side of a soak run: the writer and the locker run as
// programs of their own (the soak program started again with "writer" or
// "locker"), on their own SQLite connections, as another program at the
// plant would.

// Makes an empty embedded database with the station's schema.
void createSoakDatabase(const QString& path);

// Inserts one unprinted 30X10 label a 1/ratePerSecond, created now, with the
// text "SK" + six digits counting from firstSerial, each in its own
// transaction with a 10 s busy timeout, for seconds. Prints "writer: inserted
// N, errors E" and the first error's text; returns 0.
int runWriter(const QString& path, double seconds, double ratePerSecond, int firstSerial);

// Every gapMinMs to gapMaxMs takes BEGIN EXCLUSIVE on the database and holds
// it 1 to 5 s, for seconds. Prints "locker: N locks, S s held, errors E";
// returns 0.
int runLocker(const QString& path, double seconds, unsigned seed, int gapMinMs, int gapMaxMs);

// What the database holds at the end: the writer's labels by text, and the
// Iden_ids marked printed.
struct SoakDatabaseState {
    QHash<QString, qint64> labels;
    QSet<qint64> marked;
};
SoakDatabaseState readSoakDatabase(const QString& path);
