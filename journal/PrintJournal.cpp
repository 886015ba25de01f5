#include "journal/PrintJournal.h"

#include "core/AppError.h"
#include "core/DataModule.h"
#include "core/SafeWrite.h"
#include "journal/JournalSql.h"

#include <QAtomicInt>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Stored in the file's header, so that no other SQLite file is taken for a
// journal (and written into).
constexpr int kApplicationId = 0x564A524E; // "VJRN"

QAtomicInt connections;

const char* const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS entries (id INTEGER PRIMARY KEY, kind TEXT NOT NULL, "
    "created TEXT NOT NULL, port TEXT NOT NULL, device TEXT NOT NULL, db TEXT NOT NULL, "
    "plan TEXT NOT NULL, reprint_of INTEGER NOT NULL DEFAULT 0, reason TEXT NOT NULL DEFAULT '')",
    "CREATE INDEX IF NOT EXISTS entries_created ON entries (created)",
    "CREATE TABLE IF NOT EXISTS records (entry INTEGER NOT NULL, slot INTEGER NOT NULL, "
    "iden_id INTEGER NOT NULL, text TEXT NOT NULL, PRIMARY KEY (entry, slot)) WITHOUT ROWID",
    // Nothing looks records up by Iden_id: an index of them only cost a page
    // write a strip (files made by earlier versions have it).
    "DROP INDEX IF EXISTS records_iden",
    "CREATE TABLE IF NOT EXISTS events (id INTEGER PRIMARY KEY, entry INTEGER NOT NULL, "
    "state TEXT NOT NULL, at TEXT NOT NULL, reason TEXT NOT NULL DEFAULT '', "
    "sha256 TEXT NOT NULL DEFAULT '')",
    "CREATE INDEX IF NOT EXISTS events_entry ON events (entry, id)",
    "CREATE TABLE IF NOT EXISTS undecided (entry INTEGER PRIMARY KEY)",
    // What proves a strip came out: confirmed, delivered or network.
    "CREATE TABLE IF NOT EXISTS evidence (entry INTEGER PRIMARY KEY, kind TEXT NOT NULL)",
    // The devices whose printer has answered a status request: from then on
    // their strips count only when the printer confirms them.
    "CREATE TABLE IF NOT EXISTS answering (device TEXT PRIMARY KEY, since TEXT NOT NULL)",
};

bool isFinal(StripState state, EntryKind kind) {
    switch (state) {
    case StripState::Marked:
    case StripState::Failed:
    case StripState::Released:
        return true;
    case StripState::Sent:
    case StripState::Confirmed:
        return kind != EntryKind::List;
    case StripState::Sending:
    case StripState::Uncertain:
        return false;
    }
    return false;
}

} // namespace

struct PrintJournal::Statements {
    explicit Statements(const QSqlDatabase& db)
        : entry(db), record(db), event(db), undecided(db), settle(db), kind(db) {}
    QSqlQuery entry, record, event, undecided, settle, kind;
};

PrintJournal::PrintJournal() = default;

PrintJournal::~PrintJournal() {
    st_.reset();
    if (!connection_.isEmpty()) {
        QSqlDatabase::database(connection_, false).close();
        QSqlDatabase::removeDatabase(connection_);
    }
}

QSqlDatabase PrintJournal::db() const {
    return QSqlDatabase::database(connection_, false);
}

bool PrintJournal::isOpen() const {
    return st_ != nullptr;
}

void PrintJournal::fail(const QString& what, const QString& reason) const {
    throw AppError(QStringLiteral("Print journal %1: %2 (%3). Nothing is printed until it can be.")
                       .arg(path_, what, reason));
}

void PrintJournal::exec(const QString& sql, const QVariantList& bindings) const {
    QSqlQuery q(db());
    if (!q.prepare(sql))
        throw AppError(sqlErrorText(q.lastError()));
    for (const QVariant& v : bindings)
        q.addBindValue(v);
    if (!q.exec())
        throw AppError(sqlErrorText(q.lastError()));
}

void PrintJournal::open(const QString& path, int keepDays) {
    path_ = QFileInfo(path).absoluteFilePath();
    connection_ = QStringLiteral("vornell-journal-%1").arg(connections.fetchAndAddRelaxed(1));
    createOwnerGroupFile(path_); // the texts printed are no one else's to read
    QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    d.setDatabaseName(path_);
    d.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!d.open())
        fail(QStringLiteral("cannot be opened"), sqlErrorText(d.lastError()));
    try {
        QSqlQuery q(d);
        if (!q.exec(QStringLiteral("PRAGMA application_id")) || !q.next())
            throw AppError(sqlErrorText(q.lastError()));
        const int id = q.value(0).toInt();
        q.finish();
        if (id != kApplicationId) {
            if (!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !q.next())
                throw AppError(sqlErrorText(q.lastError()));
            if (id != 0 || q.value(0).toInt() != 0)
                throw AppError(QStringLiteral("the file is some other database"));
            q.finish();
        }
        madeAtOpen_ = id != kApplicationId;
        exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        exec(QStringLiteral("PRAGMA synchronous=FULL"));
        // A write at once: a file that cannot take one is found now, not at
        // the first strip.
        exec(QStringLiteral("BEGIN IMMEDIATE"));
        try {
            exec(QStringLiteral("PRAGMA application_id=%1").arg(kApplicationId));
            for (const char* sql : kSchema)
                exec(QString::fromLatin1(sql));
            const QString cutoff = journalTime(QDateTime::currentDateTime().addDays(-keepDays));
            const QString old = QStringLiteral(
                "SELECT id FROM entries WHERE created < ? AND id NOT IN (SELECT entry FROM "
                "undecided)");
            exec(QStringLiteral("DELETE FROM events WHERE entry IN (%1)").arg(old), {cutoff});
            exec(QStringLiteral("DELETE FROM records WHERE entry IN (%1)").arg(old), {cutoff});
            exec(QStringLiteral("DELETE FROM evidence WHERE entry IN (%1)").arg(old), {cutoff});
            QSqlQuery del(d);
            del.prepare(QStringLiteral("DELETE FROM entries WHERE created < ? AND id NOT IN "
                                       "(SELECT entry FROM undecided)"));
            del.addBindValue(cutoff);
            if (!del.exec())
                throw AppError(sqlErrorText(del.lastError()));
            pruned_ = del.numRowsAffected();
            exec(QStringLiteral("COMMIT"));
        } catch (...) {
            QSqlQuery(d).exec(QStringLiteral("ROLLBACK"));
            throw;
        }
        auto st = std::make_unique<Statements>(d);
        st->entry.prepare(QStringLiteral(
            "INSERT INTO entries (kind, created, port, device, db, plan, reprint_of, reason) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
        st->record.prepare(
            QStringLiteral("INSERT INTO records (entry, slot, iden_id, text) VALUES (?, ?, ?, ?)"));
        st->event.prepare(QStringLiteral(
            "INSERT INTO events (entry, state, at, reason, sha256) VALUES (?, ?, ?, ?, ?)"));
        st->undecided.prepare(QStringLiteral("INSERT INTO undecided (entry) VALUES (?)"));
        st->settle.prepare(QStringLiteral("DELETE FROM undecided WHERE entry = ?"));
        st->kind.prepare(QStringLiteral("SELECT kind FROM entries WHERE id = ?"));
        st_ = std::move(st);
        synced_ = true;
    } catch (const AppError& e) {
        d.close();
        fail(QStringLiteral("cannot be opened"), e.text());
    }
}

namespace {

void run(QSqlQuery& q, const QVariantList& bindings) {
    // A null text would be stored as NULL: the columns hold empty texts.
    for (int i = 0; i < bindings.size(); ++i)
        q.bindValue(i, bindings[i].typeId() == QMetaType::QString && bindings[i].toString().isNull()
                           ? QVariant(QStringLiteral(""))
                           : bindings[i]);
    if (!q.exec())
        throw AppError(sqlErrorText(q.lastError()));
}

} // namespace

// A commit under FULL returns once the disk holds it and everything written
// before it; under NORMAL it returns once the file holds it, which a crash of
// the process does not undo (a power cut may). SQLite applies the setting as
// it reads the statement, so it is read anew each time, never kept prepared.
void PrintJournal::waitForDisk(bool wait) {
    if (synced_ == wait)
        return;
    exec(wait ? QStringLiteral("PRAGMA synchronous=FULL")
              : QStringLiteral("PRAGMA synchronous=NORMAL"));
    synced_ = wait;
}

qint64 PrintJournal::begin(const NewStrip& s) {
    if (!st_)
        fail(QStringLiteral("cannot be written"), QStringLiteral("it is not open"));
    QSqlDatabase d = db();
    try {
        waitForDisk(true);
        if (!d.transaction())
            throw AppError(sqlErrorText(d.lastError()));
        try {
            const QString now = journalTime(QDateTime::currentDateTimeUtc());
            run(st_->entry, {kindName(s.kind), now, s.port, s.device, s.database, s.planJson,
                             s.reprintOf, s.reason});
            const qint64 id = st_->entry.lastInsertId().toLongLong();
            for (int slot = 0; slot < s.records.size(); ++slot)
                run(st_->record, {id, slot, s.records[slot].idenId, s.records[slot].text});
            run(st_->event, {id, stateName(StripState::Sending), now, QString(), QString()});
            run(st_->undecided, {id});
            if (!d.commit())
                throw AppError(sqlErrorText(d.lastError()));
            kinds_.insert(id, s.kind);
            pending_ = false;
            return id;
        } catch (...) {
            d.rollback();
            throw;
        }
    } catch (const AppError& e) {
        fail(QStringLiteral("cannot be written"), e.text());
    }
}

qint64 PrintJournal::beginReprint(qint64 reprintOf, const QString& reason, NewStrip strip) {
    strip.kind = EntryKind::Reprint;
    strip.reprintOf = reprintOf;
    strip.reason = reason;
    return begin(strip);
}

void PrintJournal::note(qint64 entry, StripState state, const QString& reason,
                        const QString& sha256, const QString& evidence) {
    if (!st_)
        fail(QStringLiteral("cannot be written"), QStringLiteral("it is not open"));
    QSqlDatabase d = db();
    try {
        const EntryKind kind = kindOf(entry);
        waitForDisk(false);
        if (!d.transaction())
            throw AppError(sqlErrorText(d.lastError()));
        try {
            run(st_->event, {entry, stateName(state), journalTime(QDateTime::currentDateTimeUtc()),
                             reason, sha256});
            if (!evidence.isEmpty())
                exec(QStringLiteral("INSERT OR REPLACE INTO evidence (entry, kind) VALUES (?, ?)"),
                     {entry, evidence});
            const bool final = isFinal(state, kind);
            if (final)
                run(st_->settle, {entry});
            if (!d.commit())
                throw AppError(sqlErrorText(d.lastError()));
            pending_ = true;
            if (final)
                kinds_.remove(entry);
        } catch (...) {
            d.rollback();
            throw;
        }
    } catch (const AppError& e) {
        fail(QStringLiteral("cannot be written"), e.text());
    }
}

EntryKind PrintJournal::kindOf(qint64 entry) {
    if (const auto it = kinds_.constFind(entry); it != kinds_.cend())
        return *it;
    run(st_->kind, {entry});
    if (!st_->kind.next())
        throw AppError(QStringLiteral("no strip %1 in the journal").arg(entry));
    const EntryKind kind = kindFromName(st_->kind.value(0).toString());
    st_->kind.finish();
    return kind;
}

void PrintJournal::flush() {
    if (!st_ || !pending_)
        return;
    // The steps since the last begin() sit in the write-ahead log: bring the
    // log to the disk.
    const QByteArray wal = QFile::encodeName(path_ + QStringLiteral("-wal"));
    const int fd = ::open(wal.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        // No log: a checkpoint, which waits for the disk, emptied it into the file.
        pending_ = false;
        return;
    }
    if (fd < 0 || ::fsync(fd) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
        fail(QStringLiteral("cannot be written"), why);
    }
    ::close(fd);
    pending_ = false;
}

bool PrintJournal::hasAnswered(const QString& device) const {
    try {
        QSqlQuery q(db());
        q.prepare(QStringLiteral("SELECT 1 FROM answering WHERE device = ?"));
        q.addBindValue(device);
        if (!q.exec())
            throw AppError(sqlErrorText(q.lastError()));
        return q.next();
    } catch (const AppError& e) {
        fail(QStringLiteral("cannot be read"), e.text());
    }
}

void PrintJournal::noteAnswered(const QString& device) {
    try {
        exec(QStringLiteral("INSERT OR IGNORE INTO answering (device, since) VALUES (?, ?)"),
             {device, journalTime(QDateTime::currentDateTimeUtc())});
        pending_ = true;
    } catch (const AppError& e) {
        fail(QStringLiteral("cannot be written"), e.text());
    }
}
