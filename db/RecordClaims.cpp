#include "db/RecordClaims.h"

#include "core/AppError.h"
#include "core/DataModule.h"
#include "db/Dialect.h"
#include "db/MarkStatement.h"

#include <QDir>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QThread>
#include <QUuid>

namespace {

QString idList(const QList<int64_t>& ids) {
    QStringList out;
    for (int64_t id : ids)
        out << QString::number(id);
    return out.join(QLatin1Char(','));
}

constexpr int kStationLength = 200;
constexpr int kReasonLength = 400;
constexpr int kMarkAttempts = 3; // with the busy timeout, some 15 s in all

} // namespace

RecordClaims::RecordClaims(ExecQuery& qryEXEC, QSqlDatabase db, QString station)
    : exec_(qryEXEC), db_(std::move(db)), station_(std::move(station).left(kStationLength)),
      tsql_(dialectOf(db_) == Dialect::TSql) {}

QString RecordClaims::newStripKey() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

void RecordClaims::run(const QStringList& lines, const QVariantList& bindings) {
    exec_.run(lines, bindings);
}

QSqlQuery RecordClaims::select(const QString& statement) {
    if (exec_.onExecute)
        exec_.onExecute(statement);
    QSqlQuery q = forwardOnlyQuery(db_);
    if (!q.exec(statement))
        failed(sqlErrorText(q.lastError()));
    return q;
}

void RecordClaims::failed(const QString& why) {
    // A table that is not there gets a message a DBA can act on.
    bool missing = false;
    QSqlQuery q = forwardOnlyQuery(db_);
    if (tsql_)
        missing = q.exec(QStringLiteral("SELECT OBJECT_ID(N'dbo.VornellClaim', N'U')")) &&
                  q.next() && q.value(0).isNull();
    else
        missing = q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE "
                                        "type='table' AND name='VornellClaim'")) &&
                  q.next() && q.value(0).toInt() == 0;
    if (missing)
        throw AppError(QStringLiteral("The label database has no table VornellClaim, in which "
                                      "stations keep off each other's records; a DBA creates "
                                      "it with db/mssql/vornell-schema.sql. Nothing was printed."));
    throw AppError(QStringLiteral("The label records of the next strip could not be claimed in "
                                  "the label database (%1); the strip was not printed.")
                       .arg(why));
}

void RecordClaims::inTransaction(const std::function<void()>& body) {
    run({tsql_ ? QStringLiteral("BEGIN TRANSACTION") : QStringLiteral("BEGIN IMMEDIATE")});
    try {
        body();
        run({tsql_ ? QStringLiteral("COMMIT TRANSACTION") : QStringLiteral("COMMIT")});
    } catch (const AppError&) {
        try {
            run({tsql_ ? QStringLiteral("IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION")
                       : QStringLiteral("ROLLBACK")});
        } catch (const AppError&) {
            // The connection is gone, and its transaction with it.
        }
        throw;
    }
}

ClaimOutcome RecordClaims::take(const QList<int64_t>& ids, const QString& strip) {
    ClaimOutcome out;
    if (ids.isEmpty())
        return out;
    const QString list = idList(ids);
    const QStringList claim = {
        QStringLiteral("INSERT INTO VornellClaim (Iden_id, Station, State, Since, Strip) "),
        QStringLiteral("SELECT Iden_id, ?, 'claimed', getdate(), ? FROM PrintLabel "),
        QStringLiteral("WHERE Iden_id in (%1) AND %2(PrintFlag,0)=0 ")
            .arg(list, tsql_ ? QStringLiteral("isnull") : QStringLiteral("ifnull")),
        QStringLiteral("AND Iden_id NOT IN (SELECT Iden_id FROM VornellClaim) ")};
    try {
        run(claim, {station_, strip});
    } catch (const AppError& e) {
        // Two stations claiming one record at the same moment: one of them
        // is refused by the key. Once more sees the other's claim.
        try {
            run(claim, {station_, strip});
        } catch (const AppError&) {
            failed(e.text());
        }
    }
    const QString check =
        QStringLiteral("SELECT p.Iden_id, %1(p.PrintFlag,0), c.Strip, c.Station FROM PrintLabel p "
                       "LEFT JOIN VornellClaim c ON c.Iden_id = p.Iden_id WHERE p.Iden_id in (%2)");
    QSqlQuery q =
        select(check.arg(tsql_ ? QStringLiteral("isnull") : QStringLiteral("ifnull"), list));
    QHash<int64_t, int> flag;
    QHash<int64_t, QString> claimStrip, claimStation;
    while (q.next()) {
        const int64_t id = q.value(0).toLongLong();
        flag.insert(id, q.value(1).toInt());
        if (!q.value(2).isNull()) {
            claimStrip.insert(id, q.value(2).toString());
            claimStation.insert(id, q.value(3).toString());
        }
    }
    for (int64_t id : ids) {
        if (claimStrip.value(id) == strip)
            out.claimed << id;
        else if (claimStrip.contains(id))
            out.elsewhere.insert(id, claimStation.value(id));
        else if (flag.value(id) == 1)
            out.printed << id;
    }
    return out;
}

void RecordClaims::mark(const QList<int64_t>& ids) {
    // The marking statement of a strip, three records at a time.
    for (qsizetype i = 0; i < ids.size(); i += 3) {
        std::array<int64_t, 3> three{0, 0, 0};
        for (qsizetype j = 0; j < 3 && i + j < ids.size(); ++j)
            three[size_t(j)] = ids[i + j];
        run(printMarkingLines(three));
    }
}

void RecordClaims::markAndRelease(const QList<int64_t>& ids, const QString& strip) {
    if (ids.isEmpty())
        return;
    // Another program may hold the database longer than one busy timeout:
    // the labels came out, so the marks are tried again before the strip is
    // held for a person.
    for (int attempt = 1;; ++attempt) {
        try {
            markAndReleaseOnce(ids, strip);
            return;
        } catch (const AppError&) {
            if (attempt == kMarkAttempts)
                throw;
            QThread::msleep(200);
        }
    }
}

void RecordClaims::markAndReleaseOnce(const QList<int64_t>& ids, const QString& strip) {
    inTransaction([&] {
        mark(ids);
        run({QStringLiteral("DELETE FROM VornellClaim WHERE Strip=? AND Iden_id in (%1)")
                 .arg(idList(ids))},
            {strip});
    });
}

void RecordClaims::release(const QList<int64_t>& ids, const QString& strip) {
    if (ids.isEmpty())
        return;
    run({QStringLiteral("DELETE FROM VornellClaim WHERE Strip=? AND Iden_id in (%1)")
             .arg(idList(ids))},
        {strip});
}

void RecordClaims::hold(const QList<int64_t>& ids, const QString& strip, const QString& reason) {
    if (ids.isEmpty())
        return;
    run({QStringLiteral("UPDATE VornellClaim SET State='held', Reason=? "),
         QStringLiteral("WHERE Strip=? AND Iden_id in (%1)").arg(idList(ids))},
        {reason.left(kReasonLength), strip});
}

void RecordClaims::holdLeftovers(const QString& reason) {
    try {
        run({QStringLiteral("UPDATE VornellClaim SET State='held', Reason=? "),
             QStringLiteral("WHERE Station=? AND State='claimed'")},
            {reason.left(kReasonLength), station_});
    } catch (const AppError& e) {
        failed(e.text());
    }
}

QList<ClaimedRecord> RecordClaims::all() {
    const QString statement = QStringLiteral(
        "SELECT c.Iden_id, c.Station, c.State, c.Since, c.Strip, c.Reason, p.LabelText "
        "FROM VornellClaim c LEFT JOIN PrintLabel p ON p.Iden_id = c.Iden_id "
        "ORDER BY c.Since, c.Iden_id");
    QSqlQuery q = select(statement);
    QList<ClaimedRecord> out;
    while (q.next()) {
        ClaimedRecord c;
        c.id = q.value(0).toLongLong();
        c.station = q.value(1).toString();
        c.state = q.value(2).toString();
        c.since = q.value(3).toDateTime();
        c.strip = q.value(4).toString();
        c.reason = q.value(5).toString();
        c.labelText = q.value(6).toString().trimmed();
        out << c;
    }
    return out;
}

void RecordClaims::decide(const QList<int64_t>& ids, bool markPrinted) {
    if (ids.isEmpty())
        return;
    // A record a station has claimed for the strip it prints now is that
    // station's: deciding it could print it twice or mark a label that never
    // comes out. Only held records are decided.
    const QSet<int64_t> asked(ids.begin(), ids.end());
    for (const ClaimedRecord& c : all())
        if (c.state != QLatin1String("held") && asked.contains(c.id))
            throw AppError(
                QStringLiteral("Iden_id %1 (%2) is being printed by station %3 now; decide once "
                               "that station has finished its strip. Nothing was decided.")
                    .arg(c.id)
                    .arg(c.labelText, c.station));
    inTransaction([&] {
        if (markPrinted)
            mark(ids);
        run({QStringLiteral("DELETE FROM VornellClaim WHERE Iden_id in (%1) AND State = 'held'")
                 .arg(idList(ids))});
    });
}

QString stationName(const QString& fromEnvironment) {
    if (!fromEnvironment.trimmed().isEmpty())
        return fromEnvironment.trimmed().left(kStationLength);
    return (QSysInfo::machineHostName() + QLatin1Char(':') +
            QDir::toNativeSeparators(QDir::currentPath()))
        .left(kStationLength);
}
