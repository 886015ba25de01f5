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
    if (result.printedElsewhere > 0)
        end << printedElsewhereText(result.printedElsewhere, UICodePage);
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
    QtPrintProgress shown(this);
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
    printing([&](PrintProgress& progress) {
        result = station.printList(*qryLable, layout_, format, progress, limit);
    });
    showFeedback(result);
    return result;
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

void TmainBarcode::showFeedback(const ListPrintResult& result) {
    // A run the printer could not confirm says so; strips held for the
    // operator stay in view after the message box is gone.
    const bool zh = UICodePage == 936;
    if (!result.uncertain.isEmpty())
        StatusBar1->showMessage(
            (zh ? QStringLiteral(u"未确认已打印：%1") : QStringLiteral("Not confirmed printed: %1"))
                .arg(uncertainRecords(result.uncertain)));
    else if (result.feedback == FeedbackUse::NoAnswer)
        StatusBar1->showMessage(zh ? QStringLiteral(u"无打印机反馈")
                                   : QStringLiteral("no printer feedback"));
    else if (result.printedElsewhere > 0)
        StatusBar1->showMessage(printedElsewhereText(result.printedElsewhere, UICodePage));
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
    showFeedback(result);
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
