#include "db/DbLocation.h"

#include "core/AppError.h"
#include "core/DataModule.h"
#include "core/SafeWrite.h"
#include "db/EmbeddedDatabase.h"
#include "db/ServerLogin.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QUrl>
#include <algorithm>

namespace {
const char* const kProvider = "SQLOLEDB.1";
const char* const kEncryptionNames[] = {"require", "request", "off"};
const char* const kPersistSecurityInfo = "True";
const char* const kCatalog = "TovikCust";

AppError malformed(const QString& value) {
    return AppError(QStringLiteral("VORNELL_DB '%1' is not understood. Accepted forms: "
                                   "unset (the embedded database vornell.db in the working "
                                   "directory), sqlite:PATH, mssql:HOST or mssql:HOST,PORT")
                        .arg(value));
}

const char* const kBusyTimeout = "QSQLITE_BUSY_TIMEOUT=5000";

// An embedded database that must already exist. SQLite's own failure to open
// a missing file does not say which file it was, and opening it the plain way
// would create it. So the connection opens on an empty in-memory database,
// and the step after every open moves it to the file, opened read-write
// without creating it (a URI with mode=rw); a missing file is then reported
// with its name. The connection's name is set back to the in-memory one, so
// every reopen goes the same way.
std::unique_ptr<TDMdata> existingEmbedded(const QString& path) {
    auto dm = std::make_unique<TDMdata>(QStringLiteral("QSQLITE"));
    const QString stepping = QStringLiteral(":memory:");
    QSqlDatabase db = dm->conADO();
    db.setDatabaseName(stepping);
    db.setConnectOptions(QString::fromLatin1(kBusyTimeout));
    dm->onOpened = [path, stepping](QSqlDatabase& opened) {
        opened.close();
        opened.setConnectOptions(QString::fromLatin1(kBusyTimeout) +
                                 QStringLiteral(";QSQLITE_OPEN_URI"));
        opened.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) +
                               QStringLiteral("?mode=rw"));
        const bool ok = opened.open();
        opened.setDatabaseName(stepping);
        opened.setConnectOptions(QString::fromLatin1(kBusyTimeout));
        if (!ok) {
            if (!QFileInfo::exists(path))
                throw AppError(QStringLiteral("unable to open database file %1: no such file")
                                   .arg(QDir::toNativeSeparators(path)));
            throw AppError(sqlErrorText(opened.lastError()));
        }
        prepareEmbeddedDatabase(opened);
    };
    return dm;
}

} // namespace

QString encryptionName(DbEncryption encryption) {
    return QLatin1String(kEncryptionNames[static_cast<int>(encryption)]);
}

DbLocation resolveDbLocation(const QProcessEnvironment& env) {
    DbLocation loc;
    loc.user = env.value(QStringLiteral("VORNELL_DB_USER"));
    loc.passwordFile = env.value(QStringLiteral("VORNELL_DB_PASSWORD_FILE"));
    if (env.contains(QStringLiteral("VORNELL_DB_ENCRYPT"))) {
        const QString value = env.value(QStringLiteral("VORNELL_DB_ENCRYPT"));
        const auto* found = std::find_if(std::begin(kEncryptionNames), std::end(kEncryptionNames),
                                         [&](const char* n) { return value == QLatin1String(n); });
        if (found == std::end(kEncryptionNames))
            throw AppError(QStringLiteral("VORNELL_DB_ENCRYPT '%1' is not understood. Accepted "
                                          "values: require, request (the default), off")
                               .arg(value));
        loc.encryption = static_cast<DbEncryption>(found - std::begin(kEncryptionNames));
    }
    if (!env.contains(QStringLiteral("VORNELL_DB"))) {
        loc.path = QDir::current().absoluteFilePath(QStringLiteral("vornell.db"));
        return loc;
    }
    const QString value = env.value(QStringLiteral("VORNELL_DB"));
    if (value.startsWith(QLatin1String("sqlite:"))) {
        const QString path = value.mid(7);
        if (path.isEmpty())
            throw malformed(value);
        loc.path = QDir::current().absoluteFilePath(path);
        loc.mustExist = true;
        return loc;
    }
    if (value.startsWith(QLatin1String("mssql:"))) {
        const QString rest = value.mid(6);
        const QStringList parts = rest.split(QLatin1Char(','));
        if (parts.size() > 2 || parts[0].trimmed().isEmpty() || parts[0].contains(QLatin1Char(';')))
            throw malformed(value);
        loc.kind = DbLocation::Kind::SqlServer;
        loc.host = parts[0].trimmed();
        if (parts.size() == 2) {
            bool ok = false;
            const int port = parts[1].trimmed().toInt(&ok);
            if (!ok || port < 1 || port > 65535)
                throw malformed(value);
            loc.port = port;
        }
        return loc;
    }
    throw malformed(value);
}

QString connectionString(const QString& host, const QString& user, const QString& password) {
    const QStringList pairs = {
        QStringLiteral("Provider=") + QLatin1String(kProvider),
        QStringLiteral("Password=") + password,
        QStringLiteral("Persist Security Info=") + QLatin1String(kPersistSecurityInfo),
        QStringLiteral("User ID=") + user,
        QStringLiteral("Initial Catalog=") + QLatin1String(kCatalog),
        QStringLiteral("Data Source=") + host,
    };
    return pairs.join(QLatin1Char(';'));
}

std::unique_ptr<TDMdata> createDataModule(const DbLocation& location) {
    if (location.kind == DbLocation::Kind::Embedded && location.mustExist)
        return existingEmbedded(location.path);
    if (location.kind == DbLocation::Kind::Embedded) {
        auto dm = std::make_unique<TDMdata>(QStringLiteral("QSQLITE"));
        QSqlDatabase db = dm->conADO();
        db.setDatabaseName(location.path);
        db.setConnectOptions(QString::fromLatin1(kBusyTimeout));
        dm->onOpened = [](QSqlDatabase& opened) { prepareEmbeddedDatabase(opened); };
        // A new database file is readable only by the station's user and group.
        dm->onOpening = [path = location.path](QSqlDatabase&) { createOwnerGroupFile(path); };
        return dm;
    }
    return createServerDataModule(location);
}
