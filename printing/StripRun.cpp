#include "printing/StripRun.h"

#include "core/AppError.h"
#include "core/Language.h"
#include "core/TestAbort.h"
#include "printer/PortConfig.h"
#include "printer/PplaApi.h"
#include "printer/PrinterFeedback.h"
#include "printing/PortDevice.h"
#include "printing/PrintLabelRowJob.h"
#include "printing/PrintProgress.h"
#include "printing/RunTexts.h"
#include "printing/StripJournal.h"
#include "printing/StripPlan.h"
#include "settings/PortNames.h"
#include "settings/uBarcode.h"

#include <QDeadlineTimer>

#include <QThread>
#include <algorithm>

#include <vector>

namespace {

constexpr int32_t kChinese = 936;
// How often a paused printer is asked whether it was started again.
constexpr int kPausePollMs = 50;

// Paused by its operator, with no fault: it keeps what it was sent.
bool pausedOnly(const PrinterStatus& status) {
    const QList<StatusFlag> faults = status.faults();
    return faults.size() == 1 && faults.front() == StatusFlag::Paused;
}

// A strip sent and the journal entry that follows it (0: no journal).
struct InFlight {
    LabelRow row;
    qint64 entry = 0;
};

class Run {
public:
    Run(StripSource& source, const TLabelLayout& layout, LabelFormat format, PplaApi& ppla,
        PrintProgress& progress, PrinterFeedback* feedback, const FeedbackSettings& settings,
        StripJournal* journal)
        : source_(source), layout_(layout), format_(format), ppla_(ppla), progress_(progress),
          feedback_(feedback), s_(settings), journal_(journal), port_(portNumber(layout.port)),
          zh_((settings.codePage < 0 ? UICodePage : settings.codePage) == kChinese),
          codePage_(zh_ ? kChinese : 437), t_(zh_) {}

    ListPrintResult go() {
        if (journal_)
            journal_->beginRun(layout_.port);
        inFlight_ = std::max(1, s_.inFlight);
        if (feedback_) {
            const qint64 since = feedback_->msSinceFault(port_);
            if (since >= 0 && since < s_.calmMs)
                inFlight_ = 1;
        }
        if (source_.more() && feedback_ && feedback_->feedbackMode(port_) != StatusMode::Off)
            askFirst();
        if (r_.failure.isEmpty()) {
            if (r_.feedback == FeedbackUse::Confirmed)
                confirmed();
            else
                plain();
        }
        if (journal_)
            endRun();
        return r_;
    }

private:
    QString onPort(const QString& text) const { return t_.onPort(layout_.port, text); }

    void askFirst() {
        const StatusMode mode = feedback_->feedbackMode(port_);
        // A printer that has answered once is held to confirmation: its
        // silence now is a fault, not a printer that cannot answer.
        const bool answeredBefore =
            mode == StatusMode::Auto && journal_ && journal_->portAnswered();
        const bool required = mode == StatusMode::On || answeredBefore;
        QString error;
        const auto status = feedback_->askStatus(port_, s_.firstAnswerMs, &error);
        if (!status) {
            r_.feedback = FeedbackUse::NoAnswer;
            if (feedback_->printerSpoke())
                // It talks, so it is no one-way printer: an answer that cannot
                // be read proves nothing, and printing blind would mark on it.
                r_.failure = onPort(t_.unreadableAnswer(error));
            else if (answeredBefore)
                r_.failure = onPort(t_.silentAgain(error));
            else if (mode == StatusMode::Auto && deliveryEvidence() == QLatin1String("network") &&
                     portOpens())
                // A networked printer's acknowledgement is its network stack's
                // word only; a person may accept it by switching feedback off.
                r_.failure = onPort(
                    t_.networkUnconfirmed(error, port_ == 0 ? QStringLiteral("0") : layout_.port));
            else if (required)
                r_.failure = onPort(t_.noAnswer(error));
            if (!r_.failure.isEmpty())
                printerFault();
            return;
        }
        r_.feedback = FeedbackUse::Confirmed;
        if (mode == StatusMode::Auto && journal_ && !answeredBefore)
            journal_->notePortAnswered();
        if (!status->ready()) {
            r_.failure = onPort(describeStatus(*status, codePage_));
            printerFault();
            return;
        }
    }

    // Each strip counts once the printer took its bytes.
    void plain() {
        while (source_.more()) {
            const LabelRow row = source_.next();
            bool sentAny = false;
            qint64 entry = 0;
            try {
                const StripPlan plan = planStrip(layout_, format_, row, codePage_);
                entry = sending(plan);
                if (!send(plan, entry, &r_.failure, &sentAny)) {
                    note(entry, sentAny ? StripState::Uncertain : StripState::Failed, r_.failure);
                    if (!sentAny && !plan.refused.isEmpty())
                        refusedStrip(row, plan, r_.failure);
                    else
                        source_.notPrinted(row, sentAny, r_.failure);
                    return;
                }
                sentAny = true;
                sent(entry);
            } catch (const AppError& e) {
                source_.notPrinted(row, sentAny, e.text());
                throw;
            }
            source_.printed(row);
            marked({row, entry});
            ++r_.stripsPrinted;
            if (!progress_.advance(r_.stripsPrinted))
                break;
        }
        r_.completed = source_.complete();
    }

    void confirmed() {
        while (source_.more() && !stop_) {
            const LabelRow row = source_.next();
            QString why;
            bool sentAny = false;
            // Asked on the strip's own connection: the answer comes only once
            // the printer has read the whole strip.
            QString unread;
            std::optional<PrinterStatus> taken;
            const auto ask = [&] { taken = feedback_->askOpenPort(s_.answerMs, &unread); };
            qint64 entry = 0;
            bool whole = false;
            StripPlan plan;
            try {
                plan = planStrip(layout_, format_, row, codePage_);
                entry = sending(plan);
                whole = send(plan, entry, &why, &sentAny, ask);
                if (whole)
                    sent(entry);
            } catch (const AppError& e) {
                source_.notPrinted(row, sentAny, e.text());
                holdGroup(e.text());
                throw;
            }
            if (!whole) {
                // What went before it may still be confirmed; this strip,
                // if any of it went out, is not known to have come out.
                if (!sentAny && !plan.refused.isEmpty())
                    refusedStrip(row, plan, why);
                else
                    source_.notPrinted(row, sentAny, sentAny ? onPort(why) : why);
                confirm();
                note(entry, sentAny ? StripState::Uncertain : StripState::Failed,
                     sentAny ? onPort(why) : why);
                if (sentAny) {
                    r_.uncertain.append({row, onPort(why)});
                    printerFault();
                }
                end(why);
                return;
            }
            if (!taken) {
                const QString reason = onPort(t_.notReadWhole(unread));
                source_.notPrinted(row, true, reason);
                confirm();
                note(entry, StripState::Uncertain, reason);
                r_.uncertain.append({row, reason});
                printerFault();
                end(reason);
                return;
            }
            group_.push_back({row, entry});
            // Busy now is busy after this strip's bytes: the group's work
            // was seen begun (an idle answer proves nothing yet).
            busySeen_ = taken->busy();
            if (!taken->ready() && !waitOutPause(*taken)) {
                end({});
                return;
            }
            // Asked after every strip so that the window paints and a stop
            // is seen; the count moves when a group is confirmed.
            if (!progress_.advance(r_.stripsPrinted))
                stop_ = true;
            if (int(group_.size()) >= inFlight_ || stop_ || !source_.more()) {
                if (!confirm()) {
                    end({});
                    return;
                }
            }
        }
        if (!confirm()) {
            end({});
            return;
        }
        r_.completed = source_.complete();
    }

    // Asks until the printer has been seen working on the group and then
    // idle without a fault, then marks it; otherwise the group is uncertain
    // and the run ends. A printer answers at once, ahead of formats still in
    // its input buffer, so an idle answer before any busy one may describe
    // it before it read the group: it proves nothing.
    bool confirm() {
        if (group_.empty())
            return true;
        QDeadlineTimer until(s_.finishMs);
        QDeadlineTimer begun(s_.beginMs);
        for (;;) {
            QString error;
            const auto status = feedback_->askStatus(port_, s_.answerMs, &error);
            if (!status)
                return stoppedAnswering(error);
            if (!status->ready()) {
                // Seen busy with the group, then idle and paused: it finished
                // them before its operator paused it.
                if (busySeen_ && !status->busy() && pausedOnly(*status))
                    break;
                if (!waitOutPause(*status))
                    return false;
                // Started again: the time limits run from now.
                until = QDeadlineTimer(s_.finishMs);
                begun = QDeadlineTimer(s_.beginMs);
                continue;
            }
            if (status->busy())
                busySeen_ = true;
            else if (busySeen_)
                break;
            else if (begun.hasExpired())
                return fail(t_.notSeenWorking(s_.beginMs / 1000.0));
            if (until.hasExpired())
                return fail(t_.notFinished(s_.finishMs / 1000));
            QThread::msleep(s_.pollMs);
        }
        try {
            for (const InFlight& f : group_)
                if (f.entry != 0)
                    journal_->note(f.entry, StripState::Confirmed, {}, QStringLiteral("confirmed"));
        } catch (const AppError& e) {
            holdGroup(e.text());
            throw;
        }
        abortAt("confirmed");
        for (size_t i = 0; i < group_.size(); ++i) {
            try {
                source_.printed(group_[i].row);
            } catch (const AppError& e) {
                // The strips after it came out too and are not marked either:
                // held with it.
                QStringList rest;
                for (size_t j = i + 1; j < group_.size(); ++j) {
                    source_.notPrinted(group_[j].row, true, e.text());
                    for (const LabelSlot& slot : group_[j].row.labels)
                        if (slot.id != 0)
                            rest << QString::number(slot.id);
                }
                group_.clear();
                if (rest.isEmpty())
                    throw;
                throw AppError(QStringLiteral("%1 Also printed and not marked: Iden_id %2.")
                                   .arg(e.text(), rest.join(QStringLiteral(", "))));
            }
            marked(group_[i]);
            ++r_.stripsPrinted;
            if (!progress_.advance(r_.stripsPrinted))
                stop_ = true; // after the strips in flight, none more
        }
        group_.clear();
        return true;
    }

    bool stoppedAnswering(const QString& error) { return fail(t_.stoppedAnswering(error)); }

    // A printer that is only paused keeps what it was sent and goes on when
    // started again, so the group waits for that (the window still paints
    // and its operator can stop), and the printer must then be seen busy
    // again: a printer whose buffer was cleared while paused stays idle.
    // False, with the group uncertain on what was seen, for any other fault,
    // a pause that outlasts pauseWaitMs, silence, or a stop.
    bool waitOutPause(PrinterStatus status) {
        const QDeadlineTimer until(s_.pauseWaitMs);
        while (pausedOnly(status)) {
            if (until.hasExpired() || !progress_.advance(r_.stripsPrinted))
                return fail(describeStatus(status, codePage_));
            QThread::msleep(std::max(s_.pollMs, kPausePollMs));
            QString error;
            const auto next = feedback_->askStatus(port_, s_.answerMs, &error);
            if (!next)
                return stoppedAnswering(error);
            status = *next;
        }
        if (!status.ready())
            return fail(describeStatus(status, codePage_));
        busySeen_ = false;
        return true;
    }

    void printerFault() {
        if (feedback_)
            feedback_->noteFault(port_);
    }

    // The group in flight is uncertain; the first such reason ends the run.
    bool fail(const QString& why) {
        printerFault();
        const QString text = onPort(why);
        for (const InFlight& f : group_) {
            source_.notPrinted(f.row, true, text);
            note(f.entry, StripState::Uncertain, text);
            r_.uncertain.append({f.row, text});
        }
        group_.clear();
        if (endText_.isEmpty())
            endText_ = text;
        return false;
    }

    // A strip the printer would refuse, never sent. A record whose own text
    // is refused (a plain label text in its place passes) is held for a
    // person, so that it does not end every later run before the records
    // after it; the others of the strip are free again. A refusal the layout
    // causes holds nothing.
    void refusedStrip(const LabelRow& row, const StripPlan& plan, const QString& why) {
        LabelRow held;
        LabelRow others = row;
        for (const RefusedField& f : plan.refused) {
            LabelSlot& slot = others.labels[size_t(f.column)];
            if (slot.id == 0)
                continue;
            LabelRow probe = row;
            probe.labels[size_t(f.column)].text = QStringLiteral("VA000000");
            const StripPlan again = planStrip(layout_, format_, probe, codePage_);
            const bool recordsOwn =
                std::none_of(again.refused.begin(), again.refused.end(),
                             [&](const RefusedField& r) { return r.column == f.column; });
            if (recordsOwn) {
                held.labels[size_t(f.column)] = slot;
                slot = LabelSlot();
            }
        }
        source_.notPrinted(held, true, why + t_.recordHeldForPerson());
        source_.notPrinted(others, false, why);
    }

    // The run ends on an error with strips in flight: they went out, and
    // nobody knows whether they came out.
    void holdGroup(const QString& why) {
        for (const InFlight& f : group_)
            source_.notPrinted(f.row, true, why);
        group_.clear();
    }

    // The last steps of the run reach the disk; a journal that cannot take
    // them ends the run with its message (the next strip would stop on it).
    void endRun() {
        try {
            journal_->endRun();
        } catch (const AppError& e) {
            if (r_.failure.isEmpty())
                r_.failure = e.text();
        }
    }

    // The journal's steps; each does nothing without a journal.
    qint64 sending(const StripPlan& plan) {
        // A strip with a refused field is never sent: nothing to journal.
        if (!journal_ || !plan.refused.isEmpty())
            return 0;
        const qint64 entry = journal_->sending(plan);
        abortAt("sending");
        return entry;
    }
    bool send(const StripPlan& plan, qint64 entry, QString* why, bool* sentAny,
              const std::function<void()>& printedOut = {}) {
        try {
            return PrintLabelRowJob(plan, ppla_, why, sentAny, printedOut);
        } catch (const AppError& e) {
            note(entry, *sentAny ? StripState::Uncertain : StripState::Failed, e.text());
            throw;
        }
    }
    void sent(qint64 entry) {
        if (entry != 0)
            journal_->sent(entry, ppla_.lastPrintOut(), deliveryEvidence());
        abortAt("sent");
    }
    // Whether the port opens now (a printer that cannot be reached is told
    // as the strip's own open tells it).
    bool portOpens() {
        if (ppla_.A_CreatePrn(0, QByteArray::number(port_).constData()) > 0)
            return false;
        ppla_.A_ClosePrn();
        return true;
    }
    // What the port's taking the bytes proves: a TCP peer's acknowledgement
    // says only that its network stack has them.
    QString deliveryEvidence() const {
        return portDevice(layout_.port, PortConfig()).startsWith(QLatin1String("tcp:"))
                   ? QStringLiteral("network")
                   : QStringLiteral("delivered");
    }
    void note(qint64 entry, StripState state, const QString& reason = {}) {
        if (entry != 0)
            journal_->note(entry, state, reason);
    }
    void marked(const InFlight& f) {
        for (const LabelSlot& slot : f.row.labels)
            r_.recordsMarked += slot.id != 0 ? 1 : 0;
        if (!StripJournal::hasRecords(f.row))
            return; // a hand-typed strip ends at sent or confirmed
        note(f.entry, StripState::Marked);
        abortAt("marked");
    }

    // Ends the run: the first fault seen, else why, with every strip held.
    void end(const QString& why) {
        r_.failure = withUncertain(endText_.isEmpty() ? why : endText_, r_.uncertain, zh_);
    }

    StripSource& source_;
    const TLabelLayout& layout_;
    LabelFormat format_;
    PplaApi& ppla_;
    PrintProgress& progress_;
    PrinterFeedback* feedback_;
    FeedbackSettings s_;
    StripJournal* journal_;
    int port_;
    bool zh_;
    int32_t codePage_;
    RunTexts t_;
    std::vector<InFlight> group_;
    int inFlight_ = 1;      // strips sent before they are confirmed together
    bool stop_ = false;     // the operator asked to stop
    bool busySeen_ = false; // the printer seen busy since the group's last strip
    QString endText_;       // the first fault seen while strips were out
    ListPrintResult r_;
};

} // namespace

ListPrintResult runStrips(StripSource& source, const TLabelLayout& layout, LabelFormat format,
                          PplaApi& ppla, PrintProgress& progress, PrinterFeedback* feedback,
                          const FeedbackSettings& settings, StripJournal* journal) {
    return Run(source, layout, format, ppla, progress, feedback, settings, journal).go();
}
