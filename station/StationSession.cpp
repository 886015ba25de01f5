#include "station/StationSession.h"

#include "core/AppError.h"
#include "core/DataModule.h"
#include "db/DbDescription.h"
#include "db/DbLocation.h"
#include "journal/JournalLocation.h"
#include "printing/StripJournal.h"
#include "station/StationLog.h"

#include <QDir>
#include <QFileInfo>

StationSession::StationSession() = default;
StationSession::StationSession(StationSession&&) noexcept = default;
StationSession& StationSession::operator=(StationSession&&) noexcept = default;
StationSession::~StationSession() = default;

StationSession StationSession::open(const QProcessEnvironment& env, StationLog& log,
                                    Journal journal) {
    StationSession s;
    try {
        const DbLocation location = resolveDbLocation(env);
        s.database = describeDbLocation(location);
        auto dm = createDataModule(location);
        try {
            dm->reopen();
            s.dm = std::move(dm);
        } catch (const AppError& e) {
            log.error(connectionFailureText(e.text()), StationEvent::DatabaseLost);
        }
    } catch (const AppError& e) {
        log.error(e.text(), StationEvent::DatabaseLost);
    }
    if (s.dm &&
        (journal == Journal::Open || QFileInfo::exists(journalPath(env, QDir::currentPath()))))
        s.journal = StripJournal::forStation(env, QDir::currentPath(), s.database);
    return s;
}
