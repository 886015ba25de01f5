#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <memory>

class TDMdata;

// Where the program's database is, chosen by VORNELL_DB:
//   unset          the embedded database vornell.db in the working directory
//   sqlite:PATH    the embedded database at PATH
//   mssql:HOST     SQL Server on HOST (port 1433)
//   mssql:HOST,PORT
// VORNELL_DB_USER and VORNELL_DB_PASSWORD_FILE override the server login.
struct DbLocation {
    enum class Kind { Embedded, SqlServer };
    Kind kind = Kind::Embedded;
    QString path; // embedded database file
    // Whether the embedded file must already exist. Only the default file is
    // made on first use; a file named in VORNELL_DB that is missing is a
    // failed connection naming it, never a new empty database.
    bool mustExist = false;
    QString host; // SQL Server host
    int port = 1433;
    QString user;         // empty: the program's own login
    QString passwordFile; // empty: the program's own password
};

// Raises AppError naming the accepted forms when VORNELL_DB is malformed.
DbLocation resolveDbLocation(const QProcessEnvironment& env);

// The connection string's pairs in their fixed order, joined by ";".
QString connectionString(const QString& host, const QString& user, const QString& password);

// The ODBC connection string (unixODBC + FreeTDS) that carries those pairs.
QString odbcConnectionString(const DbLocation& location, const QString& user,
                             const QString& password);

// A data module whose connection reaches the database at location; not yet open.
std::unique_ptr<TDMdata> createDataModule(const DbLocation& location);
