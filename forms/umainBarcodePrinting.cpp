// The main window's print runs: all of the list, the first N, the hand-typed
// list, and automatic printing.
#include "forms/umainBarcode.h"

#include "core/AppError.h"
#include "core/DataModule.h"
#include "core/ErrorReport.h"
#include "core/Language.h"
#include "db/LabelList.h"
#include "db/RecordClaims.h"
#include "forms/QtPrintProgress.h"
#include "forms/UnfinishedStrips.h"
#include "printing/ListPrinter.h"
#include "printing/ManualList.h"
#include "printing/PrintStation.h"
#include "printing/PrinterStateWatcher.h"
#include "printing/StripJournal.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>

void TmainBarcode::btnBatchPrintClick() {
    if (!qryLable->isOpen())
        return;
    const ListPrintResult result = printList(-1);
    QStringList end;
    if (!result.failure.isEmpty())
        end << result.failure;
    end << passedOverTexts(result);
    if (!end.isEmpty())
        prompts_.message(end.join(QLatin1Char('\n')));
}

namespace {

// The run's own progress, stopped also by the operator's answer to a close
// request.
class WindowProgress : public PrintProgress {
public:
    WindowProgress(PrintProgress& shown, const bool& stop) : shown_(shown), stop_(stop) {}
    void begin(int strips) override { shown_.begin(strips); }
    bool advance(int done) override { return shown_.advance(done) && !stop_; }
    void end() override { shown_.end(); }

private:
    PrintProgress& shown_;
    const bool& stop_;
};

} // namespace

template <typename Run> void TmainBarcode::printing(Run&& run) {
    printing_ = true;
    stopRequested_ = false;
    setRunning(true);
    // The run has the port: no state request goes out and none is believed.
    printerState->setHeld(true);
    printerState->finishAsking();
    struct Done {
        TmainBarcode& w;
        ~Done() {
            w.printing_ = false;
            w.setRunning(false);
            w.printerState->setHeld(false);
            w.refreshPrinterState();
            // The operator asked to close during the run and confirmed it.
            if (w.closeAfterRun_) {
                w.exitConfirmed_ = true;
                QTimer::singleShot(0, &w, [&w = w] { w.close(); });
            }
        }
    } done{*this};
    QtPrintProgress shown(this, UICodePage);
    WindowProgress progress(progressOverride ? *progressOverride : shown, stopRequested_);
    run(progress);
}

ListPrintResult TmainBarcode::printList(int limit, bool automatic) {
    ListPrintResult result;
    if (printing_)
        return result;
    // Automatic runs never ask: they pass over the held records, and the
    // status line counts them.
    if (!automatic)
        decideUnfinished();
    const LabelFormat format = formatIndex() == 0 ? LabelFormat::Barcode : LabelFormat::Text;
    PrintStation station = printStation();
    // Which of the records the run reads are printed before and after it:
    // the difference is what it marked, and those printed before that this
    // window marked are passed over as this station's own.
    QList<qint64> ids;
    const int records = limit >= 0 ? qMin(limit, qryLable->count()) : qryLable->count();
    for (int row = 0; row < records; ++row)
        ids << qryLable->value(row, LabelList::Iden_id).toLongLong();
    const std::optional<QSet<qint64>> before = printedAmong(ids);
    printing([&](PrintProgress& progress) {
        result = station.printList(*qryLable, layout_, format, progress, limit);
    });
    const std::optional<QSet<qint64>> after = printedAmong(ids);
    lastRun_ = {};
    if (before) {
        for (qint64 id : *before)
            if (markedHere_.contains(id))
                ++lastRun_.printedHere;
    }
    lastRun_.printedHere = qMin(lastRun_.printedHere, result.printedElsewhere);
    if (before && after) {
        lastRun_.marked = 0;
        for (qint64 id : *after)
            if (!before->contains(id)) {
                markedHere_.insert(id);
                ++lastRun_.marked;
            }
    }
    showFeedback(result);
    return result;
}

std::optional<QSet<qint64>> TmainBarcode::printedAmong(const QList<qint64>& ids) {
    QSet<qint64> printed;
    if (!dm_.conADO().isOpen())
        return std::nullopt;
    constexpr qsizetype chunk = 500;
    for (qsizetype i = 0; i < ids.size(); i += chunk) {
        QStringList list;
        for (qint64 id : ids.mid(i, chunk))
            list << QString::number(id);
        QSqlQuery q = forwardOnlyQuery(dm_.conADO());
        if (!q.exec(QStringLiteral("SELECT Iden_id FROM PrintLabel WHERE PrintFlag=1 AND "
                                   "Iden_id in (%1)")
                        .arg(list.join(QLatin1Char(',')))))
            return std::nullopt; // the summary then leaves the count out
        while (q.next())
            printed.insert(q.value(0).toLongLong());
    }
    return printed;
}

QStringList TmainBarcode::passedOverTexts(const ListPrintResult& result) const {
    QStringList out;
    const int here = qMin(lastRun_.printedHere, result.printedElsewhere);
    if (here > 0)
        out << msgPrintedHere.arg(here);
    if (result.printedElsewhere > here)
        out << printedElsewhereText(result.printedElsewhere - here, UICodePage);
    if (result.claimedElsewhere > 0)
        out << msgClaimedElsewhere.arg(result.claimedElsewhere);
    return out;
}

PrintStation TmainBarcode::printStation() {
    return PrintStation(&dm_, printer_, printerFeedback, journal,
                        stationName(qEnvironmentVariable("VORNELL_STATION")), UICodePage);
}

bool TmainBarcode::decideUnfinished() {
    // A journal that cannot be used says so when a run starts.
    PrintJournal* journaled = journal ? journal->journal() : nullptr;
    if (journal && !journaled)
        return true;
    struct Shown {
        TmainBarcode& w;
        ~Shown() { w.showStationInfo(); }
    } shown{*this};
    PrintStation station = printStation();
    TUnfinishedStrips dialog(journaled, station.claims(), prompts_, UICodePage, this);
    return dialog.count() == 0 || dialog.showModal() == 0;
}

void TmainBarcode::showFeedback(const ListPrintResult& result, bool typed) {
    // A run the printer could not confirm says so; strips held for the
    // operator stay in view after the message box is gone. Every run that
    // printed ends with what it did, and says why it passed records over.
    QStringList parts;
    if (!result.uncertain.isEmpty())
        parts << msgNotConfirmed.arg(uncertainRecords(result.uncertain));
    else if (result.feedback == FeedbackUse::NoAnswer)
        parts << msgNoFeedback;
    int held = 0;
    for (const UncertainStrip& strip : result.uncertain)
        for (const LabelSlot& slot : strip.row.labels)
            held += slot.id != 0 ? 1 : 0;
    if (result.stripsPrinted > 0 || held > 0) {
        if (typed)
            parts << msgTypedSummary.arg(result.stripsPrinted);
        else if (lastRun_.marked >= 0)
            parts << msgRunSummary.arg(result.stripsPrinted).arg(lastRun_.marked).arg(held);
        else
            parts << msgRunSummaryNoCount.arg(result.stripsPrinted).arg(held);
    }
    if (!typed)
        parts << passedOverTexts(result);
    if (!parts.isEmpty())
        StatusBar1->showMessage(parts.join(msgSeparator));
}

void TmainBarcode::setRunning(bool running) {
    // While a run goes, nothing that changes the list, the layout, the orders
    // or the timer can be used; the progress dialog's stop is the one command.
    QWidget* commands[] = {BtnQuery,    BtnPrint, btnBatchPrint, BtnSetting, btnOrderInfo,
                           cbAutoPrint, BitBtn1,  edtPrintList,  rbToPrint,  rbPrinted,
                           edLabelLike, edAmount, edDatime,      rzrdgrp1,   DBGridEh1};
    if (running) {
        enabledBeforeRun_.clear();
        for (QWidget* w : commands) {
            enabledBeforeRun_.append({w, w->isEnabled()});
            w->setEnabled(false);
        }
    } else {
        for (const auto& [w, enabled] : std::as_const(enabledBeforeRun_))
            w->setEnabled(enabled);
        enabledBeforeRun_.clear();
    }
}

void TmainBarcode::BitBtn1Click() {
    if (printing_)
        return;
    const std::vector<LabelRow> strips = manualListStrips(edtPrintList->toPlainText());
    if (strips.empty())
        return;
    decideUnfinished();
    const LabelFormat format = formatIndex() == 0 ? LabelFormat::Barcode : LabelFormat::Text;
    ListPrintResult result;
    PrintStation station = printStation();
    printing([&](PrintProgress& progress) {
        result = station.printTyped(strips, layout_, format, progress);
    });
    showFeedback(result, true);
    if (!result.failure.isEmpty())
        prompts_.message(result.failure);
}

void TmainBarcode::cbAutoPrintClick() {
    const bool on = cbAutoPrint->isChecked();
    if (on) {
        rbToPrint->setChecked(true);
        edLabelLike->clear();
        edAmount->clear();
        edDatime->setDate(QDate::currentDate());
        StatusBar1->clearMessage();
        Timer1->start();
    } else {
        Timer1->stop();
    }
    lockFilters(on);
    for (QPushButton* b : {BtnQuery, BtnSetting, BtnPrint, btnBatchPrint})
        b->setVisible(!on);
}

void TmainBarcode::lockFilters(bool locked) {
    // Unattended runs list unprinted labels only: a filter changed meanwhile
    // would print printed labels again at every run.
    for (QWidget* w : std::initializer_list<QWidget*>{rbToPrint, rbPrinted, edLabelLike, edAmount})
        w->setEnabled(!locked);
}

void TmainBarcode::stopAutoPrinting(const QString& reason) {
    // Off before the error box: a timer left running would print the same
    // strip again at every tick behind it.
    cbAutoPrint->setChecked(false);
    Timer1->stop();
    lockFilters(false);
    for (QPushButton* b : {BtnQuery, BtnSetting, BtnPrint, btnBatchPrint})
        b->setVisible(true);
    const QString text = msgAutoStopped.arg(reason);
    StatusBar1->showMessage(text);
    reportError(prompts_, text);
}

void TmainBarcode::Timer1Timer() {
    ++Timer1Tag;
    if (Timer1Tag % 60 != 57)
        return;
    // A run still going (waiting in a message box, say) keeps its list: this
    // tick is skipped.
    if (printing_)
        return;
    // A run that ends in an error switches automatic printing off: the
    // operator looks before it goes on.
    QString failure;
    try {
        BtnQueryClick();
        if (qryLable->isOpen() && !qryLable->isEmpty())
            failure = printList(-1, true).failure;
    } catch (const AppError& e) {
        failure = e.text();
    } catch (const std::exception& e) {
        failure = QString::fromLocal8Bit(e.what());
    }
    if (!failure.isEmpty())
        stopAutoPrinting(failure);
}
