// vornell-virtual-printer: a PPLA printer on raw TCP for trying the station
// without hardware, faults on demand. Runs until SIGINT or SIGTERM.

#include "printer/VirtualTcpPrinter.h"

#include <QCommandLineParser>
#include <QGuiApplication>

#include <csignal>
#include <cstdio>
#include <pthread.h>

namespace {

bool parseCount(const QCommandLineParser& args, const QString& name, int* into, QString* error) {
    if (!args.isSet(name))
        return true;
    bool ok = false;
    const int n = args.value(name).toInt(&ok);
    if (!ok || n < 0) {
        *error = QStringLiteral("--%1: \"%2\" is not a whole number of 0 or more")
                     .arg(name, args.value(name));
        return false;
    }
    *into = n;
    return true;
}

bool parseOptions(const QCommandLineParser& args, VirtualTcpPrinterOptions* o, QString* error) {
    const QString listen = args.value(QStringLiteral("listen"));
    const qsizetype colon = listen.lastIndexOf(QLatin1Char(':'));
    bool ok = false;
    const uint port = colon > 0 ? listen.mid(colon + 1).toUInt(&ok) : 0;
    if (!ok || port > 65535) {
        *error = QStringLiteral("--listen: \"%1\" is not HOST:PORT").arg(listen);
        return false;
    }
    o->host = listen.left(colon);
    if (o->host.startsWith(QLatin1Char('[')) && o->host.endsWith(QLatin1Char(']')))
        o->host = o->host.mid(1, o->host.size() - 2);
    o->port = quint16(port);
    o->outDir = args.value(QStringLiteral("out"));
    o->inchesPerSecond = args.value(QStringLiteral("speed")).toDouble(&ok);
    if (!ok || !(o->inchesPerSecond > 0)) {
        *error = QStringLiteral("--speed: \"%1\" is not a speed above 0")
                     .arg(args.value(QStringLiteral("speed")));
        return false;
    }
    o->mute = args.isSet(QStringLiteral("mute"));
    o->garble = args.isSet(QStringLiteral("garble"));
    return parseCount(args, QStringLiteral("status-latency"), &o->statusLatencyMs, error) &&
           parseCount(args, QStringLiteral("interpret-delay"), &o->interpretDelayMs, error) &&
           parseCount(args, QStringLiteral("paper-out-after"), &o->paperOutAfter, error) &&
           parseCount(args, QStringLiteral("pause-after"), &o->pauseAfter, error) &&
           parseCount(args, QStringLiteral("drop-after"), &o->dropAfter, error) &&
           parseCount(args, QStringLiteral("hang-after"), &o->hangAfter, error) &&
           parseCount(args, QStringLiteral("input-buffer"), &o->inputBufferBytes, error);
}

} // namespace

int main(int argc, char** argv) {
    // Pictures are drawn without a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The signals that end the program are taken by sigwait below; blocked
    // before any thread starts, so every thread inherits the mask.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);

    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vornell-virtual-printer"));
    QCommandLineParser args;
    args.setApplicationDescription(
        QStringLiteral("A PPLA label printer on raw TCP that answers <SOH>A status requests."));
    args.addHelpOption();
    args.addOptions({
        {QStringLiteral("listen"), QStringLiteral("Address to listen on."),
         QStringLiteral("HOST:PORT"), QStringLiteral("127.0.0.1:9100")},
        {QStringLiteral("out"), QStringLiteral("Save a PNG and the raw bytes of each strip here."),
         QStringLiteral("DIR")},
        {QStringLiteral("speed"), QStringLiteral("Print speed (10 mm labels)."),
         QStringLiteral("INCHES_PER_SECOND"), QStringLiteral("4")},
        {QStringLiteral("status-latency"), QStringLiteral("Delay of each status answer."),
         QStringLiteral("MS"), QStringLiteral("0")},
        {QStringLiteral("interpret-delay"),
         QStringLiteral("Hold received formats this long before reading them; status requests "
                        "are answered at once, ahead of them."),
         QStringLiteral("MS"), QStringLiteral("0")},
        {QStringLiteral("paper-out-after"),
         QStringLiteral("Run out of paper after N strips (until restarted)."), QStringLiteral("N")},
        {QStringLiteral("pause-after"), QStringLiteral("Pause after N strips (until restarted)."),
         QStringLiteral("N")},
        {QStringLiteral("mute"), QStringLiteral("Never answer status requests.")},
        {QStringLiteral("garble"),
         QStringLiteral("Answer status requests with bytes that are no status answer.")},
        {QStringLiteral("hang-after"),
         QStringLiteral("Hang after N strips: read, answer and print nothing more."),
         QStringLiteral("N")},
        {QStringLiteral("input-buffer"),
         QStringLiteral("Take no more from the network while this many bytes wait unread."),
         QStringLiteral("BYTES")},
        {QStringLiteral("drop-after"),
         QStringLiteral("Close the connection in the middle of the strip after N strips, once."),
         QStringLiteral("N")},
    });
    args.process(app);

    VirtualTcpPrinterOptions options;
    QString error;
    if (!parseOptions(args, &options, &error)) {
        std::fprintf(stderr, "vornell-virtual-printer: %s\n", qPrintable(error));
        return 2;
    }
    options.log = [](const QString& text) {
        std::fprintf(stderr, "vornell-virtual-printer: %s\n", qPrintable(text));
    };
    VirtualTcpPrinter printer(options);
    if (!printer.start(&error)) {
        std::fprintf(stderr, "vornell-virtual-printer: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("listening on %s:%u, %d ms a strip\n", qPrintable(options.host),
                unsigned(printer.port()), VirtualTcpPrinter::stripMs(options));
    std::fflush(stdout);
    int signal = 0;
    sigwait(&endSignals, &signal);
    printer.stop();
    std::printf("%d strips printed, %d received\n", printer.printed(), printer.received());
    for (const QString& e : printer.errors())
        std::fprintf(stderr, "vornell-virtual-printer: %s\n", qPrintable(e));
    return printer.errors().isEmpty() ? 0 : 1;
}
