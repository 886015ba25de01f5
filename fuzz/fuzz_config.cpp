// Configuration strings from the environment: VORNELL_DB, the printer port
// targets and their status settings, the layout's port names. Any text is
// taken or refused with a reason, and what is taken is in range; a server
// login's user name and password come back whole from the connection string.
#include "FuzzCheck.h"
#include "core/AppError.h"
#include "db/DbLocation.h"
#include "db/ServerLogin.h"
#include "printer/PortConfig.h"
#include "settings/PortNames.h"

#include <QHash>

namespace {

// How FreeTDS's ODBC driver takes a connection string apart: after a name and
// "=", a value runs to the next ";", or, when it begins with "{", to the first
// "}" that a ";" or the end of the string follows. A later pair of the same
// name wins.
QHash<QString, QString> freeTdsPairs(const QString& s) {
    QHash<QString, QString> pairs;
    qsizetype p = 0;
    while (p < s.size()) {
        while (p < s.size() && s[p] == QLatin1Char(';'))
            ++p;
        const qsizetype eq = s.indexOf(QLatin1Char('='), p);
        if (eq < 0)
            break;
        while (p < eq && s[p] == QLatin1Char(' '))
            ++p;
        const QString name = s.mid(p, eq - p).toUpper();
        p = eq + 1;
        qsizetype end = -1;
        if (p < s.size() && s[p] == QLatin1Char('{')) {
            ++p;
            for (qsizetype i = p; i < s.size(); ++i)
                if (s[i] == QLatin1Char('}') &&
                    (i + 1 == s.size() || s[i + 1] == QLatin1Char(';'))) {
                    end = i;
                    break;
                }
        } else {
            end = s.indexOf(QLatin1Char(';'), p);
        }
        if (end < 0)
            end = s.size();
        pairs[name] = s.mid(p, end - p);
        p = end;
        if (p >= s.size())
            break;
        if (s[p] == QLatin1Char('}'))
            ++p;
        ++p;
    }
    return pairs;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    QProcessEnvironment env;
    env.insert(QStringLiteral("VORNELL_DB"), text);
    try {
        const DbLocation loc = resolveDbLocation(env);
        if (loc.kind == DbLocation::Kind::SqlServer) {
            FUZZ_CHECK(!loc.host.isEmpty());
            FUZZ_CHECK(!loc.host.contains(QLatin1Char(';')));
            FUZZ_CHECK(loc.port >= 1 && loc.port <= 65535);
        } else {
            FUZZ_CHECK(!loc.path.isEmpty());
        }
    } catch (const AppError& e) {
        FUZZ_CHECK(e.text().contains(QStringLiteral("mssql:HOST,PORT")));
    }

    // The login: the user name and password reach FreeTDS as they are, or
    // are refused for the one sequence it cannot carry.
    DbLocation server;
    server.kind = DbLocation::Kind::SqlServer;
    server.host = QStringLiteral("plant-db");
    const QString user = text.left(text.size() / 2);
    const QString password = text.mid(text.size() / 2);
    try {
        const QHash<QString, QString> pairs =
            freeTdsPairs(odbcConnectionString(server, user, password));
        FUZZ_CHECK(pairs.value(QStringLiteral("UID")) == user);
        FUZZ_CHECK(pairs.value(QStringLiteral("PWD")) == password);
        FUZZ_CHECK(pairs.value(QStringLiteral("SERVER")) == server.host);
        FUZZ_CHECK(pairs.value(QStringLiteral("DATABASE")) == QStringLiteral("TovikCust"));
    } catch (const AppError& e) {
        FUZZ_CHECK(user.contains(QStringLiteral("};")) || password.contains(QStringLiteral("};")));
        FUZZ_CHECK(e.text().contains(QStringLiteral("cannot carry")));
    }

    const PortTarget target = parsePortTarget(text);
    switch (target.kind) {
    case PortTarget::Kind::None:
        FUZZ_CHECK(!target.error.isEmpty());
        break;
    case PortTarget::Kind::Tcp:
        FUZZ_CHECK(!target.host.isEmpty());
        FUZZ_CHECK(target.tcpPort >= 1);
        break;
    default:
        FUZZ_CHECK(!target.path.isEmpty());
    }
    const PortConfig config([&](const QString& name) {
        return name.endsWith(QLatin1String("_STATUS")) ? text : QString();
    });
    const PortTarget one = config.forPortNumber(QStringLiteral("1"));
    FUZZ_CHECK(one.statusError.isEmpty() || one.status == StatusMode::Auto);

    StatusMode mode = StatusMode::Auto;
    QString why;
    FUZZ_CHECK(parseStatusMode(text, &mode, &why) || !why.isEmpty());

    const int port = portNumber(text);
    FUZZ_CHECK((port >= 0 && port <= 6) || port == kUsbSearchPort);
    return 0;
}
