#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

class ExecQuery;

// Claims of label records, kept in the label database itself so that every
// station sees them: one row of VornellClaim per record a station has taken
// for a strip. A record with a claim is printed by nobody else, whatever the
// claim's state:
//   claimed  a station took it for a strip it is printing now
//   held     nobody knows whether its label came out (a printer fault, a
//            station that stopped with the strip in flight, a mark that
//            failed): it waits for a person's decision, at any station
// A station claims a strip's records with one short statement before the
// strip's first byte; no lock is held while it prints. Once the printer
// stands behind the strip, the marks and the release are one transaction;
// a strip that never went out gives its records back.
//
// PrintLabel is left exactly as the plant's other programs know it.

inline constexpr const char* kClaimTable = "VornellClaim";

struct ClaimedRecord {
    int64_t id = 0;
    QString station;
    QString state; // "claimed" or "held"
    QDateTime since;
    QString strip; // the claim's key, one per strip
    QString reason;
    QString labelText;
};

// What one claim statement found for the records it was given.
struct ClaimOutcome {
    QList<int64_t> claimed;            // now this strip's, in the order given
    QList<int64_t> printed;            // marked printed already
    QHash<int64_t, QString> elsewhere; // claimed or held by another strip: its station
};

class RecordClaims {
public:
    // Statements go through qryEXEC (its onExecute sees them) on db.
    RecordClaims(ExecQuery& qryEXEC, QSqlDatabase db, QString station);

    const QString& station() const { return station_; }

    // Claims those of ids that are unprinted and claimed by nobody for the
    // strip with the key strip. Raises AppError, naming the table when it
    // is missing.
    ClaimOutcome take(const QList<int64_t>& ids, const QString& strip);
    // The strip came out: its records marked printed with the server's time
    // and its claims released, in one transaction, tried three times before
    // it gives up. Raises AppError (the claims are then kept).
    void markAndRelease(const QList<int64_t>& ids, const QString& strip);
    // Nothing of the strip went out: its records are free again.
    void release(const QList<int64_t>& ids, const QString& strip);
    // Nobody knows whether the strip came out: held for a person.
    void hold(const QList<int64_t>& ids, const QString& strip, const QString& reason);
    // This station's claims left from before (it stopped with strips in
    // flight) become held.
    void holdLeftovers(const QString& reason);
    // Every claim of the database, any station's, oldest first.
    QList<ClaimedRecord> all();
    // A person's decision on held records: marked printed (in the same
    // transaction as the release) or given back to be printed again. A
    // record a station has claimed for a strip in flight raises AppError
    // naming that station, and nothing is decided.
    void decide(const QList<int64_t>& ids, bool markPrinted);

    // A new strip's key.
    static QString newStripKey();

private:
    void run(const QStringList& lines, const QVariantList& bindings = {});
    // A SELECT traced as qryEXEC's statements are; a failure raises through
    // failed().
    QSqlQuery select(const QString& statement);
    void inTransaction(const std::function<void()>& body);
    void mark(const QList<int64_t>& ids);
    void markAndReleaseOnce(const QList<int64_t>& ids, const QString& strip);
    [[noreturn]] void failed(const QString& why);

    ExecQuery& exec_;
    QSqlDatabase db_;
    QString station_;
    bool tsql_;
};

// The station's name in claims and messages: VORNELL_STATION, else the host
// name and the working directory ("line3:/var/lib/vornell").
QString stationName(const QString& fromEnvironment);
