#include "db/ServerLogin.h"

#include "core/AppError.h"
#include "core/DataModule.h"
#include "db/DbLocation.h"
#include "db/TdsPrelogin.h"

#include <QFile>
#include <QSqlError>
#include <QStringList>

#include <algorithm>
#include <sys/prctl.h>

namespace {
const char* const kPassword = "51937406Xqz#";
const char* const kUser = "sa";
const char* const kCatalog = "TovikCust";

void wipeBytes(QByteArray& b) {
    if (!b.isDetached())
        b = QByteArray(); // shared: this copy only lets go
    else
        std::fill(b.data(), b.data() + b.size(), '\0');
    b.clear();
}

// The password for one open: the file's content without its line end, or the
// built-in one.
QString readPassword(const QString& file) {
    if (file.isEmpty())
        return QString::fromLatin1(kPassword);
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) // no copy in a read buffer
        throw AppError(
            QStringLiteral("Cannot read the password file %1: %2").arg(file, f.errorString()));
    QByteArray bytes = f.readAll();
    qsizetype n = bytes.size();
    while (n > 0 && (bytes[n - 1] == '\n' || bytes[n - 1] == '\r'))
        --n;
    QString password = QString::fromUtf8(bytes.constData(), n);
    wipeBytes(bytes);
    return password;
}

AppError uncarriable(const char* what) {
    return AppError(
        QStringLiteral("The %1 holds \"};\", which the FreeTDS connection string cannot carry")
            .arg(QLatin1String(what)));
}

bool needsBraces(const QString& value) {
    return value.contains(QLatin1Char(';')) || value.startsWith(QLatin1Char('{'));
}

QString pair(const char* key, const QString& value, const char* what) {
    const std::optional<QString> written = freeTdsValue(value);
    if (!written)
        throw uncarriable(what);
    return QLatin1String(key) + QLatin1Char('=') + *written;
}

const QLatin1String kDriver("DRIVER={FreeTDS};");

// keep with PWD after the driver, built in one buffer that is never
// reallocated, so the password leaves no copy behind on the way.
QString withPassword(const QString& keep, const QString& password) {
    if (password.contains(QLatin1String("};")))
        throw uncarriable("password");
    const bool braces = needsBraces(password);
    QString full;
    full.reserve(keep.size() + password.size() + 8);
    full.append(kDriver).append(QLatin1String("PWD="));
    if (braces)
        full.append(QLatin1Char('{'));
    full.append(password);
    if (braces)
        full.append(QLatin1Char('}'));
    full.append(QLatin1Char(';')).append(QStringView(keep).mid(kDriver.size()));
    return full;
}

} // namespace

void wipe(QString& s) {
    if (s.isDetached())
        std::fill(s.data(), s.data() + s.size(), QChar(u'\0'));
    s = QString();
}

std::optional<QString> freeTdsValue(const QString& value) {
    if (!needsBraces(value))
        return value;
    if (value.contains(QLatin1String("};")))
        return std::nullopt;
    return QLatin1Char('{') + value + QLatin1Char('}');
}

QString odbcConnectionString(const DbLocation& location, const QString& user,
                             const QString& password) {
    // The provider becomes the FreeTDS ODBC driver; "Persist Security Info"
    // has no ODBC counterpart. The rest map one to one, in the same order.
    const QStringList pairs = {
        pair("UID", user, "user name"),
        QStringLiteral("DATABASE=") + QLatin1String(kCatalog),
        pair("SERVER", location.host, "server name"),
        QStringLiteral("PORT=%1").arg(location.port),
        QStringLiteral("TDS_Version=7.3"),
        QStringLiteral("ClientCharset=UTF-8"),
        QStringLiteral("Encryption=") + encryptionName(location.encryption),
    };
    const QString keep = kDriver + pairs.join(QLatin1Char(';'));
    return password.isEmpty() ? keep : withPassword(keep, password);
}

std::unique_ptr<TDMdata> createServerDataModule(const DbLocation& location) {
    // Whole process, from here on: copies of the password outside this
    // program's reach may stay in freed memory until it ends.
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    const QString user = location.user.isEmpty() ? QString::fromLatin1(kUser) : location.user;
    const QString keep = odbcConnectionString(location, user, QString());
    auto dm = std::make_unique<TDMdata>(QStringLiteral("QODBC"));
    QSqlDatabase db = dm->conADO();
    db.setDatabaseName(keep);
    db.setConnectOptions(
        QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=15;SQL_ATTR_CONNECTION_TIMEOUT=30"));
    const QString passwordFile = location.passwordFile;
    dm->onOpening = [keep, passwordFile](QSqlDatabase& opening) {
        QString password = readPassword(passwordFile);
        QString full;
        try {
            full = withPassword(keep, password);
        } catch (...) {
            wipe(password);
            throw;
        }
        wipe(password);
        opening.setDatabaseName(full);
        wipe(full); // shared with the connection: only lets go
    };
    const bool require = location.encryption == DbEncryption::Require;
    dm->onOpenEnded = [keep, require, where = location](QSqlDatabase& db, bool opened) {
        QString held = db.databaseName();
        db.setDatabaseName(keep);
        wipe(held); // now the one holder of the string the driver was given
        // FreeTDS says no more than that the connection failed; ask the
        // server whether encryption was the reason.
        if (!opened && require && serverOffersEncryption(where.host, where.port, 5000) == false)
            throw AppError(QStringLiteral("The server %1,%2 does not encrypt connections, and "
                                          "VORNELL_DB_ENCRYPT=require refuses to log in without "
                                          "encryption: the login was not sent.")
                               .arg(where.host)
                               .arg(where.port));
    };
    // Qt's ODBC driver sends SET QUOTED_IDENTIFIER ON itself when it connects,
    // on a scrollable statement that a server may refuse (as a cursor), and
    // drops the error. The setting is made again here, forward-only; a
    // failure is a failed connection with the server's reason.
    dm->onOpened = [](QSqlDatabase& opened) {
        QSqlQuery q = forwardOnlyQuery(opened);
        if (!q.exec(QStringLiteral("SET QUOTED_IDENTIFIER ON")))
            throw AppError(QStringLiteral("SET QUOTED_IDENTIFIER ON failed: ") +
                           sqlErrorText(q.lastError()));
    };
    return dm;
}
