#pragma once

#include "printing/LabelRow.h"
#include "printing/UncertainText.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

class PplaApi;
class PrinterFeedback;
class PrintProgress;
class StripJournal;
struct TLabelLayout;

// Whether the printer confirmed the strips of a run.
enum class FeedbackUse {
    NotAsked,  // no feedback given, switched off, or a port that cannot answer
    NoAnswer,  // no answer at the start: under Auto the run printed as without it
    Confirmed, // the printer answered: every strip marked was confirmed by it
};

// How a run asks the printer.
struct FeedbackSettings {
    // The first request: no answer by then, and the printer never answered
    // before, no feedback. Slow printers take hundreds of milliseconds.
    int firstAnswerMs = 2500;
    int answerMs = 1000;  // each request while the run goes
    int inFlight = 8;     // strips sent before they are confirmed together
    int pollMs = 5;       // pause between requests while the printer works
    int finishMs = 60000; // a group not finished by then is uncertain
    // A group the printer is not seen busy with by then is uncertain: it
    // may have printed before the first answer, or never read the strips.
    int beginMs = 3000;
    // For this long after a fault on the port, one strip is out at a time:
    // the next fault then puts one strip in doubt, not a whole group.
    int calmMs = 60000;
    // How long a group in flight waits for a paused printer to be started
    // again (it keeps what it was sent); then the group is uncertain.
    int pauseWaitMs = 30000;
    int32_t codePage = -1; // the interface language; -1: the system's
};

// How a run ended.
struct ListPrintResult {
    int stripsPrinted = 0; // printed and marked
    int recordsMarked = 0; // the label records of those strips
    bool completed = false;
    // Why the run ended early, in the operator's words; empty when it printed
    // everything or the operator stopped it.
    QString failure;
    FeedbackUse feedback = FeedbackUse::NotAsked;
    // Strips sent but not marked, not known to have come out.
    QList<UncertainStrip> uncertain;
    // Records of the list skipped because another station printed them.
    int printedElsewhere = 0;
    // Records of the list skipped because another station claimed or holds
    // them.
    int claimedElsewhere = 0;
};

// The strips of one run, one after another.
class StripSource {
public:
    virtual ~StripSource() = default;
    // The next strip; called only while more() holds.
    virtual LabelRow next() = 0;
    virtual bool more() const = 0;
    // Every strip was read.
    virtual bool complete() const = 0;
    // The strip came out: its records are marked.
    virtual void printed(const LabelRow& row) = 0;
    // The strip was handed out and is not marked: mayHaveComeOut when any
    // of it went out (held for a person), otherwise none of it did.
    virtual void notPrinted(const LabelRow&, bool /*mayHaveComeOut*/, const QString& /*reason*/) {}
};

// Sends the source's strips and hands each one that came out to printed().
//
// Without feedback (none given, Off, a port that cannot answer, or no answer
// to the first request under Auto), each strip counts as printed once the
// printer has taken its bytes, as it always did.
//
// With feedback, the printer is asked before the first strip: a fault or a
// pause prints nothing and ends the run naming the port and the condition;
// no answer under On does the same. Then up to settings.inFlight strips are
// sent and the printer is asked until it has been seen busy with them and then
// idle without a fault: only then do they count as printed. A fault, silence
// or a lost connection while a group is out makes every strip of the group
// uncertain; a pause is waited out (settings.pauseWaitMs), the printer then
// to be seen busy again. After a fault the port gets one strip at a time
// until it has gone settings.calmMs without one.
//
// With a journal (printing/StripJournal.h), a journal that cannot be used
// raises AppError before anything is sent. Each strip is journaled "sending"
// before its first byte, "sent" once the printer took it (with the hash of
// its bytes), "confirmed" once the printer finished its group, and "marked"
// once its records were marked; a strip that ended before any byte went out
// is "failed", one that may have come out in part or whole is "uncertain",
// both with the reason. For hand-typed strips "sent" (without feedback) or
// "confirmed" is the last step: nothing is marked. A journal write that fails
// raises AppError and the run sends nothing more.
ListPrintResult runStrips(StripSource& source, const TLabelLayout& layout, LabelFormat format,
                          PplaApi& ppla, PrintProgress& progress, PrinterFeedback* feedback,
                          const FeedbackSettings& settings = {}, StripJournal* journal = nullptr);
