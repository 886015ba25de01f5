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
// VORNELL_DB_USER and VORNELL_DB_PASSWORD_FILE override the server login;
// VORNELL_DB_ENCRYPT (require, request or off; request when unset) is FreeTDS's
// Encryption setting for the server connection.
enum class DbEncryption { Require, Request, Off };

// "require", "request", "off".
QString encryptionName(DbEncryption encryption);

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
    DbEncryption encryption = DbEncryption::Request;
};

// Raises AppError naming the accepted forms when VORNELL_DB or
// VORNELL_DB_ENCRYPT is malformed.
DbLocation resolveDbLocation(const QProcessEnvironment& env);

// The connection string's pairs in their fixed order, joined by ";".
QString connectionString(const QString& host, const QString& user, const QString& password);

// A data module whose connection reaches the database at location; not yet
// open. A server's login: see db/ServerLogin.h.
std::unique_ptr<TDMdata> createDataModule(const DbLocation& location);
