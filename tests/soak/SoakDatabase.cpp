#include "tests/soak/SoakDatabase.h"

#include "db/EmbeddedDatabase.h"
#include "tests/soak/SoakTally.h"

#include <QSqlDatabase>
#include <QUuid>

#include <chrono>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>

#include <sqlite3.h>

namespace {

using Clock = std::chrono::steady_clock;

// One SQLite connection of the program's own.
class Connection {
public:
    explicit Connection(const QString& path, int busyMs) {
        if (sqlite3_open_v2(path.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK)
            throw std::runtime_error(std::string("cannot open ") + path.toStdString() + ": " +
                                     sqlite3_errmsg(db_));
        sqlite3_busy_timeout(db_, busyMs);
    }
    ~Connection() { sqlite3_close(db_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Runs sql; false with the reason in *error.
    bool exec(const char* sql, std::string* error) {
        char* message = nullptr;
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK)
            return true;
        *error = message ? message : sqlite3_errmsg(db_);
        sqlite3_free(message);
        return false;
    }
    sqlite3* handle() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

} // namespace

void createSoakDatabase(const QString& path) {
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            throw std::runtime_error("cannot create " + path.toStdString());
        prepareEmbeddedDatabase(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

int runWriter(const QString& path, double seconds, double ratePerSecond, int firstSerial) {
    Connection db(path, 10000);
    int inserted = 0;
    int errors = 0;
    std::string firstError;
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    const auto step = std::chrono::duration<double>(1.0 / ratePerSecond);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db.handle(),
                       "INSERT INTO PrintLabel (CreateTime, LabelSize, TitleText, LabelText, "
                       "Barcode, PrintFlag) VALUES (datetime('now','localtime'), '30X10', 'SOAK', "
                       "?1, ?1, 0)",
                       -1, &insert, nullptr);
    for (int i = 0;; ++i) {
        const auto due = start + std::chrono::duration_cast<Clock::duration>(step * i);
        if (due >= end)
            break;
        std::this_thread::sleep_until(due);
        const QByteArray text = soakLabelText(firstSerial + inserted).toLatin1();
        sqlite3_bind_text(insert, 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        const int rc = sqlite3_step(insert);
        sqlite3_reset(insert);
        if (rc == SQLITE_DONE) {
            ++inserted;
        } else {
            if (errors++ == 0)
                firstError = sqlite3_errmsg(db.handle());
        }
    }
    sqlite3_finalize(insert);
    std::printf("writer: inserted %d, errors %d%s%s\n", inserted, errors,
                firstError.empty() ? "" : ", first: ", firstError.c_str());
    return 0;
}

int runLocker(const QString& path, double seconds, unsigned seed, int gapMinMs, int gapMaxMs) {
    Connection db(path, 10000);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> gap(gapMinMs, gapMaxMs);
    std::uniform_int_distribution<int> hold(1000, 5000);
    int locks = 0;
    int errors = 0;
    double heldSeconds = 0;
    std::string firstError;
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        const auto at = Clock::now() + std::chrono::milliseconds(gap(random));
        const auto holdFor = std::chrono::milliseconds(hold(random));
        if (at + holdFor >= end)
            break;
        std::this_thread::sleep_until(at);
        std::string error;
        if (!db.exec("BEGIN EXCLUSIVE", &error)) {
            if (errors++ == 0)
                firstError = error;
            continue;
        }
        const auto taken = Clock::now();
        std::this_thread::sleep_for(holdFor);
        if (!db.exec("COMMIT", &error) && errors++ == 0)
            firstError = error;
        ++locks;
        heldSeconds += std::chrono::duration<double>(Clock::now() - taken).count();
    }
    std::printf("locker: %d locks, %.1f s held, errors %d%s%s\n", locks, heldSeconds, errors,
                firstError.empty() ? "" : ", first: ", firstError.c_str());
    return 0;
}

SoakDatabaseState readSoakDatabase(const QString& path) {
    Connection db(path, 30000);
    SoakDatabaseState state;
    sqlite3_stmt* rows = nullptr;
    sqlite3_prepare_v2(db.handle(),
                       "SELECT Iden_id, LabelText, ifnull(PrintFlag,0) FROM PrintLabel "
                       "WHERE TitleText = 'SOAK'",
                       -1, &rows, nullptr);
    while (sqlite3_step(rows) == SQLITE_ROW) {
        const qint64 id = sqlite3_column_int64(rows, 0);
        const QString text =
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(rows, 1)));
        state.labels.insert(text, id);
        if (sqlite3_column_int(rows, 2) == 1)
            state.marked.insert(id);
    }
    sqlite3_finalize(rows);
    return state;
}
