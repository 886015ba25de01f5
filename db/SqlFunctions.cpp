#include "db/EmbeddedDatabase.h"

#include "core/AppError.h"

#include <QDateTime>
#include <QSqlDriver>
#include <sqlite3.h>

#include <string>

namespace {

void getdate(sqlite3_context* ctx, int, sqlite3_value**) {
    const QByteArray now = embeddedNow().toLatin1();
    sqlite3_result_text(ctx, now.constData(), int(now.size()), SQLITE_TRANSIENT);
}

void isnull(sqlite3_context* ctx, int, sqlite3_value** argv) {
    sqlite3_result_value(ctx, sqlite3_value_type(argv[0]) == SQLITE_NULL ? argv[1] : argv[0]);
}

// inttohex(n, width, flag): n in upper-case hexadecimal, zero-padded to width.
// A negative n is written as its 32-bit two's complement, as the server does.
void inttohex(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const sqlite3_int64 n = sqlite3_value_int64(argv[0]);
    int width = sqlite3_value_int(argv[1]);
    if (width < 0)
        width = 0;
    if (width > 64)
        width = 64;
    const uint64_t bits = n < 0 ? uint64_t(uint32_t(int32_t(n))) : uint64_t(n);
    std::string hex;
    uint64_t v = bits;
    do {
        hex.insert(hex.begin(), "0123456789ABCDEF"[v & 0xF]);
        v >>= 4;
    } while (v != 0);
    if (int(hex.size()) < width)
        hex.insert(0, size_t(width) - hex.size(), '0');
    sqlite3_result_text(ctx, hex.c_str(), int(hex.size()), SQLITE_TRANSIENT);
}

} // namespace

QString embeddedNow() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

void registerSqlFunctions(QSqlDatabase& db) {
    const QVariant handle = db.driver()->handle();
    sqlite3* h = handle.isValid() ? *static_cast<sqlite3* const*>(handle.data()) : nullptr;
    if (!h)
        throw AppError(QStringLiteral("The embedded database is not open"));
    const int flags = SQLITE_UTF8;
    const int deterministic = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    if (sqlite3_create_function_v2(h, "getdate", 0, flags, nullptr, getdate, nullptr, nullptr,
                                   nullptr) != SQLITE_OK ||
        sqlite3_create_function_v2(h, "isnull", 2, deterministic, nullptr, isnull, nullptr, nullptr,
                                   nullptr) != SQLITE_OK ||
        sqlite3_create_function_v2(h, "inttohex", 3, deterministic, nullptr, inttohex, nullptr,
                                   nullptr, nullptr) != SQLITE_OK)
        throw AppError(QString::fromUtf8(sqlite3_errmsg(h)));
}
