#pragma once

#include "printer/PplaDecoder.h"
#include "printer/PrinterStatus.h"
#include "printer/StripRenderer.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// How the networked virtual printer behaves, faults included. A fault set to
// -1 never happens.
struct VirtualTcpPrinterOptions {
    QString host = QStringLiteral("127.0.0.1");
    quint16 port = 9100; // 0: any free port, see VirtualTcpPrinter::port()
    // Where each printed strip leaves a PNG and its raw bytes, as "preview:"
    // does; empty: strips are only counted.
    QString outDir;
    // A strip takes its label length (picture.labelHeightDots at picture.dpi)
    // at this speed to print.
    double inchesPerSecond = 4;
    int statusLatencyMs = 0; // how long an answer to <SOH>A takes
    // How long received format bytes wait in the input buffer before the
    // interpreter reads them. Immediate commands are picked out as the bytes
    // arrive and answered at once, ahead of what waits: an answer right after
    // a strip describes the printer as it was before that strip, as the DPL
    // manuals say of real printers. 0: formats are read as they arrive.
    int interpretDelayMs = 0;
    // After this many strips the paper is out: the flag shows Y and strips
    // received later wait, unprinted, until the printer is started again.
    int paperOutAfter = -1;
    // After this many strips the printer is paused, with the same effect.
    int pauseAfter = -1;
    bool mute = false; // never answers a status request
    // Answers every status request with bytes that are no status answer
    // (a printer set to another language, a line with noise).
    bool garble = false;
    // Once this many strips have been printed it answers no status request.
    int muteAfter = -1;
    // Once this many strips have been printed it hangs, as firmware that
    // locks up: it reads no byte more, answers nothing (not even requests
    // already owed), prints nothing more and takes no new connection; the
    // network stack still completes connections and buffers what fits.
    int hangAfter = -1;
    // The input buffer: once this many bytes wait in it unread, no more is
    // taken from the network until the interpreter has read some, so a
    // sender's writes back up. 0: unbounded.
    int inputBufferBytes = 0;
    // Once this many strips have come in, the first bytes of the next one
    // make the printer close that connection (abortively), once.
    int dropAfter = -1;
    VirtualPrinterOptions picture;
    // Told what happens (a connection, a strip printed, a fault), from the
    // printer's own thread.
    std::function<void(const QString&)> log;
    // Given every strip as it finishes printing, from the printer's own
    // thread while it holds its lock: it must not call the printer back.
    std::function<void(const DecodedLabel&)> printedStrip;
};

// A PPLA printer on raw TCP: it takes formats from any number of connections,
// prints them one after another at its speed, and answers <SOH>A truthfully
// at any moment, in the middle of a format or while printing, because the
// immediate command is picked out of the byte stream wherever it stands
// (and, with interpretDelayMs, before the formats received ahead of it are
// read). It
// runs on a thread of its own between start() and stop().
class VirtualTcpPrinter {
public:
    explicit VirtualTcpPrinter(VirtualTcpPrinterOptions options);
    ~VirtualTcpPrinter();
    VirtualTcpPrinter(const VirtualTcpPrinter&) = delete;
    VirtualTcpPrinter& operator=(const VirtualTcpPrinter&) = delete;

    // Listens and starts printing with a fresh state (paper in, not paused,
    // nothing counted); false with the reason in *error.
    bool start(QString* error);
    // Closes every connection; strips not yet printed are lost.
    void stop();
    bool isRunning() const;
    // The port it listens on.
    quint16 port() const;

    int printed() const;        // strips finished
    int received() const;       // formats received whole
    int waiting() const;        // received, not yet finished
    int statusRequests() const; // <SOH>A requests seen, answered or not
    int connections() const;    // accepted since start
    // Waits until at least count strips have finished.
    bool waitPrinted(int count, int timeoutMs) const;
    // What it would answer now.
    PrinterStatus status() const;
    // Strips it could not save in outDir.
    QStringList errors() const;

    // Faults switched while it runs, from any thread, as an operator or a
    // broken link would. Paper out and paused hold the strips received until
    // switched off again; muted answers no status request from now on (the
    // requests already owed are answered); the next strip byte to arrive, on
    // whichever connection, makes the printer close that connection
    // abortively, once. Each says what it did through the log.
    void setPaperOut(bool out);
    void setPaused(bool paused);
    void setMuted(bool muted);
    void dropNextConnection();

    // How long one strip takes to print, in milliseconds.
    static int stripMs(const VirtualTcpPrinterOptions& options);

private:
    struct State;
    std::unique_ptr<State> d_;
};
