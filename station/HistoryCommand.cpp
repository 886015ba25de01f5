#include "station/HistoryCommand.h"

#include "core/AppError.h"
#include "core/Language.h"
#include "journal/JournalLocation.h"
#include "journal/PrintJournal.h"
#include "printing/StripHistory.h"
#include "station/CommandLine.h"
#include "station/StationLog.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

int runHistory(const QProcessEnvironment& env, const Command& command, StationLog& log) {
    try {
        // Reading the history makes no journal where there is none.
        const QString path = journalPath(env, QDir::currentPath());
        if (!QFileInfo::exists(path)) {
            if (command.json)
                std::fputs("[]\n", stdout);
            else
                log.info(
                    QStringLiteral("no print journal at %1: nothing was printed here").arg(path));
            return 0;
        }
        const auto journal = openHistoryJournal(env, QDir::currentPath());
        HistorySearch search;
        search.textPart = command.labelLike;
        search.to = QDate::currentDate();
        search.from = search.to.addDays(-command.days);
        const QList<JournalEntry> found = findStrips(*journal, search);
        QJsonArray strips;
        for (const JournalEntry& e : found) {
            const HistoryLine line = historyLine(e, UICodePage);
            const QString evidence = e.evidence.isEmpty() ? QStringLiteral("none") : e.evidence;
            if (!command.json) {
                log.info(QStringLiteral("%1  %2  %3  %4  %5  %6  %7")
                             .arg(QString::number(e.id), line.time, line.kind, line.port,
                                  line.labels, line.state, evidence) +
                         (line.reason.isEmpty() ? QString() : QStringLiteral("  ") + line.reason));
                continue;
            }
            QJsonArray records;
            for (const JournalRecord& r : e.records)
                records.append(QJsonObject{{QStringLiteral("iden_id"), r.idenId},
                                           {QStringLiteral("label"), r.text}});
            strips.append(QJsonObject{{QStringLiteral("strip"), e.id},
                                      {QStringLiteral("time"), e.created.toString(Qt::ISODate)},
                                      {QStringLiteral("kind"), line.kind},
                                      {QStringLiteral("port"), e.port},
                                      {QStringLiteral("labels"), line.labels},
                                      {QStringLiteral("records"), records},
                                      {QStringLiteral("state"), stateName(e.state())},
                                      {QStringLiteral("evidence"), e.evidence},
                                      {QStringLiteral("reason"), line.reason}});
        }
        if (command.json)
            std::fputs(QJsonDocument(strips).toJson(QJsonDocument::Indented).constData(), stdout);
        else if (found.isEmpty())
            log.info(QStringLiteral("no strip printed in the last %1 days").arg(command.days));
        return 0;
    } catch (const AppError& e) {
        log.error(e.text());
        return 1;
    }
}
