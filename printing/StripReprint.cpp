#include "printing/StripReprint.h"

#include "core/AppError.h"
#include "journal/PrintJournal.h"
#include "printer/PortConfig.h"
#include "printer/PplaApi.h"
#include "printer/PrinterFeedback.h"
#include "printing/PortDevice.h"
#include "printing/PrintLabelRowJob.h"
#include "printing/StripHistory.h"
#include "printing/StripPlan.h"
#include "printing/StripPlanJson.h"
#include "settings/PortNames.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QStringList>
#include <QThread>

namespace {

constexpr int32_t kChinese = 936;

QString u8(const char* text) {
    return QString::fromUtf8(text);
}

QString hashOf(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return {};
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// Waits until the printer has finished the strip without a fault; the
// reason when it did not, empty when it did.
// Asks until the printer has been seen busy with the strip and then idle
// without a fault: an idle answer before any busy one may describe it before
// it read the strip (it answers ahead of its input buffer). busySeen: the
// answer on the strip's own connection already said busy.
QString awaitFinished(PrinterFeedback& feedback, int port, const FeedbackSettings& s, bool zh,
                      bool busySeen) {
    const QDeadlineTimer until(s.finishMs);
    const QDeadlineTimer begun(s.beginMs);
    for (;;) {
        QString error;
        const auto status = feedback.askStatus(port, s.answerMs, &error);
        if (!status)
            return zh ? u8("打印机不再应答状态查询（%1）").arg(error)
                      : QStringLiteral("the printer stopped answering (%1)").arg(error);
        if (!status->ready())
            return describeStatus(*status, zh ? kChinese : 437);
        if (status->busy())
            busySeen = true;
        else if (busySeen)
            return {};
        else if (begun.hasExpired())
            return zh ? u8("打印机在 %1 秒内没有开始打印这些标签条").arg(s.beginMs / 1000.0)
                      : QStringLiteral("the printer was not seen working on the strips within "
                                       "%1 s")
                            .arg(s.beginMs / 1000.0);
        if (until.hasExpired())
            return zh ? u8("打印机在 %1 秒内没有打印完").arg(s.finishMs / 1000)
                      : QStringLiteral("the printer did not finish within %1 s")
                            .arg(s.finishMs / 1000);
        QThread::msleep(s.pollMs);
    }
}

} // namespace

StripPlan reprintPlan(const JournalEntry& original, const QString& portName,
                      std::optional<int> column) {
    StripPlan plan = journaledPlan(original);
    plan.portName = portName;
    plan.portNumber = portNumber(portName);
    if (column) {
        for (int c = 0; c < int(plan.labels.size()); ++c) {
            if (c == *column)
                continue;
            // An empty barcode and an empty text draw nothing: the label
            // stays blank, the others keep their places.
            PlannedLabel& label = plan.labels[size_t(c)];
            if (label.barcode)
                label.barcode->content.clear();
            label.text.text.clear();
            plan.row.labels[size_t(c)] = LabelSlot{};
        }
    }
    return plan;
}

ReprintResult reprintStrip(PrintJournal& journal, PplaApi& ppla, const JournalEntry& original,
                           const ReprintRequest& request, PrinterFeedback* feedback,
                           const FeedbackSettings& settings) {
    const bool zh = request.codePage == kChinese;
    const QString reason = request.reason.trimmed();
    if (reason.isEmpty())
        throw AppError(zh ? u8("重打需要填写原因：请输入为什么再打一次。未打印任何标签。")
                          : QStringLiteral("A reprint needs a reason: type why the strip is "
                                           "printed again. Nothing was printed."));
    if (request.column && (*request.column < 0 || *request.column > 2))
        throw AppError(QStringLiteral("No label %1 on a strip").arg(*request.column + 1));
    const StripPlan plan = reprintPlan(original, request.portName, request.column);
    if (request.column && plan.row.labels[size_t(*request.column)].text.isEmpty())
        throw AppError(zh ? u8("这一列没有标签。未打印任何标签。")
                          : QStringLiteral("Label %1 of this strip is empty. Nothing was printed.")
                                .arg(*request.column + 1));
    NewStrip strip;
    strip.port = request.portName;
    strip.device = portDevice(request.portName, PortConfig());
    strip.database = original.database;
    strip.planJson = QString::fromUtf8(stripPlanJson(plan));
    for (const LabelSlot& slot : plan.row.labels)
        if (slot.id != 0 || !slot.text.isEmpty())
            strip.records.append({slot.id, slot.text});

    ReprintResult r;
    r.port = request.portName;
    QStringList texts;
    for (const JournalRecord& record : strip.records)
        texts << record.text;
    r.labels = texts.join(QStringLiteral(", "));
    r.entry = journal.beginReprint(original.id, reason, strip);
    const auto note = [&](StripState state, const QString& why = {}, const QString& hash = {},
                          const QString& evidence = {}) {
        journal.note(r.entry, state, why, hash, evidence);
        r.state = state;
    };
    const int port = plan.portNumber;
    const bool ask = feedback && feedback->feedbackMode(port) != StatusMode::Off;
    std::optional<PrinterStatus> taken;
    QString unread;
    const auto printedOut = [&] {
        if (ask)
            taken = feedback->askOpenPort(settings.answerMs, &unread);
    };
    bool sentAny = false;
    try {
        if (!PrintLabelRowJob(plan, ppla, &r.failure, &sentAny, printedOut)) {
            note(sentAny ? StripState::Uncertain : StripState::Failed, r.failure);
            journal.flush();
            return r;
        }
    } catch (const AppError& e) {
        note(sentAny ? StripState::Uncertain : StripState::Failed, e.text());
        throw;
    }
    // What the port's taking the bytes proves: a TCP peer's acknowledgement
    // says only that its network stack has them.
    note(StripState::Sent, {}, hashOf(ppla.lastPrintOut()),
         strip.device.startsWith(QLatin1String("tcp:")) ? QStringLiteral("network")
                                                        : QStringLiteral("delivered"));
    if (ask) {
        // The answer on the strip's own connection says the printer read all
        // of it; then it is asked until it finished.
        QString why;
        if (!taken)
            why = zh ? u8("打印机没有确认收到整条标签（%1）").arg(unread)
                     : QStringLiteral("the printer did not confirm it read the whole strip (%1)")
                           .arg(unread);
        else
            why = awaitFinished(*feedback, port, settings, zh, taken->busy());
        if (!why.isEmpty()) {
            r.failure = (zh ? u8("%1：%2") : QStringLiteral("%1: %2")).arg(request.portName, why);
            note(StripState::Uncertain, r.failure);
            journal.flush();
            return r;
        }
        note(StripState::Confirmed, {}, {}, QStringLiteral("confirmed"));
    }
    journal.flush();
    r.printed = true;
    return r;
}

QString reprintResultText(const ReprintResult& result, int32_t codePage) {
    const bool zh = codePage == kChinese;
    if (result.printed)
        return zh ? u8("已在 %1 重打：%2。").arg(result.port, result.labels)
                  : QStringLiteral("Printed again on %1: %2.").arg(result.port, result.labels);
    if (result.state == StripState::Uncertain)
        return zh ? u8("重打未完成，无法确定标签是否已打出：%1").arg(result.failure)
                  : QStringLiteral("The reprint did not finish; not known whether it came out: %1")
                        .arg(result.failure);
    return zh ? u8("重打失败，未打印：%1").arg(result.failure)
              : QStringLiteral("The reprint failed, nothing came out: %1").arg(result.failure);
}
