#pragma once

#include <QString>
#include <memory>
#include <optional>

class TDMdata;
struct DbLocation;

// The login to the plant's SQL Server through unixODBC + FreeTDS.
//
// FreeTDS's ODBC driver reads a value of its connection string either as it
// stands, up to the next ";", or, when it begins with "{", up to the first "}"
// that a ";" or the end of the string follows; it undoes no doubled "}". So a
// user name or password without ";" that does not begin with "{" goes as it
// stands, any other goes in braces, as it is. The one thing neither form can
// carry is "};" (it holds a ";", so it needs braces, and it would end them).

// A value as FreeTDS reads it back exactly; nullopt when it cannot be written.
std::optional<QString> freeTdsValue(const QString& value);

// The ODBC connection string (unixODBC + FreeTDS) for the location, with the
// login. Raises AppError naming the field when the user name or the password
// cannot be carried. An empty password leaves PWD out: the string to keep
// while the connection is open.
QString odbcConnectionString(const DbLocation& location, const QString& user,
                             const QString& password);

// A data module for the server at location; not yet open. The password (the
// built-in one, or VORNELL_DB_PASSWORD_FILE's content, read again for every
// open) is put into the connection string only for the open itself and
// overwritten in the copies this program owns right after it; from the moment
// a server login is configured, the process is not dumpable (no core file, no
// ptrace by other processes of the user), because the ODBC driver manager and
// FreeTDS keep copies of their own that this program cannot overwrite.
std::unique_ptr<TDMdata> createServerDataModule(const DbLocation& location);

// Overwrites the characters of s in place (when s holds its buffer alone) and
// empties it.
void wipe(QString& s);
