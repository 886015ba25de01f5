#pragma once

#include "db/Dialect.h"

#include <QElapsedTimer>
#include <QList>
#include <QSet>
#include <QSqlDatabase>
#include <QStringList>
#include <cstdint>
#include <memory>

class ExecQuery;

// The label records are this station's while it holds the claim: no other
// station claiming on the same database prints any of them. A station takes
// the claim before a strip (or a group of strips in flight) goes out,
// re-checks that its records are still unprinted, prints, marks and releases.
//
// On SQL Server the claim is an application lock owned by the session; it
// never stands in the way of other programs writing PrintLabel. On the
// embedded database it is SQLite's write lock (BEGIN IMMEDIATE ... COMMIT):
// other programs' writes wait while it is held, so it is held only for one
// strip or one group, and after each release the station leaves the database
// alone for a moment, so a program waiting to write gets in first.

// The application lock's name: one for all label records.
inline constexpr const char* kStripClaimResource = "Vornell.PrintLabel";

// The T-SQL lines that take the application lock, waiting up to timeoutMs
// for another station to release it; not getting it raises an error.
QStringList serverClaimLines(int timeoutMs);
// The T-SQL line that releases it.
QStringList serverReleaseLines();
// The statement that names which of ids are marked printed (PrintFlag 1);
// the same text in both dialects.
QStringList printedAmongLines(const QList<int64_t>& ids);

// The embedded database's statements.
inline constexpr const char* kEmbeddedClaim = "BEGIN IMMEDIATE";
inline constexpr const char* kEmbeddedCommit = "COMMIT";
inline constexpr const char* kEmbeddedRollback = "ROLLBACK";

// How long claims were held.
struct ClaimStats {
    int claims = 0;
    int64_t longestHoldUs = 0;
    int64_t totalHoldUs = 0;
};

class StripClaim {
public:
    // Statements go through qryEXEC (whose onExecute sees each of them, the
    // re-check included) on its connection db.
    StripClaim(ExecQuery& qryEXEC, QSqlDatabase db);
    virtual ~StripClaim() = default;
    StripClaim(const StripClaim&) = delete;
    StripClaim& operator=(const StripClaim&) = delete;

    // Takes the claim, waiting for another station to release it. Raises
    // AppError, in the interface language, when it stays taken.
    void claim();
    // Of ids, those already marked printed; only while the claim is held.
    QSet<int64_t> printedAmong(const QList<int64_t>& ids);
    // Gives the claim up. marked: records were marked under it, and those
    // marks are kept. Raises AppError when the marks cannot be kept.
    void release(bool marked);
    bool held() const { return held_; }
    const ClaimStats& stats() const { return stats_; }

    // The language of the texts it raises: 936 Chinese, anything else English.
    int32_t codePage = 437;

protected:
    virtual void take() = 0;
    virtual void give(bool marked) = 0;
    // Runs a statement without rows; raises AppError with the driver's text.
    virtual void run(const QStringList& lines);
    // Runs a statement and returns the first column of its rows.
    virtual QList<int64_t> column(const QStringList& lines);
    QString busyText(const QString& why) const;
    // How long the claim in hand has been held.
    int64_t heldUs() const { return since_.nsecsElapsed() / 1000; }

private:
    ExecQuery& exec_;
    QSqlDatabase db_;
    bool held_ = false;
    QElapsedTimer since_;
    ClaimStats stats_;
};

// SQL Server: sp_getapplock / sp_releaseapplock with the session as owner.
class ServerStripClaim : public StripClaim {
public:
    ServerStripClaim(ExecQuery& qryEXEC, QSqlDatabase db, int timeoutMs = 5000)
        : StripClaim(qryEXEC, std::move(db)), timeoutMs_(timeoutMs) {}

protected:
    void take() override;
    void give(bool marked) override;

private:
    int timeoutMs_;
};

// The embedded database: BEGIN IMMEDIATE, COMMIT when records were marked,
// ROLLBACK when none were (a strip that did not go out).
//
// SQLite lets a program waiting to write retry after 1, 2, 5, 10, 15, 20 and
// 25 ms, later only every 50 and every 100 ms. So that such a program gets in
// right after a claim, every release is followed by a quiet time in which no
// station claims: after a hold shorter than 100 ms 25 ms, shorter than 200 ms
// 55 ms, else 110 ms. The station that released waits that long plus 15 ms;
// a station that had to wait for the claim tries every 5 ms (never through
// SQLite's own waiting, which would take the lock the moment it is free),
// and on getting it lets it go at once and waits the quiet time itself, then
// takes it (it goes before the station that released). The connection's busy
// timeout is the longest a claim waits in all.
class EmbeddedStripClaim : public StripClaim {
public:
    struct Timing {
        int pollMs = 5;
        int releaserExtraMs = 15;
        int yields = 3; // quiet times one claim gives way for at most
    };
    EmbeddedStripClaim(ExecQuery& qryEXEC, QSqlDatabase db) : EmbeddedStripClaim(qryEXEC, db, {}) {}
    EmbeddedStripClaim(ExecQuery& qryEXEC, QSqlDatabase db, Timing timing)
        : StripClaim(qryEXEC, std::move(db)), timing_(timing) {}

    // The quiet time after the lock was held (or waited for) heldMs.
    static int quietMs(int64_t heldMs);

protected:
    void take() override;
    void give(bool marked) override;

private:
    // BEGIN IMMEDIATE without SQLite's waiting; false when another holds it.
    bool tryBegin();
    int busyTimeoutMs();
    void setBusyTimeout(int ms);

    Timing timing_;
    QElapsedTimer released_;
    int pauseMs_ = 0;
};

// The claim that suits the connection's database.
std::unique_ptr<StripClaim> stripClaimFor(ExecQuery& qryEXEC, const QSqlDatabase& db);
