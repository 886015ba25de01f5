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
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

struct DatabaseCheck {
    QString where;
    bool usable = false;
    QString error;
};

DatabaseCheck checkDatabase(const QProcessEnvironment& env) {
    DatabaseCheck c;
    try {
        const DbLocation location = resolveDbLocation(env);
        c.where = describeDbLocation(location);
        const std::unique_ptr<TDMdata> dm = createDataModule(location);
        try {
            dm->reopen();
        } catch (const AppError& e) {
            c.error = connectionFailureText(e.text());
            return c;
        }
        dm->conADO().close();
        c.usable = true;
    } catch (const AppError& e) {
        c.error = e.text();
    }
    return c;
}

QJsonObject portJson(const PortCheck& c) {
    return {{QStringLiteral("name"), c.name},
            {QStringLiteral("device"), c.device},
            {QStringLiteral("layout_port"), c.layoutPort},
            {QStringLiteral("opens"), c.opens},
            {QStringLiteral("usable"), c.usable},
            {QStringLiteral("state"), c.state},
            {QStringLiteral("error"), c.openError},
            {QStringLiteral("proves"), c.proves}};
}

} // namespace

int runStatus(const QProcessEnvironment& env, const TLabelLayout& layout, PplaApi& ppla,
              PrinterFeedback& feedback, StationLog& log, bool json) {
    const DatabaseCheck db = checkDatabase(env);
    const bool database = db.usable;
    if (!json && !db.usable)
        log.error(db.where.isEmpty() ? QStringLiteral("database: %1").arg(db.error)
                                     : QStringLiteral("database %1: %2").arg(db.where, db.error));
    else if (!json)
        log.info(QStringLiteral("database %1: connected").arg(db.where));
    bool port = false;
    QJsonArray ports;
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
        if (c.layoutPort)
            port = c.usable;
        if (json) {
            ports.append(portJson(c));
            continue;
        }
        const QString who =
            c.layoutPort ? QStringLiteral("%1 (the layout's port)").arg(c.name) : c.name;
        if (!c.opens)
            log.error(QStringLiteral("%1: %2: Open USB fail! %3").arg(who, c.device, c.openError));
        else if (!c.usable)
            log.error(QStringLiteral("%1: %2: %3").arg(who, c.device, c.state));
        else
            log.info(
                QStringLiteral("%1: %2: present, %3; %4").arg(who, c.device, c.state, c.proves));
    }
    const int code = database && port     ? ExitCode::Ok
                     : !database && !port ? ExitCode::DatabaseAndPort
                     : database           ? ExitCode::Port
                                          : ExitCode::Database;
    if (json) {
        const QJsonObject out{
            {QStringLiteral("database"), QJsonObject{{QStringLiteral("where"), db.where},
                                                     {QStringLiteral("usable"), db.usable},
                                                     {QStringLiteral("error"), db.error}}},
            {QStringLiteral("ports"), ports},
            {QStringLiteral("exit_code"), code}};
        std::fputs(QJsonDocument(out).toJson(QJsonDocument::Indented).constData(), stdout);
    }
    return code;
}
