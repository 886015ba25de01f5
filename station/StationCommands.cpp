#include "station/StationCommands.h"

#include "core/AppError.h"
#include "core/DataModule.h"
#include "core/Language.h"
#include "db/DbDescription.h"
#include "db/DbLocation.h"
#include "printer/PplaPrinter.h"
#include "printing/PrintStation.h"
#include "printing/StationPresence.h"
#include "printing/StripJournal.h"
#include "settings/PortNames.h"
#include "settings/SettingsLoad.h"
#include "settings/uBarcode.h"
#include "station/AutoStation.h"
#include "station/CommandLine.h"
#include "station/HeldCommands.h"
#include "station/HistoryCommand.h"
#include "station/PrintListCommand.h"
#include "station/ServiceNotify.h"
#include "station/StationLog.h"
#include "station/StationPorts.h"
#include "station/StationSession.h"
#include "station/StatusCommand.h"
#include "station/StopSignal.h"
#include "station/StoppableFeedback.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QProcessEnvironment>

#include <cstdio>
#include <memory>

namespace {

// A stop that has not ended the run by then ends the process: a write or a
// printer that never answers cannot hold a station that is told to stop.
constexpr int kStopGraceMs = 4000;
// Printer feedback requests fail at once from this long after the stop.
constexpr int kFeedbackGraceMs = 2500;

StationLog* watchdogLog = nullptr;
StationLog* qtLog = nullptr;

// Qt's own warnings become log lines like the station's; its notes are left
// out. The offscreen platform's remark that a service has no runtime
// directory says nothing about printing.
void qtMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtDebugMsg || type == QtInfoMsg ||
        text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    if (qtLog)
        qtLog->warning(text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(oneLine(text)));
}

void lastWords() {
    if (watchdogLog)
        watchdogLog->warning(QStringLiteral(
            "auto: the strip in hand did not end within 4 s of the stop; not marked"));
}

// The layout from the settings file of the working directory, as the window
// loads it; a malformed value is reported once and takes its default.
TLabelLayout loadLayout(StationLog& log) {
    TLabelLayout layout;
    WindowGeometry geometry;
    const SettingsLoadResult loaded = loadSettings(layout, geometry);
    if (loaded.hasError())
        log.warning(loaded.errorText + QLatin1Char('.'));
    return layout;
}

int runAuto(const Command& command, StationLog& log) {
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The window's query drops the date and print-state conditions for a
    // text filter this long: every run would print printed labels again.
    if (ansiByteLength(command.labelLike, UICodePage) >= 8) {
        std::fprintf(stderr,
                     "vornell: --like %s: a filter of 8 or more characters would list printed "
                     "labels too\n",
                     qPrintable(command.labelLike));
        return ExitCode::Usage;
    }
    // The journal lives beside the settings file, as the window's does; one
    // that cannot be opened stops every run, and each run says so.
    StationSession session = StationSession::open(env, log, StationSession::Journal::Open);
    if (!session.dm)
        return ExitCode::Database;
    DMdata = session.dm.get();
    const TLabelLayout layout = loadLayout(log);
    AutoSettings settings;
    settings.labelSize = command.labelSize;
    settings.labelLike = command.labelLike;
    bool ok = false;
    const int interval = env.value(QStringLiteral("VORNELL_AUTO_INTERVAL_MS")).toInt(&ok);
    if (ok && interval > 0)
        settings.intervalMs = interval;
    if (!session.journal->failure().isEmpty())
        log.error(session.journal->failure());
    PplaPrinter printer;
    StoppableFeedback feedback(printer, kFeedbackGraceMs);
    watchdogLog = &log;
    StopSignal::startWatchdog(kStopGraceMs, ExitCode::Ok, lastWords);
    PrintStation station(session.dm.get(), printer, &feedback, session.journal.get(),
                         stationName(env.value(QStringLiteral("VORNELL_STATION"))), UICodePage);
    log.setStation(station.name(), layout.port);
    // Another process of this station still prints what it claimed.
    StationPresence presence(QDir::currentPath());
    const bool alone = presence.alone();
    // The layout's port checked once at start, as vornell status does.
    const PortCheck port = checkPort(printer, feedback, portNumber(layout.port), layout, UICodePage,
                                     session.journal->journal());
    if (port.usable)
        log.info(QStringLiteral("auto: %1: %2: present, %3; %4")
                     .arg(port.name, port.device, port.state, port.proves));
    else
        log.warning(QStringLiteral("auto: %1: %2: %3")
                        .arg(port.name, port.device, port.opens ? port.state : port.openError),
                    StationEvent::PrinterFault);
    ServiceNotify notify;
    AutoStation autoStation(*session.dm, station, layout, log, settings);
    autoStation.setHoldLeftovers(alone);
    autoStation.watchWith(&notify, env.value(QStringLiteral("VORNELL_METRICS_FILE")), port.usable);
    notify.ready(QStringLiteral("station %1: database %2; %3 %4")
                     .arg(station.name(), session.database, port.name,
                          port.usable ? QStringLiteral("ready") : QStringLiteral("not usable")));
    const int code = autoStation.run();
    presence.share();
    DMdata = nullptr;
    return code;
}

} // namespace

int runStationCommand(const Command& command, int& argc, char** argv) {
    switch (command.kind) {
    case Command::Kind::Help:
        std::fputs(qPrintable(usageText()), stdout);
        return ExitCode::Ok;
    case Command::Kind::Version:
        std::printf("vornell %s\n", qPrintable(programVersion()));
        return ExitCode::Ok;
    case Command::Kind::Usage:
        std::fprintf(stderr, "vornell: %s\n\n%s", qPrintable(command.error),
                     qPrintable(usageText()));
        return ExitCode::Usage;
    case Command::Kind::Window:
        break;
    case Command::Kind::Status: {
        qInstallMessageHandler(qtMessage);
        QCoreApplication app(argc, argv);
        UICodePage = codePageForLanguageId(systemDefaultLanguageId());
        StationLog log(stdout, stderr, false);
        const TLabelLayout layout = loadLayout(log);
        PplaPrinter printer;
        return runStatus(QProcessEnvironment::systemEnvironment(), layout, printer, printer, log,
                         command.json);
    }
    case Command::Kind::Held:
    case Command::Kind::Decide:
    case Command::Kind::History: {
        qInstallMessageHandler(qtMessage);
        QCoreApplication app(argc, argv);
        UICodePage = codePageForLanguageId(systemDefaultLanguageId());
        StationLog log(stdout, stderr, false);
        const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (command.kind == Command::Kind::Held)
            return runHeld(env, command, log);
        if (command.kind == Command::Kind::Decide)
            return runDecide(env, command, log);
        return runHistory(env, command, log);
    }
    case Command::Kind::PrintList:
    case Command::Kind::Auto: {
        // Texts are drawn with the system's fonts, which takes a GUI
        // application; the offscreen platform needs no display.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        StopSignal::install();
        StationLog log(stdout, stderr,
                       StationLog::underSystemd(QProcessEnvironment::systemEnvironment()));
        log.useJournalFields(QProcessEnvironment::systemEnvironment());
        qtLog = &log;
        qInstallMessageHandler(qtMessage);
        QGuiApplication app(argc, argv);
        UICodePage = codePageForLanguageId(systemDefaultLanguageId());
        if (command.kind == Command::Kind::Auto)
            return runAuto(command, log);
        const TLabelLayout layout = loadLayout(log);
        PplaPrinter printer;
        StoppableFeedback feedback(printer, kFeedbackGraceMs);
        return runPrintList(command, layout, printer, &feedback, log);
    }
    }
    return ExitCode::Usage;
}
