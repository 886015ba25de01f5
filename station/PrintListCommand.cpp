#include "station/PrintListCommand.h"

#include "core/AppError.h"
#include "core/Language.h"
#include "printing/PrintProgress.h"
#include "printing/PrintStation.h"
#include "printing/StripJournal.h"
#include "printing/StripRun.h"
#include "settings/uBarcode.h"
#include "station/CommandLine.h"
#include "station/ListFileStrips.h"
#include "station/StationLog.h"
#include "station/StopSignal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

// Progress in the log now and then; a stop signal ends the run after the
// strip in hand.
class LoggedProgress : public PrintProgress {
public:
    explicit LoggedProgress(StationLog& log) : log_(log) {}
    void begin(int) override {}
    bool advance(int done) override {
        if (done > 0 && done % ProgressStrips == 0 && done != lastLogged_) {
            lastLogged_ = done;
            log_.info(QStringLiteral("print-list: %1 strips printed").arg(done));
        }
        return !StopSignal::requested();
    }
    void end() override {}

private:
    StationLog& log_;
    int lastLogged_ = 0;
};

} // namespace

int runPrintList(const Command& command, const TLabelLayout& layout, PplaApi& ppla,
                 PrinterFeedback* feedback, StationLog& log) {
    const bool fromStdin = command.listFile == QLatin1String("-");
    const QString name = fromStdin ? QStringLiteral("standard input") : command.listFile;
    QFile file;
    if (fromStdin) {
        if (!file.open(stdin, QIODevice::ReadOnly)) {
            log.error(QStringLiteral("Cannot read the list from standard input: %1")
                          .arg(file.errorString()));
            return ExitCode::BadList;
        }
    } else {
        const QFileInfo info(command.listFile);
        if (!info.exists()) {
            log.error(QStringLiteral("The list file %1 does not exist").arg(name));
            return ExitCode::BadList;
        }
        if (info.isDir()) {
            log.error(QStringLiteral("The list file %1 is a directory").arg(name));
            return ExitCode::BadList;
        }
        file.setFileName(command.listFile);
        if (!file.open(QIODevice::ReadOnly)) {
            log.error(
                QStringLiteral("Cannot read the list file %1: %2").arg(name, file.errorString()));
            return ExitCode::BadList;
        }
    }
    ListFileStrips strips(file);
    if (!strips.more()) {
        if (!strips.readError().isEmpty())
            log.error(
                QStringLiteral("Cannot read the list file %1: %2").arg(name, strips.readError()));
        else
            log.error(QStringLiteral("The list file %1 holds no label text").arg(name));
        return ExitCode::BadList;
    }

    const LabelFormat format = command.textFormat ? LabelFormat::Text : LabelFormat::Barcode;
    LoggedProgress progress(log);
    ListPrintResult result;
    try {
        // No database: hand-typed strips are neither claimed nor marked. They
        // are journaled as the window's are, so the history shows them.
        const auto journal = StripJournal::forStation(QProcessEnvironment::systemEnvironment(),
                                                      QDir::currentPath(), QString());
        PrintStation station(nullptr, ppla, feedback, journal.get(),
                             stationName(qEnvironmentVariable("VORNELL_STATION")), UICodePage);
        result = station.printStrips(strips, layout, format, progress);
    } catch (const AppError& e) {
        result.failure = e.text();
    }
    const QString done = QStringLiteral("print-list: %1 strips printed to %2")
                             .arg(result.stripsPrinted)
                             .arg(layout.port);
    if (!result.failure.isEmpty()) {
        log.info(done);
        log.error(result.failure);
        return ExitCode::Failed;
    }
    if (!strips.readError().isEmpty()) {
        log.info(done);
        log.error(QStringLiteral("Cannot read the list file %1: %2").arg(name, strips.readError()));
        return ExitCode::BadList;
    }
    if (!result.completed) {
        log.warning(done + QStringLiteral("; stopped by a signal before the end of the list"));
        return ExitCode::Failed;
    }
    if (result.feedback == FeedbackUse::NoAnswer)
        log.info(done + QStringLiteral(" (no printer feedback)"));
    else
        log.info(done);
    return ExitCode::Ok;
}
