#pragma once

#include "journal/JournalTypes.h"
#include "printing/StripPreviewer.h"
#include "printing/StripReprint.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class PrintJournal;
class Prompts;
class TStripPreview;

// What the History window needs of the station.
struct HistoryStation {
    Prompts& prompts;
    std::function<QString()> port; // the layout's port now
    std::function<bool()> busy;    // a print run is going
    // Prints a strip of the journal again through the station's PrintStation.
    std::function<ReprintResult(PrintJournal&, const JournalEntry&, const ReprintRequest&)> reprint;
    // The station's journal; none (or null): the window opens it from the
    // environment at first use.
    std::function<PrintJournal*()> journal;
};

// History: finds journaled strips by label text, days and state, shows the
// chosen strip as it was printed and prints it, or one label of it, again
// with the operator's reason. The searching, the picture and the reprint are
// printing/StripHistory and printing/StripReprint.
class THistoryWindow : public QDialog {
    Q_OBJECT
public:
    explicit THistoryWindow(HistoryStation station, QWidget* parent = nullptr);
    ~THistoryWindow() override;

    // Shows the window in the interface language and lists the strips found.
    void showHistory(int codePage);

    // Event handlers. Each one runs inside the general error report.
    void BtnSearchClick();
    void gridHistorySelect();
    void BtnReprintClick();

    // The strips listed, in the grid's order.
    const QList<JournalEntry>& found() const { return found_; }

    // Controls.
    QLabel* lblText = nullptr;
    QLineEdit* edText = nullptr;
    QLabel* lblDays = nullptr;
    QDateEdit* edFrom = nullptr;
    QDateEdit* edTo = nullptr;
    QLabel* lblState = nullptr;
    QComboBox* cbState = nullptr; // item 0 any, then historyStates()
    QPushButton* BtnSearch = nullptr;
    QTableWidget* gridHistory = nullptr;
    TStripPreview* preview = nullptr;
    QComboBox* cbLabel = nullptr; // item 0 the whole strip, then its labels
    QPushButton* BtnReprint = nullptr;

private:
    void buildControls();
    void ApplyLanguage();
    PrintJournal& journal();
    const JournalEntry* selected() const;
    void clearPreview();
    template <typename Handler> void run(Handler&& handler);

    HistoryStation station_;
    std::unique_ptr<PrintJournal> owned_;
    StripPreviewer previewer_;
    QList<JournalEntry> found_;
    int codePage_ = 437;
};
