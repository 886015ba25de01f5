#include "station/StatusCommand.h"

#include "core/AppError.h"
#include "core/DataModule.h"
#include "core/Language.h"
#include "db/DbDescription.h"
#include "db/DbLocation.h"
#include "journal/JournalLocation.h"
#include "journal/PrintJournal.h"
#include "settings/uBarcode.h"
#include "station/CommandLine.h"
#include "station/StationLog.h"
#include "station/StationPorts.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool databaseUsable(const QProcessEnvironment& env, StationLog& log) {
    try {
        const DbLocation location = resolveDbLocation(env);
        const QString where = describeDbLocation(location);
        const std::unique_ptr<TDMdata> dm = createDataModule(location);
        try {
            dm->reopen();
        } catch (const AppError& e) {
            log.error(
                QStringLiteral("database %1: %2").arg(where, connectionFailureText(e.text())));
            return false;
        }
        log.info(QStringLiteral("database %1: connected").arg(where));
        dm->conADO().close();
        return true;
    } catch (const AppError& e) {
        log.error(QStringLiteral("database: %1").arg(e.text()));
        return false;
    }
}

} // namespace

int runStatus(const QProcessEnvironment& env, const TLabelLayout& layout, PplaApi& ppla,
              PrinterFeedback& feedback, StationLog& log) {
    const bool database = databaseUsable(env, log);
    bool port = false;
    // The journal (when there is one) knows which printers have answered.
    std::unique_ptr<PrintJournal> journal;
    const QString journalFile = journalPath(env, QDir::currentPath());
    if (QFileInfo::exists(journalFile)) {
        try {
            journal = std::make_unique<PrintJournal>();
            journal->open(journalFile, journalKeepDays(env));
        } catch (const AppError& e) {
            log.warning(e.text());
            journal.reset();
        }
    }
    for (int number : configuredPorts(env, layout)) {
        const PortCheck c = checkPort(ppla, feedback, number, layout, UICodePage, journal.get());
        const QString who =
            c.layoutPort ? QStringLiteral("%1 (the layout's port)").arg(c.name) : c.name;
        if (!c.opens)
            log.error(QStringLiteral("%1: %2: Open USB fail! %3").arg(who, c.device, c.openError));
        else if (!c.usable)
            log.error(QStringLiteral("%1: %2: %3").arg(who, c.device, c.state));
        else
            log.info(
                QStringLiteral("%1: %2: present, %3; %4").arg(who, c.device, c.state, c.proves));
        if (c.layoutPort)
            port = c.usable;
    }
    if (database && port)
        return ExitCode::Ok;
    if (!database && !port)
        return ExitCode::DatabaseAndPort;
    return database ? ExitCode::Port : ExitCode::Database;
}
