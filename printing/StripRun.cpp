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
          codePage_(zh_ ? kChinese : 437) {}

    ListPrintResult go() {
        if (journal_)
            journal_->beginRun(layout_.port);
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
    QString onPort(const QString& text) const {
        return (zh_ ? QStringLiteral(u"%1：%2") : QStringLiteral("%1: %2")).arg(layout_.port, text);
    }

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
                r_.failure =
                    onPort((zh_ ? QStringLiteral(u"无法读取打印机的状态应答（%1），未打印任何标签")
                                : QStringLiteral("the printer's status answer cannot be read (%1); "
                                                 "nothing was printed"))
                               .arg(error));
            else if (answeredBefore)
                r_.failure = onPort(
                    (zh_ ? QStringLiteral(u"该打印机以前应答过状态查询，现在没有应答（%1），"
                                          u"未打印任何标签")
                         : QStringLiteral("the printer answered status requests before and does "
                                          "not now (%1); nothing was printed"))
                        .arg(error));
            else if (mode == StatusMode::Auto && deliveryEvidence() == QLatin1String("network") &&
                     portOpens())
                // A networked printer's acknowledgement is its network stack's
                // word only; a person may accept it by switching feedback off.
                r_.failure = onPort(
                    (zh_ ? QStringLiteral(
                               u"网络打印机没有应答状态查询（%1），网络确认不能证明标签已打出；"
                               u"未打印任何标签。若接受网络确认，请将 VORNELL_PRINTER_%2_STATUS "
                               u"设为 off")
                         : QStringLiteral("the networked printer did not answer the status "
                                          "request (%1), and a network acknowledgement does not "
                                          "show that a label came out; nothing was printed. To "
                                          "mark strips once its network stack took them, set "
                                          "VORNELL_PRINTER_%2_STATUS=off"))
                        .arg(error, port_ == 0 ? QStringLiteral("0") : layout_.port));
            else if (required)
                r_.failure = onPort(
                    (zh_ ? QStringLiteral(u"打印机没有应答状态查询（%1），未打印任何标签")
                         : QStringLiteral("the printer did not answer the status request (%1); "
                                          "nothing was printed"))
                        .arg(error));
            return;
        }
        r_.feedback = FeedbackUse::Confirmed;
        if (mode == StatusMode::Auto && journal_ && !answeredBefore)
            journal_->notePortAnswered();
        if (!status->ready()) {
            r_.failure = onPort(describeStatus(*status, codePage_));
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
                const StripPlan plan = planStrip(layout_, format_, row);
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
                plan = planStrip(layout_, format_, row);
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
                if (sentAny)
                    r_.uncertain.append({row, onPort(why)});
                end(why);
                return;
            }
            if (!taken) {
                const QString reason =
                    onPort(zh_ ? QStringLiteral(u"打印机没有确认收到整条标签（%1）").arg(unread)
                               : QStringLiteral("the printer did not confirm it read the whole "
                                                "strip (%1)")
                                     .arg(unread));
                source_.notPrinted(row, true, reason);
                confirm();
                note(entry, StripState::Uncertain, reason);
                r_.uncertain.append({row, reason});
                end(reason);
                return;
            }
            group_.push_back({row, entry});
            // Busy now is busy after this strip's bytes: the group's work
            // was seen begun (an idle answer proves nothing yet).
            busySeen_ = taken->busy();
            if (!taken->ready()) {
                fail(describeStatus(*taken, codePage_));
                end({});
                return;
            }
            // Asked after every strip so that the window paints and a stop
            // is seen; the count moves when a group is confirmed.
            if (!progress_.advance(r_.stripsPrinted))
                stop_ = true;
            if (int(group_.size()) >= s_.inFlight || stop_ || !source_.more()) {
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
        const QDeadlineTimer until(s_.finishMs);
        const QDeadlineTimer begun(s_.beginMs);
        for (;;) {
            QString error;
            const auto status = feedback_->askStatus(port_, s_.answerMs, &error);
            if (!status)
                return fail(zh_ ? QStringLiteral(u"打印机不再应答状态查询（%1）").arg(error)
                                : QStringLiteral("the printer stopped answering (%1)").arg(error));
            if (!status->ready())
                return fail(describeStatus(*status, codePage_));
            if (status->busy())
                busySeen_ = true;
            else if (busySeen_)
                break;
            else if (begun.hasExpired())
                return fail(zh_ ? QStringLiteral(u"打印机在 %1 秒内没有开始打印这些标签条")
                                      .arg(s_.beginMs / 1000.0)
                                : QStringLiteral("the printer was not seen working on the strips "
                                                 "within %1 s")
                                      .arg(s_.beginMs / 1000.0));
            if (until.hasExpired())
                return fail(
                    zh_ ? QStringLiteral(u"打印机在 %1 秒内没有打印完").arg(s_.finishMs / 1000)
                        : QStringLiteral("the printer did not finish within %1 s")
                              .arg(s_.finishMs / 1000));
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

    // The group in flight is uncertain; the first such reason ends the run.
    bool fail(const QString& why) {
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
            const StripPlan again = planStrip(layout_, format_, probe);
            const bool recordsOwn =
                std::none_of(again.refused.begin(), again.refused.end(),
                             [&](const RefusedField& r) { return r.column == f.column; });
            if (recordsOwn) {
                held.labels[size_t(f.column)] = slot;
                slot = LabelSlot();
            }
        }
        source_.notPrinted(
            held, true,
            why + (zh_ ? QStringLiteral(u" 该记录保留待人工处理：改正标签文字后在“未完成的标签条”中"
                                        u"选择“重新打印”。")
                       : QStringLiteral(" The record is held for a person: correct its label "
                                        "text, then Print again in Unfinished strips.")));
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
        r_.failure = withUncertain(endText_.isEmpty() ? why : endText_);
    }

    QString withUncertain(const QString& text) const {
        if (r_.uncertain.isEmpty())
            return text;
        bool records = false;
        for (const UncertainStrip& s : r_.uncertain)
            for (const LabelSlot& slot : s.row.labels)
                records = records || slot.id != 0;
        if (!records) // hand-typed strips: nothing to mark
            return (zh_ ? QStringLiteral(u"%1。无法确定以下标签是否已打出：%2")
                        : QStringLiteral("%1. Not known whether these labels came out: %2"))
                .arg(text, uncertainRecords(r_.uncertain));
        return (zh_ ? QStringLiteral(u"%1。以下记录未标记为已打印，无法确定标签是否已打出：%2")
                    : QStringLiteral("%1. Not marked printed, not known whether their labels "
                                     "came out: %2"))
            .arg(text, uncertainRecords(r_.uncertain));
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
    std::vector<InFlight> group_;
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

QString uncertainRecords(const QList<UncertainStrip>& strips) {
    QStringList out;
    for (const UncertainStrip& s : strips)
        for (const LabelSlot& slot : s.row.labels) {
            if (slot.id != 0)
                out << QStringLiteral("%1 (Iden_id %2)").arg(slot.text).arg(slot.id);
            else if (!slot.text.isEmpty())
                out << slot.text;
        }
    return out.join(QStringLiteral(", "));
}
