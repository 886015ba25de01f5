#pragma once

#include <QSqlDatabase>

// The SQL dialect a statement is written in: the plant's SQL Server takes
// T-SQL, the embedded database takes SQLite's.
enum class Dialect { TSql, Sqlite };

inline Dialect dialectOf(const QSqlDatabase& db) {
    return db.driverName() == QLatin1String("QSQLITE") ? Dialect::Sqlite : Dialect::TSql;
}
