#include "station/HeldCommands.h"

#include "core/AppError.h"
#include "core/DataModule.h"
#include "core/Language.h"
#include "db/RecordClaims.h"
#include "journal/PrintJournal.h"
#include "printer/PplaPrinter.h"
#include "printing/PrintStation.h"
#include "printing/StationPresence.h"
#include "printing/StripJournal.h"
#include "printing/StripRecovery.h"
#include "station/CommandLine.h"
#include "station/StationLog.h"
#include "station/StationSession.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <cstdio>

namespace {

// One held strip as the commands show it.
struct HeldStrip {
    QString id; // the journal's entry number, or the claim's key for another station's strip
    UnfinishedStrip strip;
    QString station;
    QList<QPair<qint64, QString>> records;
    QString evidence;
};

QString since(const UnfinishedStrip& s) {
    return s.journaled.created.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// The held strips; claims of a live process of this station are its
// strips in flight, not held ones. When no process of this station is alive,
// what it left in flight becomes held first.
QList<HeldStrip> heldStrips(PrintStation& station, StripJournal* journal,
                            StationPresence& presence) {
    if (presence.alone())
        station.holdLeftovers();
    RecordClaims& claims = station.claims();
    QHash<qint64, ClaimedRecord> claimOf;
    for (const ClaimedRecord& c : claims.all())
        claimOf.insert(c.id, c);
    PrintJournal* journaled = journal ? journal->journal() : nullptr;
    QList<HeldStrip> out;
    QHash<qint64, QString> keyOf; // Iden_id -> claim key, for other stations' strips
    for (const ClaimedRecord& c : std::as_const(claimOf))
        keyOf.insert(c.id, c.strip);
    for (const UnfinishedStrip& s : unfinishedStrips(journaled, claims, station.codePage())) {
        HeldStrip h;
        h.strip = s;
        bool inFlight = false;
        if (s.entry != 0) {
            h.id = QString::number(s.entry);
            h.station = station.name();
            h.evidence = s.journaled.evidence;
            for (const JournalRecord& r : s.journaled.records) {
                if (r.idenId != 0)
                    h.records.append({r.idenId, r.text});
                const auto c = claimOf.constFind(r.idenId);
                inFlight |= c != claimOf.cend() && c->state == QLatin1String("claimed");
            }
        } else {
            h.id = keyOf.value(s.ids.value(0));
            h.station = s.station;
            for (qint64 id : s.ids)
                h.records.append({id, claimOf.value(id).labelText});
        }
        if (!inFlight)
            out << h;
    }
    return out;
}

QString recordsText(const HeldStrip& h) {
    QStringList parts;
    for (const auto& [id, text] : h.records)
        parts << QStringLiteral("%1 %2").arg(id).arg(text);
    return parts.isEmpty() ? QStringLiteral("(hand-typed)") : parts.join(QStringLiteral(", "));
}

QJsonObject heldJson(const HeldStrip& h) {
    QJsonArray records;
    for (const auto& [id, text] : h.records)
        records.append(
            QJsonObject{{QStringLiteral("iden_id"), id}, {QStringLiteral("label"), text}});
    return {{QStringLiteral("strip"), h.id},
            {QStringLiteral("station"), h.station},
            {QStringLiteral("since"), h.strip.journaled.created.toString(Qt::ISODate)},
            {QStringLiteral("port"), h.strip.journaled.port},
            {QStringLiteral("records"), records},
            {QStringLiteral("why"), h.strip.known},
            {QStringLiteral("evidence"), h.evidence}};
}

// The database, the journal and the station of a command; null dm when the
// database could not be reached (logged).
struct Opened {
    StationSession session;
    PplaPrinter printer; // nothing is printed; the station is built of it
    std::unique_ptr<PrintStation> station;
    StationPresence presence{QDir::currentPath()};
};

std::unique_ptr<Opened> openStation(const QProcessEnvironment& env, StationLog& log) {
    auto o = std::make_unique<Opened>();
    o->session = StationSession::open(env, log, StationSession::Journal::WhereItExists);
    if (!o->session.dm)
        return nullptr;
    if (o->session.journal && !o->session.journal->failure().isEmpty())
        log.warning(o->session.journal->failure());
    o->station = std::make_unique<PrintStation>(
        o->session.dm.get(), o->printer, nullptr, o->session.journal.get(),
        stationName(env.value(QStringLiteral("VORNELL_STATION"))), UICodePage);
    return o;
}

// Opens the station, lists its held strips and hands them to body, whose
// exit code it returns; an error is logged and exits 1.
template <typename Body>
int withHeldStrips(const QProcessEnvironment& env, StationLog& log, Body&& body) {
    const auto o = openStation(env, log);
    if (!o)
        return ExitCode::Database;
    try {
        return body(*o, heldStrips(*o->station, o->session.journal.get(), o->presence));
    } catch (const AppError& e) {
        log.error(e.text());
        return ExitCode::Failed;
    }
}

} // namespace

int runHeld(const QProcessEnvironment& env, const Command& command, StationLog& log) {
    return withHeldStrips(env, log, [&](Opened&, const QList<HeldStrip>& held) {
        if (command.json) {
            QJsonArray strips;
            for (const HeldStrip& h : held)
                strips.append(heldJson(h));
            std::fputs(QJsonDocument(strips).toJson(QJsonDocument::Indented).constData(), stdout);
            return ExitCode::Ok;
        }
        for (const HeldStrip& h : held)
            log.info(QStringLiteral("%1  %2  %3  %4  %5  -  %6  -  evidence: %7")
                         .arg(h.id, h.station, since(h.strip),
                              h.strip.journaled.port.isEmpty() ? QStringLiteral("-")
                                                               : h.strip.journaled.port,
                              recordsText(h), h.strip.known,
                              h.evidence.isEmpty() ? QStringLiteral("none") : h.evidence));
        if (held.isEmpty())
            log.info(QStringLiteral("no strip is held"));
        return ExitCode::Ok;
    });
}

int runDecide(const QProcessEnvironment& env, const Command& command, StationLog& log) {
    return withHeldStrips(env, log, [&](Opened& o, const QList<HeldStrip>& held) {
        QList<HeldStrip> chosen;
        if (command.decideAll) {
            chosen = held;
        } else {
            for (const QString& id : command.strips) {
                auto it = std::find_if(held.cbegin(), held.cend(),
                                       [&](const HeldStrip& h) { return h.id == id; });
                if (it == held.cend()) {
                    log.error(QStringLiteral("decide: strip %1 is not held (vornell held lists "
                                             "the held strips); nothing was decided")
                                  .arg(id));
                    return ExitCode::Usage;
                }
                chosen << *it;
            }
        }
        const QString note =
            command.markPrinted
                ? QStringLiteral("marked printed by %1: %2").arg(command.by, command.reason)
                : QStringLiteral("to be printed again, by %1: %2").arg(command.by, command.reason);
        PrintJournal* journaled = o.session.journal ? o.session.journal->journal() : nullptr;
        int failed = 0;
        for (const HeldStrip& h : std::as_const(chosen)) {
            QList<qint64> ids;
            for (const auto& r : h.records)
                ids << r.first;
            EventFields fields{h.id, QList<int64_t>(ids.begin(), ids.end())};
            try {
                decideStrips(journaled, o.station->claims(), {h.strip}, command.markPrinted, note);
                log.info(QStringLiteral("strip %1 (%2): %3").arg(h.id, recordsText(h), note),
                         StationEvent::StripDecided, fields);
            } catch (const AppError& e) {
                ++failed;
                log.error(QStringLiteral("strip %1: %2").arg(h.id, e.text()),
                          StationEvent::StripDecided, fields);
            }
        }
        if (chosen.isEmpty())
            log.info(QStringLiteral("no strip is held"));
        return failed == 0 ? ExitCode::Ok : ExitCode::Failed;
    });
}
