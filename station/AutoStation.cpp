#include "station/AutoStation.h"

#include "core/AppError.h"
#include "core/DataModule.h"
#include "core/Language.h"
#include "db/LabelList.h"
#include "db/LabelQuery.h"
#include "printer/PortConfig.h"
#include "printing/ListPrinter.h"
#include "printing/PortDevice.h"
#include "printing/PrintProgress.h"
#include "printing/PrintStation.h"
#include "printing/StripJournal.h"
#include "settings/uBarcode.h"
#include "station/ServiceNotify.h"
#include "station/StationLog.h"
#include "station/StopSignal.h"

#include <QDate>

#include <algorithm>

QStringList autoQueryLines(const AutoSettings& s, const QSet<int64_t>& held, Dialect dialect) {
    LabelFilter filter;
    filter.labelSize = s.labelSize;
    filter.labelLike = s.labelLike;
    filter.createdFrom = s.from;
    filter.toPrint = true;
    filter.codePage = UICodePage;
    QStringList lines = labelQueryLines(filter, dialect);
    const qsizetype order =
        std::find_if(lines.begin(), lines.end(),
                     [](const QString& l) { return l.startsWith(QLatin1String("ORDER BY")); }) -
        lines.begin();
    // Records a station claimed or holds are not listed: a run would only
    // pass over them.
    QStringList skip{
        QStringLiteral("      AND  Iden_id NOT IN (SELECT Iden_id FROM VornellClaim) ")};
    if (!held.isEmpty()) {
        QList<int64_t> ids(held.begin(), held.end());
        std::sort(ids.begin(), ids.end());
        QStringList text;
        for (int64_t id : ids)
            text << QString::number(id);
        skip << QStringLiteral("      AND  Iden_id NOT IN (%1) ").arg(text.join(','));
    }
    for (qsizetype i = 0; i < skip.size(); ++i)
        lines.insert(order + i, skip[i]);
    return lines;
}

namespace {

// One log line per strip marked; a stop signal ends the run after the strip
// in hand (with feedback: after the group in flight is confirmed and marked).
class StripLog : public PrintProgress {
public:
    StripLog(StationLog& log, const LabelList& list, QString where, int run, ServiceNotify* notify)
        : log_(log), list_(list), where_(std::move(where)), run_(run), notify_(notify) {}
    void begin(int) override {}
    bool advance(int done) override {
        // PrintLabelList walks the list from its top, three records a strip.
        for (; logged_ < done; ++logged_) {
            QStringList records;
            for (int r = logged_ * 3; r < std::min(logged_ * 3 + 3, list_.count()); ++r)
                records << QStringLiteral("%1 (Iden_id %2)")
                               .arg(list_.value(r, LabelList::LabelText).toString().trimmed(),
                                    list_.value(r, LabelList::Iden_id).toString());
            log_.info(QStringLiteral("run %1 strip %2: %3 on %4: printed and marked")
                          .arg(run_)
                          .arg(logged_ + 1)
                          .arg(records.join(QStringLiteral(", ")), where_));
        }
        // A strip ended: the loop is alive.
        if (notify_)
            notify_->alive();
        return !StopSignal::requested();
    }
    void end() override {}

private:
    StationLog& log_;
    const LabelList& list_;
    QString where_;
    int run_;
    ServiceNotify* notify_;
    int logged_ = 0;
};

} // namespace

AutoStation::AutoStation(TDMdata& dm, PrintStation& station, const TLabelLayout& layout,
                         StationLog& log, AutoSettings settings)
    : dm_(dm), station_(station), layout_(layout), log_(log), s_(std::move(settings)) {}

void AutoStation::reportLeftovers() {
    QList<ClaimedRecord> mine;
    if (!holdLeftovers_)
        return; // another process of this station is alive: its claims are in flight
    try {
        mine = station_.holdLeftovers();
    } catch (const AppError& e) {
        log_.error(QStringLiteral("auto: %1").arg(e.text()));
        return;
    }
    const QString text = station_.leftoversText(mine);
    if (!text.isEmpty())
        log_.warning(QStringLiteral("auto: ") + text);
}

int AutoStation::run() {
    log_.info(QStringLiteral("auto: station %6, label size %1%2, labels created from %7 on, "
                             "printing to %3 (%4) every %5 s")
                  .arg(s_.labelSize,
                       s_.labelLike.isEmpty()
                           ? QString()
                           : QStringLiteral(", label text like '%1'").arg(s_.labelLike),
                       layout_.port, portDevice(layout_.port, PortConfig()))
                  .arg(s_.intervalMs / 1000.0)
                  .arg(station_.name(), s_.from.toString(QStringLiteral("yyyy-MM-dd"))));
    reportLeftovers();
    while (!StopSignal::requested()) {
        runOnce();
        if (waitForNextRun())
            break;
    }
    log_.info(QStringLiteral("auto: stopped by a signal after %1 runs").arg(runs_));
    return 0;
}

void AutoStation::watchWith(ServiceNotify* notify, QString metricsFile, bool printerReady) {
    notify_ = notify;
    metricsFile_ = std::move(metricsFile);
    metrics_.station = station_.name();
    metrics_.port = layout_.port;
    metrics_.printerReady = printerReady;
}

bool AutoStation::waitForNextRun() {
    const int period = notify_ ? notify_->alivePeriodMs() : 0;
    for (int left = s_.intervalMs; left > 0;) {
        const int slice = period > 0 ? std::min(left, period) : left;
        if (StopSignal::waitFor(slice))
            return true;
        left -= slice;
        if (notify_)
            notify_->alive();
    }
    return false;
}

void AutoStation::reportRun(int run, const ListPrintResult& result, bool failed) {
    metrics_.stripsPrinted += result.stripsPrinted;
    metrics_.recordsMarked += result.recordsMarked;
    metrics_.runsFailed += failed ? 1 : 0;
    metrics_.recordsHeld = qint64(held_.size()) + journaledHeld_;
    // The printer was ready when the run printed what it listed.
    if (failed || !result.uncertain.isEmpty())
        metrics_.printerReady = false;
    else if (result.stripsPrinted > 0)
        metrics_.printerReady = true;
    metrics_.lastRun = QDateTime::currentDateTime();
    if (!metricsFile_.isEmpty()) {
        QString error;
        if (!metrics_.write(metricsFile_, &error))
            log_.warning(QStringLiteral("auto: the metrics file %1 could not be written: %2")
                             .arg(metricsFile_, error));
    }
    if (notify_)
        notify_->status(QStringLiteral("run %1 at %2: %3 strips printed%4; %5 records held; "
                                       "printer %6")
                            .arg(run)
                            .arg(metrics_.lastRun.toString(QStringLiteral("HH:mm:ss")))
                            .arg(result.stripsPrinted)
                            .arg(failed ? QStringLiteral(", ended on an error") : QString())
                            .arg(metrics_.recordsHeld)
                            .arg(metrics_.printerReady ? QStringLiteral("ready")
                                                       : QStringLiteral("not ready")));
}

void AutoStation::runOnce() {
    const int run = ++runs_;
    if (notify_)
        notify_->alive();
    const QString where =
        QStringLiteral("%1 (%2)").arg(layout_.port, portDevice(layout_.port, PortConfig()));
    LabelList list(dm_.connectionName());
    int listed = 0;
    ListPrintResult result;
    bool databaseLost = false;
    try {
        if (reopen_) {
            dm_.reopen();
            reopen_ = false;
        }
        // Held by this process, and by the journal until a person decides;
        // the count is logged when it changes, not at every run.
        QSet<int64_t> held = held_;
        StripJournal* journal = station_.journal();
        if (journal && journal->journal()) {
            const QSet<qint64> journaled = journal->held();
            if (int(journaled.size()) != journaledHeld_ && !journaled.isEmpty())
                log_.warning(QStringLiteral("run %1: %2 records held in the print journal, not "
                                            "printed until a person decides (vornell held)")
                                 .arg(run)
                                 .arg(journaled.size()));
            journaledHeld_ = int(journaled.size());
            for (qint64 id : journaled)
                held.insert(id);
        }
        try {
            list.open(autoQueryLines(s_, held, dialectOf(dm_.conADO())));
        } catch (const AppError&) {
            reopen_ = true; // the connection may be gone: the next run opens it again
            databaseLost = true;
            throw;
        }
        listed = list.count();
        if (listed == 0) {
            log_.info(QStringLiteral("run %1: no labels to print").arg(run));
            reportRun(run, result, false);
            return;
        }
        StripLog progress(log_, list, where, run, notify_);
        result = station_.printList(list, layout_, s_.format, progress);
    } catch (const AppError& e) {
        result.failure = e.text();
    }
    // Each strip held in this run, once, with its records.
    for (const UncertainStrip& u : std::as_const(result.uncertain)) {
        EventFields fields;
        QStringList records;
        for (const LabelSlot& slot : u.row.labels)
            if (slot.id != 0) {
                held_.insert(slot.id);
                fields.ids << slot.id;
                records << QStringLiteral("%1 (Iden_id %2)").arg(slot.text).arg(slot.id);
            }
        log_.warning(QStringLiteral("run %1: held, not printed until a person decides: %2 (%3)")
                         .arg(run)
                         .arg(records.join(QStringLiteral(", ")), u.reason),
                     StationEvent::StripHeld, fields);
    }
    // What the marks stand on, in plain words.
    const QString proof = result.stripsPrinted == 0 ? QString()
                          : result.feedback == FeedbackUse::Confirmed
                              ? QStringLiteral(" (marked when confirmed by the printer)")
                              : QStringLiteral(" (marked when the printer took the bytes: not "
                                               "confirmed)");
    const QString summary = QStringLiteral("run %1: %2 records listed, %3 strips printed and "
                                           "marked on %4%5")
                                .arg(run)
                                .arg(listed)
                                .arg(result.stripsPrinted)
                                .arg(where, proof);
    const bool failed = !result.failure.isEmpty();
    if (failed)
        log_.error(summary + QStringLiteral("; ended: ") + result.failure,
                   databaseLost                  ? StationEvent::DatabaseLost
                   : !result.uncertain.isEmpty() ? StationEvent::PrinterFault
                                                 : StationEvent::RunEnded);
    else if (!result.completed && StopSignal::requested())
        log_.info(summary + QStringLiteral("; stopped by a signal"), StationEvent::RunEnded);
    else
        log_.info(summary, StationEvent::RunEnded);
    reportRun(run, result, failed);
}
