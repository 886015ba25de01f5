#pragma once

#include <QSqlDatabase>

// Makes an open embedded database ready for the program: registers the SQL
// Server functions the statements use (getdate, isnull, inttohex), switches
// to the WAL journal and, when the tables are missing, creates them with
// their index and no rows: the chip types are the site's to enter (the demo
// tool adds some of its own). A database that already has the tables is used
// as it is. Raises AppError with the driver's text on failure.
void prepareEmbeddedDatabase(QSqlDatabase& db);

// Registers getdate(), isnull(a,b) and inttohex(n,width,flag) on the
// connection's SQLite handle.
void registerSqlFunctions(QSqlDatabase& db);

// The local time as the embedded database stores it: "YYYY-MM-DD HH:MM:SS".
QString embeddedNow();
