#include "printing/StripRun.h"

#include "core/AppError.h"
#include "core/Language.h"
#include "printer/PrinterFeedback.h"
#include "printing/PrintLabelRowJob.h"
#include "printing/PrintProgress.h"
#include "settings/PortNames.h"
#include "settings/uBarcode.h"

#include <QDeadlineTimer>
#include <QThread>

#include <vector>

namespace {

constexpr int32_t kChinese = 936;

class Run {
public:
    Run(StripSource& source, const TLabelLayout& layout, LabelFormat format, PplaApi& ppla,
        PrintProgress& progress, PrinterFeedback* feedback, const FeedbackSettings& settings)
        : source_(source), layout_(layout), format_(format), ppla_(ppla), progress_(progress),
          feedback_(feedback), s_(settings), port_(portNumber(layout.port)),
          zh_((settings.codePage < 0 ? UICodePage : settings.codePage) == kChinese),
          codePage_(zh_ ? kChinese : 437) {}

    ListPrintResult go() {
        if (source_.more() && feedback_ && feedback_->feedbackMode(port_) != StatusMode::Off)
            askFirst();
        if (r_.failure.isEmpty()) {
            if (r_.feedback == FeedbackUse::Confirmed)
                confirmed();
            else
                plain();
        }
        return r_;
    }

private:
    QString onPort(const QString& text) const {
        return (zh_ ? QStringLiteral(u"%1：%2") : QStringLiteral("%1: %2")).arg(layout_.port, text);
    }

    void askFirst() {
        const bool required = feedback_->feedbackMode(port_) == StatusMode::On;
        QString error;
        const auto status = feedback_->askStatus(port_, s_.firstAnswerMs, &error);
        if (!status) {
            r_.feedback = FeedbackUse::NoAnswer;
            if (required)
                r_.failure = onPort(
                    (zh_ ? QStringLiteral(u"打印机没有应答状态查询（%1），未打印任何标签")
                         : QStringLiteral("the printer did not answer the status request (%1); "
                                          "nothing was printed"))
                        .arg(error));
            return;
        }
        r_.feedback = FeedbackUse::Confirmed;
        if (!status->ready()) {
            r_.failure = onPort(describeStatus(*status, codePage_));
            return;
        }
    }

    // Each strip counts once the printer took its bytes.
    void plain() {
        while (source_.more()) {
            const LabelRow row = source_.next();
            if (!PrintLabelRowJob(row, layout_, format_, ppla_, &r_.failure))
                return;
            source_.printed(row);
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
            if (!PrintLabelRowJob(row, layout_, format_, ppla_, &why, &sentAny, ask)) {
                // What went before it may still be confirmed; this strip,
                // if any of it went out, is not known to have come out.
                confirm();
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
                confirm();
                r_.uncertain.append({row, reason});
                end(reason);
                return;
            }
            group_.push_back(row);
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

    // Asks until the printer has finished the group without a fault, then
    // marks it; otherwise the group is uncertain and the run ends.
    bool confirm() {
        if (group_.empty())
            return true;
        const QDeadlineTimer until(s_.finishMs);
        for (;;) {
            QString error;
            const auto status = feedback_->askStatus(port_, s_.answerMs, &error);
            if (!status)
                return fail(zh_ ? QStringLiteral(u"打印机不再应答状态查询（%1）").arg(error)
                                : QStringLiteral("the printer stopped answering (%1)").arg(error));
            if (!status->ready())
                return fail(describeStatus(*status, codePage_));
            if (!status->busy())
                break;
            if (until.hasExpired())
                return fail(
                    zh_ ? QStringLiteral(u"打印机在 %1 秒内没有打印完").arg(s_.finishMs / 1000)
                        : QStringLiteral("the printer did not finish within %1 s")
                              .arg(s_.finishMs / 1000));
            QThread::msleep(s_.pollMs);
        }
        for (size_t i = 0; i < group_.size(); ++i) {
            try {
                source_.printed(group_[i]);
            } catch (const AppError& e) {
                // The strips after it came out too and are not marked either.
                QStringList rest;
                for (size_t j = i + 1; j < group_.size(); ++j)
                    for (const LabelSlot& slot : group_[j].labels)
                        if (slot.id != 0)
                            rest << QString::number(slot.id);
                group_.clear();
                if (rest.isEmpty())
                    throw;
                throw AppError(QStringLiteral("%1 Also printed and not marked: Iden_id %2.")
                                   .arg(e.text(), rest.join(QStringLiteral(", "))));
            }
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
        for (const LabelRow& row : group_)
            r_.uncertain.append({row, text});
        group_.clear();
        if (endText_.isEmpty())
            endText_ = text;
        return false;
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
    int port_;
    bool zh_;
    int32_t codePage_;
    std::vector<LabelRow> group_;
    bool stop_ = false; // the operator asked to stop
    QString endText_;   // the first fault seen while strips were out
    ListPrintResult r_;
};

} // namespace

ListPrintResult runStrips(StripSource& source, const TLabelLayout& layout, LabelFormat format,
                          PplaApi& ppla, PrintProgress& progress, PrinterFeedback* feedback,
                          const FeedbackSettings& settings) {
    return Run(source, layout, format, ppla, progress, feedback, settings).go();
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
