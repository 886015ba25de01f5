#pragma once

#include <QMainWindow>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

#include "forms/StatusLine.h"
#include "settings/WindowGeometry.h"
#include "settings/uBarcode.h"

class QButtonGroup;
class QCheckBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTabWidget;
class QTableView;
class QTimer;
class QWidget;
class LabelGrid;
class LabelList;
class Prompts;
class TDMdata;
class PplaApi;
class PrinterFeedback;
class PrinterStateWatcher;
class PrintProgress;
class PrintStation;
class StripJournal;
class TFNewOrder;
class TBarSetting;
class THistoryWindow;
struct ListPrintResult;

// mainBarcode: the operator's station. Holds the filters of the label query,
// the label list, the format choice, the hand-typed print list and the
// commands. Closing it ends the program.
class TmainBarcode : public QMainWindow {
    Q_OBJECT
public:
    TmainBarcode(TDMdata& dm, Prompts& prompts, PplaApi& printer, QWidget* parent = nullptr);
    ~TmainBarcode() override;

    static QString AppVersion() { return QStringLiteral("8.000"); }

    void ApplyLanguage(int codePage);

    // Event handlers. Each one runs inside the general error report.
    void BtnQueryClick();
    void BtnPrintClick();
    void btnBatchPrintClick();
    void BtnSettingClick();
    void btnOrderInfoClick();
    void BtnHistoryClick();
    void BitBtn1Click();
    void cbAutoPrintClick();
    void Timer1Timer();
    void edLabelSizeChange();

    // The tick counter of automatic printing (the timer's tag).
    int Timer1Tag = 0;

    // The language texts.
    QString msgExitPrompt, msgExitCaption, msgCountCaption, msgCountPrompt, msgInvalidCount;
    // A close request during a print run; automatic printing ended by an error.
    QString msgRunningPrompt, msgAutoStopped;
    // Editing a record in the grid: one printed, claimed or held asks first; a
    // value the column cannot hold is refused.
    QString msgEditPrinted, msgEditClaimed, msgEditHeld, msgBadDateTime, msgTooLong;
    // The end of a run in the status line.
    QString msgRunSummary, msgRunSummaryNoCount, msgTypedSummary, msgPrintedHere,
        msgClaimedElsewhere, msgNotConfirmed, msgNoFeedback, msgSeparator;

    // Names the database in the status line (the start-up knows where it is).
    void setDatabaseDescription(const QString& text);
    // The status line's text: the database and the device behind the port.
    QString stationInfoText() const;

    // Controls.
    QWidget* Panel1 = nullptr;
    QLabel* LabelSize = nullptr;
    QLineEdit* edLabelSize = nullptr;
    QLabel* Label3 = nullptr;
    QRadioButton* rbToPrint = nullptr;
    QRadioButton* rbPrinted = nullptr;
    QLabel* Label2 = nullptr;
    QDateEdit* edDatime = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* edLabelLike = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* edAmount = nullptr;
    QGroupBox* rzrdgrp1 = nullptr;
    QButtonGroup* rzrdgrp1Items = nullptr; // item 0 "条码格式", item 1 "文字格式"
    QPushButton* BtnQuery = nullptr;
    QPushButton* BtnPrint = nullptr;
    QPushButton* BtnSetting = nullptr;
    QPushButton* btnBatchPrint = nullptr;
    QPushButton* btnOrderInfo = nullptr;
    QCheckBox* cbAutoPrint = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BtnHistory = nullptr;
    QPlainTextEdit* edtPrintList = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QTableView* DBGridEh1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    ElidedLabel* stationInfo = nullptr; // permanent part of the status line
    QTimer* Timer1 = nullptr;
    // Asks the printer for its state every PrinterStateIntervalMs while idle.
    QTimer* printerStateTimer = nullptr;
    static constexpr int PrinterStateIntervalMs = 30000;

    LabelList* qryLable = nullptr;

    // The index of the checked format item: 0 barcode, 1 text.
    int formatIndex() const;

    // Whether a print run is going (a tick then starts no second run).
    bool isPrinting() const { return printing_; }

    // Tests may watch or stop print runs through their own progress.
    PrintProgress* progressOverride = nullptr;
    // Asked for the printer's status during runs and for the status line;
    // none: strips count once the printer took them and the status line says
    // nothing of the printer. It must outlive the window.
    PrinterFeedback* printerFeedback = nullptr;
    // The print journal every run writes; none: runs are not journaled. A
    // journal that could not be opened stops every run with its reason.
    // Its unfinished strips are shown when the window opens and before
    // every run the operator starts; their records are held until decided.
    // It must outlive the window.
    StripJournal* journal = nullptr;
    // What this window's runs print through, from the parts above.
    PrintStation printStation();
    // Shows "Unfinished strips" when the journal holds any; true when it
    // holds none (any more) afterwards.
    bool decideUnfinished();
    // The printer's state as the status line shows it.
    PrinterStateWatcher* printerState = nullptr;
    // Asks the printer behind the layout's port again (not during a run).
    void refreshPrinterState();

    // The order manager, created at the first click of btnOrderInfo.
    TFNewOrder* FNewOrder = nullptr;

    // The layout settings dialog: created at its first opening, then kept.
    TBarSetting* BarSetting = nullptr;

    // The history of printed strips: created at the first click of
    // BtnHistory, then kept.
    THistoryWindow* HistoryWindow = nullptr;

    // The label layout the window prints with: loaded from the settings file
    // when the window is created, replaced by the settings dialog's OK, saved
    // at the confirmed exit.
    const TLabelLayout& labelLayout() const { return layout_; }
    void setLabelLayout(const TLabelLayout& layout) { layout_ = layout; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void buildControls();
    void setTabOrder();
    void connectHandlers();
    void FormCreate();
    void FormShow();
    bool FormCloseQuery();
    void deleteCurrentRecord();
    // The grid's two questions: may the record of the cell be edited (asks
    // when it is printed, claimed or held), and the edited text, checked
    // against its column and written.
    bool mayEditRecord(const QModelIndex& cell);
    void commitGridText(const QModelIndex& cell, const QString& text);
    void loadWindowSettings();
    // The window's outer bounds, frame included, as the settings file keeps
    // them.
    WindowGeometry currentGeometry() const;
    // The stored outer size becomes the window's once the frame around it is
    // known (after the window manager has framed it).
    void applyStoredSize();
    template <typename Handler> void run(Handler&& handler);

    ListPrintResult printList(int limit, bool automatic = false);
    // Runs a print: commands wait while it goes; a close asked for meanwhile
    // follows when it ends.
    template <typename Run> void printing(Run&& run);
    void setRunning(bool running);
    void lockFilters(bool locked);
    void stopAutoPrinting(const QString& reason);
    void showStationInfo();
    // typed: a hand-typed list, which marks nothing.
    void showFeedback(const ListPrintResult& result, bool typed = false);
    // Of ids, those marked printed in the label database; nothing when it
    // cannot be read.
    std::optional<QSet<qint64>> printedAmong(const QList<qint64>& ids);
    // Why the last list run passed records over, one text a reason.
    QStringList passedOverTexts(const ListPrintResult& result) const;

    LabelGrid* labelGrid_ = nullptr; // DBGridEh1
    TDMdata& dm_;
    Prompts& prompts_;
    PplaApi& printer_;
    TLabelLayout layout_;
    bool printing_ = false;
    bool shownOnce_ = false;
    QSize storedSize_;           // outer size loaded from the settings file, not yet applied
    bool stopRequested_ = false; // stop after the strip in hand
    bool closeAfterRun_ = false; // the operator confirmed the exit during a run
    bool exitConfirmed_ = false; // the exit question was answered Yes already
    QList<QPair<QWidget*, bool>> enabledBeforeRun_;
    QString database_;
    // The records this window's runs marked since it opened: found printed
    // by a later run, they were printed by this station.
    QSet<qint64> markedHere_;
    struct RunCounts {
        int marked = -1;     // records the last list run marked; -1: not known
        int printedHere = 0; // of those passed over as printed, marked here
    } lastRun_;
};
