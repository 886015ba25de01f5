// The journal's reading half: unfinished strips, held records, the history.
#include "core/AppError.h"
#include "core/DataModule.h"
#include "journal/JournalSql.h"
#include "journal/PrintJournal.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace {

QSqlQuery select(const QSqlDatabase& db, const QString& sql, const QVariantList& bindings) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        throw AppError(sqlErrorText(q.lastError()));
    for (const QVariant& v : bindings)
        q.addBindValue(v);
    if (!q.exec())
        throw AppError(sqlErrorText(q.lastError()));
    return q;
}

// A LIKE pattern that matches text anywhere, its own % _ and \ taken literally.
QString containing(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('%'), QLatin1String("\\%"))
        .replace(QLatin1Char('_'), QLatin1String("\\_"));
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}

} // namespace

QList<JournalEntry> PrintJournal::load(const QString& where, const QVariantList& bindings,
                                       const QString& order, int limit) const {
    if (!st_)
        fail(QStringLiteral("cannot be read"), QStringLiteral("it is not open"));
    QList<JournalEntry> out;
    try {
        QSqlDatabase d = db();
        QString sql =
            QStringLiteral("SELECT id, kind, created, port, device, db, plan, reprint_of, reason, "
                           "id IN (SELECT entry FROM undecided) FROM entries WHERE %1 ORDER BY %2")
                .arg(where, order);
        if (limit >= 0)
            sql += QStringLiteral(" LIMIT %1").arg(limit);
        QHash<qint64, qsizetype> at;
        QStringList ids;
        {
            QSqlQuery q = select(d, sql, bindings);
            while (q.next()) {
                JournalEntry e;
                e.id = q.value(0).toLongLong();
                e.kind = kindFromName(q.value(1).toString());
                e.created = fromJournalTime(q.value(2).toString());
                e.port = q.value(3).toString();
                e.device = q.value(4).toString();
                e.database = q.value(5).toString();
                e.planJson = q.value(6).toString();
                e.reprintOf = q.value(7).toLongLong();
                e.reprintReason = q.value(8).toString();
                e.undecided = q.value(9).toBool();
                at.insert(e.id, out.size());
                ids << QString::number(e.id);
                out.append(e);
            }
        }
        if (out.isEmpty())
            return out;
        const QString in = ids.join(QLatin1Char(','));
        {
            QSqlQuery q = select(d,
                                 QStringLiteral("SELECT entry, iden_id, text FROM records WHERE "
                                                "entry IN (%1) ORDER BY entry, slot")
                                     .arg(in),
                                 {});
            while (q.next())
                out[at.value(q.value(0).toLongLong())].records.append(
                    {q.value(1).toLongLong(), q.value(2).toString()});
        }
        {
            QSqlQuery q = select(
                d, QStringLiteral("SELECT entry, kind FROM evidence WHERE entry IN (%1)").arg(in),
                {});
            while (q.next())
                out[at.value(q.value(0).toLongLong())].evidence = q.value(1).toString();
        }
        QSqlQuery q = select(d,
                             QStringLiteral("SELECT entry, state, at, reason, sha256 FROM events "
                                            "WHERE entry IN (%1) ORDER BY id")
                                 .arg(in),
                             {});
        while (q.next()) {
            JournalEvent ev;
            ev.state = stateFromName(q.value(1).toString()).value_or(StripState::Uncertain);
            ev.at = fromJournalTime(q.value(2).toString());
            ev.reason = q.value(3).toString();
            ev.sha256 = q.value(4).toString();
            out[at.value(q.value(0).toLongLong())].events.append(ev);
        }
    } catch (const AppError& e) {
        fail(QStringLiteral("cannot be read"), e.text());
    }
    // An entry always has its "sending"; one without events was cut short
    // by hand and counts as sending.
    for (JournalEntry& e : out)
        if (e.events.isEmpty())
            e.events.append({StripState::Sending, e.created, {}, {}});
    return out;
}

QList<JournalEntry> PrintJournal::unfinished() const {
    return load(QStringLiteral("id IN (SELECT entry FROM undecided)"), {}, QStringLiteral("id"));
}

QSet<qint64> PrintJournal::heldIds() const {
    if (!st_)
        fail(QStringLiteral("cannot be read"), QStringLiteral("it is not open"));
    QSet<qint64> held;
    try {
        QSqlQuery q = select(db(),
                             QStringLiteral("SELECT r.iden_id FROM records r JOIN undecided u ON "
                                            "u.entry = r.entry WHERE r.iden_id != 0"),
                             {});
        while (q.next())
            held.insert(q.value(0).toLongLong());
    } catch (const AppError& e) {
        fail(QStringLiteral("cannot be read"), e.text());
    }
    return held;
}

QList<JournalEntry> PrintJournal::entries(const JournalFilter& f) const {
    QStringList where{QStringLiteral("1")};
    QVariantList bindings;
    if (!f.textPart.isEmpty()) {
        where << QStringLiteral("id IN (SELECT entry FROM records WHERE text LIKE ? ESCAPE '\\')");
        bindings << containing(f.textPart);
    }
    if (f.from.isValid()) {
        where << QStringLiteral("created >= ?");
        bindings << journalTime(f.from);
    }
    if (f.to.isValid()) {
        where << QStringLiteral("created < ?");
        bindings << journalTime(f.to);
    }
    if (f.state) {
        where << QStringLiteral(
            "(SELECT state FROM events WHERE entry = entries.id ORDER BY id DESC LIMIT 1) = ?");
        bindings << stateName(*f.state);
    }
    return load(where.join(QStringLiteral(" AND ")), bindings, QStringLiteral("id DESC"), f.limit);
}

std::optional<JournalEntry> PrintJournal::entry(qint64 id) const {
    const QList<JournalEntry> found = load(QStringLiteral("id = ?"), {id}, QStringLiteral("id"));
    if (found.isEmpty())
        return std::nullopt;
    return found.first();
}
