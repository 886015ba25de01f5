#pragma once

#include "printing/StripRecovery.h"

#include <QDialog>
#include <QList>
#include <functional>

class QLabel;
class QListWidget;
class QPushButton;
class PrintJournal;
class RecordClaims;
class Prompts;

// "Unfinished strips": the strips the journal holds that may have printed
// without being marked, and those the label database holds for a person at
// any station (printing/StripRecovery.h), one line each. The
// operator decides for the selected lines, or for all: "Mark printed" marks
// their records printed, "Print again" leaves them for a later run. "Later"
// closes it; the strips stay held until decided.
class TUnfinishedStrips : public QDialog {
    Q_OBJECT
public:
    // journal may be null (a station without one still sees the database's).
    TUnfinishedStrips(PrintJournal* journal, RecordClaims& claims, Prompts& prompts, int codePage,
                      QWidget* parent = nullptr);

    // Shows it modally until it is closed; the number of strips still undecided.
    int showModal();
    // When set, showModal hands the dialog to it instead of a local event
    // loop (tests play the operator).
    static inline std::function<void(TUnfinishedStrips&)> modalDriver;

    // Reads the journal again; false when nothing is left to decide.
    bool reload();
    int count() const;

    // Event handlers: act on the selected lines.
    void btnMarkPrintedClick();
    void btnPrintAgainClick();

    QLabel* lblPrompt = nullptr;
    QListWidget* lstStrips = nullptr; // one line a strip
    QPushButton* btnSelectAll = nullptr;
    QPushButton* btnMarkPrinted = nullptr;
    QPushButton* btnPrintAgain = nullptr;
    QPushButton* btnLater = nullptr;

private:
    void decide(bool markPrinted);

    PrintJournal* journal_;
    RecordClaims& claims_;
    QList<UnfinishedStrip> strips_; // in the list's order
    Prompts& prompts_;
    int codePage_;
};
