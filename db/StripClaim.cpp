#include "db/StripClaim.h"

#include "core/AppError.h"
#include "core/DataModule.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

QStringList serverClaimLines(int timeoutMs) {
    return {QStringLiteral("DECLARE @result int "),
            QStringLiteral("EXEC @result = sp_getapplock @Resource='%1', @LockMode='Exclusive', "
                           "@LockOwner='Session', @LockTimeout=%2 ")
                .arg(QLatin1String(kStripClaimResource))
                .arg(timeoutMs),
            QStringLiteral("IF @result < 0 RAISERROR('label records claimed by another station "
                           "(sp_getapplock %d)', 16, 1, @result) ")};
}

QStringList serverReleaseLines() {
    return {QStringLiteral("EXEC sp_releaseapplock @Resource='%1', @LockOwner='Session' ")
                .arg(QLatin1String(kStripClaimResource))};
}

QStringList printedAmongLines(const QList<int64_t>& ids) {
    QStringList list;
    for (int64_t id : ids)
        list << QString::number(id);
    return {
        QStringLiteral("SELECT Iden_id FROM PrintLabel "),
        QStringLiteral("WHERE Iden_id in (%1) AND PrintFlag=1 ").arg(list.join(QLatin1Char(',')))};
}

StripClaim::StripClaim(ExecQuery& qryEXEC, QSqlDatabase db) : exec_(qryEXEC), db_(std::move(db)) {}

void StripClaim::claim() {
    if (held_)
        return;
    take();
    held_ = true;
    since_.start();
}

QSet<int64_t> StripClaim::printedAmong(const QList<int64_t>& ids) {
    if (!held_)
        throw AppError(QStringLiteral("The label records were re-checked without a claim"));
    if (ids.isEmpty())
        return {};
    const QList<int64_t> printed = column(printedAmongLines(ids));
    return QSet<int64_t>(printed.begin(), printed.end());
}

void StripClaim::release(bool marked) {
    if (!held_)
        return;
    const int64_t us = heldUs();
    ++stats_.claims;
    stats_.totalHoldUs += us;
    stats_.longestHoldUs = qMax(stats_.longestHoldUs, us);
    held_ = false;
    give(marked);
}

void StripClaim::run(const QStringList& lines) {
    exec_.run(lines);
}

QList<int64_t> StripClaim::column(const QStringList& lines) {
    const QString statement = lines.join(QStringLiteral("\r\n"));
    if (exec_.onExecute)
        exec_.onExecute(statement);
    if (!db_.isOpen())
        throw AppError(QStringLiteral("Connection is not open"));
    QSqlQuery q = forwardOnlyQuery(db_);
    if (!q.exec(statement))
        throw AppError(sqlErrorText(q.lastError()));
    QList<int64_t> out;
    while (q.next())
        out << q.value(0).toLongLong();
    return out;
}

QString StripClaim::busyText(const QString& why) const {
    return (codePage == 936
                ? QStringLiteral(u"另一台工作站正在使用这些标签记录，未再打印（%1）")
                : QStringLiteral("Another station is holding the label records; nothing more was "
                                 "printed (%1)"))
        .arg(why);
}

void ServerStripClaim::take() {
    try {
        run(serverClaimLines(timeoutMs_));
    } catch (const AppError& e) {
        throw AppError(busyText(e.text()));
    }
}

void ServerStripClaim::give(bool) {
    // Each mark was its own statement and is kept; a lock the session lost
    // with its connection is gone already.
    try {
        run(serverReleaseLines());
    } catch (const AppError&) {
    }
}

int EmbeddedStripClaim::quietMs(int64_t heldMs) {
    if (heldMs < 100)
        return 25;
    return heldMs < 200 ? 55 : 110;
}

int EmbeddedStripClaim::busyTimeoutMs() {
    const QList<int64_t> v = column({QStringLiteral("PRAGMA busy_timeout")});
    return v.isEmpty() ? 0 : int(v.first());
}

void EmbeddedStripClaim::setBusyTimeout(int ms) {
    column({QStringLiteral("PRAGMA busy_timeout=%1").arg(ms)});
}

bool EmbeddedStripClaim::tryBegin() {
    try {
        run({QLatin1String(kEmbeddedClaim)});
        return true;
    } catch (const AppError& e) {
        if (!e.text().contains(QLatin1String("locked")) &&
            !e.text().contains(QLatin1String("busy")))
            throw;
        return false;
    }
}

void EmbeddedStripClaim::take() {
    if (released_.isValid()) {
        const qint64 left = pauseMs_ - released_.elapsed();
        if (left > 0)
            QThread::msleep(static_cast<unsigned long>(left));
    }
    const int limitMs = busyTimeoutMs();
    setBusyTimeout(0);
    QElapsedTimer total;
    total.start();
    int yields = 0;
    try {
        for (;;) {
            QElapsedTimer waited;
            waited.start();
            bool busy = false;
            while (!tryBegin()) {
                busy = true;
                if (total.elapsed() >= limitMs)
                    throw AppError(
                        QStringLiteral("database is locked (waited %1 ms)").arg(total.elapsed()));
                QThread::msleep(static_cast<unsigned long>(timing_.pollMs));
            }
            if (!busy || yields >= timing_.yields)
                break;
            // Someone released it just now: a program waiting to write goes
            // first.
            run({QLatin1String(kEmbeddedRollback)});
            ++yields;
            QThread::msleep(static_cast<unsigned long>(quietMs(waited.elapsed())));
        }
    } catch (const AppError& e) {
        setBusyTimeout(limitMs);
        throw AppError(busyText(e.text()));
    }
    setBusyTimeout(limitMs);
}

void EmbeddedStripClaim::give(bool marked) {
    pauseMs_ = quietMs(heldUs() / 1000) + timing_.releaserExtraMs;
    released_.start();
    if (!marked) {
        try {
            run({QLatin1String(kEmbeddedRollback)});
        } catch (const AppError&) {
        }
        return;
    }
    try {
        run({QLatin1String(kEmbeddedCommit)});
    } catch (const AppError& e) {
        try {
            run({QLatin1String(kEmbeddedRollback)});
        } catch (const AppError&) {
        }
        throw;
    }
}

std::unique_ptr<StripClaim> stripClaimFor(ExecQuery& qryEXEC, const QSqlDatabase& db) {
    if (dialectOf(db) == Dialect::Sqlite)
        return std::make_unique<EmbeddedStripClaim>(qryEXEC, db);
    return std::make_unique<ServerStripClaim>(qryEXEC, db);
}
