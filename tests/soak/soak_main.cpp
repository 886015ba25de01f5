// vornell-soak: runs the station unattended for minutes against an embedded
// database that a writer fills and a locker locks, with the networked virtual
// printer failing at random, then checks from the journal, the printer's
// output and the database that nothing was printed twice or lost and that
// the station's memory stayed flat. scripts/soak runs it.
//
//   vornell-soak [MINUTES] [--vornell PATH] [--in-process] [--dir DIR]
//                [--seed N] [--rate LABELS_PER_S] [--interval-ms MS] [--no-journal]
//   vornell-soak writer DB SECONDS RATE FIRST_SERIAL
//   vornell-soak locker DB SECONDS SEED GAP_MIN_MS GAP_MAX_MS

#include "journal/PrintJournal.h"
#include "printer/VirtualTcpPrinter.h"
#include "tests/soak/RssSampler.h"
#include "tests/soak/SoakDatabase.h"
#include "tests/soak/SoakFaults.h"
#include "tests/soak/SoakStation.h"
#include "tests/soak/SoakTally.h"

#include "core/AppError.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <mutex>
#include <random>

namespace {

using Clock = std::chrono::steady_clock;

void say(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// Each column on its own label, to the layout's port USB1.
const char* const kLayout = "[mainBarcode]\n_iprinter=USB1\n_ftype_name=Times New Roman\n"
                            "_fBellow=400 standard\n_bleft1=30\n_bleft2=270\n_bleft3=510\n"
                            "_btop1=30\n_btop2=30\n_btop3=30\n_bwidth1=1\n_bwidth2=1\n"
                            "_bwidth3=1\n_bhight1=30\n_bhight2=30\n_bhight3=30\n_fleft1=30\n"
                            "_fleft2=270\n_fleft3=510\n_ftop1=18\n_ftop2=18\n_ftop3=18\n"
                            "_fhight1=30\n_fhight2=30\n_fhight3=30\n";

// What came out of the printer, label by label.
struct PrinterOutput {
    std::mutex mutex;
    QHash<QString, int> labels;
    int strips = 0;
    int unreadable = 0; // barcodes whose bars carry no six characters

    void take(const DecodedLabel& strip) {
        std::lock_guard lock(mutex);
        ++strips;
        for (const DecodedBarcode& b : strip.barcodes) {
            const auto carried = decodeCode128Field(b.field);
            if (carried && carried->size() == 6)
                ++labels[labelTextOfBarcode(*carried)];
            else
                ++unreadable;
        }
    }
};

int helperMode(const QStringList& a) {
    if (a[1] == QLatin1String("writer") && a.size() == 6)
        return runWriter(a[2], a[3].toDouble(), a[4].toDouble(), a[5].toInt());
    if (a[1] == QLatin1String("locker") && a.size() == 7)
        return runLocker(a[2], a[3].toDouble(), a[4].toUInt(), a[5].toInt(), a[6].toInt());
    std::fprintf(stderr, "vornell-soak: bad %s arguments\n", qPrintable(a[1]));
    return 2;
}

// A writer or locker: the soak program again, its output kept for the end.
std::unique_ptr<QProcess> startHelper(const QStringList& args) {
    auto p = std::make_unique<QProcess>();
    p->setProcessChannelMode(QProcess::MergedChannels);
    p->start(QCoreApplication::applicationFilePath(), args);
    if (!p->waitForStarted(10000))
        throw std::runtime_error("cannot start " + args.value(0).toStdString());
    return p;
}

QString helperResult(QProcess& p) {
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished(5000);
        return QStringLiteral("did not end");
    }
    return QString::fromUtf8(p.readAll()).trimmed();
}

QString mb(qint64 kb) {
    return QStringLiteral("%1 MB").arg(kb / 1024.0, 0, 'f', 1);
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc > 1 && (qstrcmp(argv[1], "writer") == 0 || qstrcmp(argv[1], "locker") == 0)) {
        QStringList a;
        for (int i = 0; i < argc; ++i)
            a << QString::fromLocal8Bit(argv[i]);
        return helperMode(a);
    }
    // The in-process station draws texts with the system's fonts.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser cli;
    cli.addPositionalArgument("minutes", "how long the writer and the faults go on (10)");
    cli.addOption({"vornell", "the vornell program to run as vornell auto", "path"});
    cli.addOption({"in-process", "drive the print loop in this process"});
    cli.addOption({"no-journal", "in process: print without the print journal"});
    cli.addOption({"dir", "where the database, journal and logs go (a new folder)", "dir"});
    cli.addOption({"seed", "seed of the random faults and locks", "n"});
    cli.addOption({"rate", "labels inserted a second (8)", "n", "8"});
    cli.addOption({"interval-ms", "from one station run to the next (2000)", "ms", "2000"});
    cli.addHelpOption();
    cli.process(app);
    const double minutes = cli.positionalArguments().value(0, "10").toDouble();
    const double seconds = minutes * 60;
    const unsigned seed =
        cli.isSet("seed") ? cli.value("seed").toUInt() : unsigned(std::random_device{}());
    const double rate = cli.value("rate").toDouble();
    const int intervalMs = cli.value("interval-ms").toInt();
    if (!(seconds >= 60) || !(rate > 0) || intervalMs <= 0) {
        std::fprintf(stderr, "vornell-soak: at least 1 minute, a rate above 0, an interval\n");
        return 2;
    }

    QTemporaryDir made(QDir::temp().filePath("vornell-soak-XXXXXX"));
    made.setAutoRemove(false);
    const QString dir = cli.isSet("dir") ? cli.value("dir") : made.path();
    QDir().mkpath(dir);
    const QString dbPath = QDir(dir).filePath("soak.db");
    const QString journalFile = QDir(dir).filePath("journal.db");
    for (const QString& old : {dbPath, journalFile, QDir(dir).filePath("station.log")})
        QFile::remove(old);
    createSoakDatabase(dbPath);
    QFile ini(QDir(dir).filePath("Quillet.ini"));
    if (!ini.open(QIODevice::WriteOnly) || ini.write(kLayout) < 0)
        return say("vornell-soak: cannot write " + ini.fileName()), 1;
    ini.close();

    PrinterOutput output;
    VirtualTcpPrinterOptions po;
    po.port = 0;
    // Status answered at once, ahead of the formats that wait in the input
    // buffer, as the DPL manuals describe real printers.
    po.interpretDelayMs = 20;
    po.printedStrip = [&output](const DecodedLabel& strip) { output.take(strip); };
    VirtualTcpPrinter printer(po);
    QString error;
    if (!printer.start(&error))
        return say("vornell-soak: the virtual printer did not start: " + error), 1;

    SoakStationSetup setup;
    setup.dir = dir;
    setup.intervalMs = intervalMs;
    setup.logPath = QDir(dir).filePath("station.log");
    setup.journal = !cli.isSet("no-journal");
    setup.env = QProcessEnvironment::systemEnvironment();
    setup.env.insert("VORNELL_DB", "sqlite:" + dbPath);
    setup.env.insert("VORNELL_PRINTER_USB1",
                     QStringLiteral("tcp:127.0.0.1:%1").arg(printer.port()));
    setup.env.insert("VORNELL_JOURNAL", journalFile);
    setup.env.insert("QT_QPA_PLATFORM", "offscreen");
    QString why;
    std::unique_ptr<SoakStation> station =
        chooseStation(setup, cli.value("vornell"), cli.isSet("in-process"), &why);
    say(QStringLiteral("soak: %1 min in %2, seed %3, %4 labels/s, station runs every %5 ms")
            .arg(minutes)
            .arg(dir)
            .arg(seed)
            .arg(rate)
            .arg(intervalMs));
    say("soak: station: " + why);
    if (!station->start(&error)) {
        say("soak: " + station->describe() + " did not start: " + error);
        station = inProcessStation(setup);
        if (!station->start(&error))
            return say("soak: in process it did not start either: " + error), 1;
        say("soak: station: falling back to " + station->describe());
    }

    const auto begin = Clock::now();
    const auto end = begin + std::chrono::milliseconds(qint64(seconds * 1000));
    auto writer =
        startHelper({"writer", dbPath, QString::number(seconds), QString::number(rate), "1"});
    auto locker = startHelper({"locker", dbPath, QString::number(seconds),
                               QString::number(seed ^ 0x5eed), "3000", "12000"});
    FaultInjector faults(printer, seed, {});
    faults.start();
    RssSampler rss(station->pid(), 60, [&](int minute, qint64 kb) {
        std::lock_guard lock(output.mutex);
        say(QStringLiteral("minute %1: %2 strips printed, %3 faults, station RSS %4")
                .arg(minute)
                .arg(output.strips)
                .arg(faults.injectedTotal())
                .arg(mb(kb)));
    });

    QStringList problems;
    bool alive = station->runUntil(end, &error);
    faults.stop();
    const QString writerSaid = helperResult(*writer);
    const QString lockerSaid = helperResult(*locker);
    // The faults are cleared: the station prints what is left.
    if (alive)
        alive = station->runUntil(
            Clock::now() + std::chrono::milliseconds(std::max(15000, 3 * intervalMs)), &error);
    if (!alive)
        problems << "the station ended before it was told to: " + error;
    const qint64 rssEnd = RssSampler::rssKb(station->pid());
    rss.stop();
    const QString stationExit = station->stop();
    for (int waited = 0; printer.waiting() > 0 && waited < 60000; waited += 100)
        printer.waitPrinted(printer.printed() + 1, 100);
    if (printer.waiting() > 0)
        problems << QStringLiteral("%1 strips still wait in the printer").arg(printer.waiting());
    printer.stop();

    SoakObservations o;
    const SoakDatabaseState db = readSoakDatabase(dbPath);
    o.inserted = db.labels;
    o.marked = db.marked;
    {
        std::lock_guard lock(output.mutex);
        o.printed = output.labels;
    }
    int journalHeld = 0;
    if (QFile::exists(journalFile)) {
        try {
            PrintJournal journal;
            journal.open(journalFile);
            o.held = journal.heldIds();
            journalHeld = int(o.held.size());
        } catch (const AppError& e) {
            problems << "the journal cannot be read: " + e.text();
        }
    }
    const QSet<qint64> logHeld = station->heldFromLog();
    o.held.unite(logHeld);
    o.rssAfterFirstMinuteKb = rss.settledKb();
    o.rssPeakLaterKb = std::max(rss.peakAfterKb(), rssEnd);
    o.rssEndKb = rssEnd;
    const SoakFigures f = tallySoak(o);

    QStringList kinds;
    for (int k = 0; k < kFaultKinds; ++k)
        kinds << QStringLiteral("%1 %2")
                     .arg(faultName(FaultKind(k)))
                     .arg(faults.injected(FaultKind(k)));
    say(QStringLiteral("station:          %1, %2").arg(station->describe(), stationExit));
    say("writer:           " + writerSaid);
    say("locker:           " + lockerSaid);
    say(QStringLiteral("labels inserted:  %1").arg(f.labelsInserted));
    say(QStringLiteral("labels printed:   %1 (%2 labels came out on %3 strips, %4 unreadable)")
            .arg(f.labelsPrinted)
            .arg(f.stripsLabelsPrinted)
            .arg(output.strips)
            .arg(output.unreadable));
    say(QStringLiteral("marked:           %1").arg(f.marked));
    say(QStringLiteral("held:             %1 (journal %2, station log %3)")
            .arg(f.held)
            .arg(journalHeld)
            .arg(logHeld.size()));
    say(QStringLiteral("left unprinted:   %1").arg(f.leftUnprinted));
    say(QStringLiteral("faults injected:  %1: %2")
            .arg(faults.injectedTotal())
            .arg(kinds.join(", ")));
    say(QStringLiteral("duplicates:       %1").arg(f.duplicates.size()));
    say(QStringLiteral("lost:             %1").arg(f.lost.size()));
    say(QStringLiteral("marked, not printed: %1").arg(f.notPrinted.size()));
    say(QStringLiteral("RSS:              %1 after minute 1, %2 at the end, peak after minute 1 "
                       "%3 (%4%5 %)")
            .arg(mb(o.rssAfterFirstMinuteKb), mb(o.rssEndKb), mb(o.rssPeakLaterKb))
            .arg(f.memoryGrowthPercent >= 0 ? "+" : "")
            .arg(f.memoryGrowthPercent, 0, 'f', 1));
    problems += f.failures();
    if (!problems.isEmpty()) {
        for (const QString& p : std::as_const(problems))
            say("FAILED: " + p);
        say("soak: the database, journal and station log are in " + dir);
        return 1;
    }
    say("soak: passed");
    return 0;
}
