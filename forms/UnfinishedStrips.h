#pragma once

#include <QDialog>
#include <QList>
#include <functional>

class QLabel;
class QListWidget;
class QPushButton;
class ExecQuery;
class PrintJournal;
class Prompts;

// "Unfinished strips": the strips the journal holds that may have printed
// without being marked (printing/StripRecovery.h), one line each. The
// operator decides for the selected lines, or for all: "Mark printed" marks
// their records printed, "Print again" leaves them for a later run. "Later"
// closes it; the strips stay held until decided.
class TUnfinishedStrips : public QDialog {
    Q_OBJECT
public:
    TUnfinishedStrips(PrintJournal& journal, ExecQuery& qryEXEC, Prompts& prompts, int codePage,
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
    QListWidget* lstStrips = nullptr; // one line a strip; its data is the entry id
    QPushButton* btnSelectAll = nullptr;
    QPushButton* btnMarkPrinted = nullptr;
    QPushButton* btnPrintAgain = nullptr;
    QPushButton* btnLater = nullptr;

private:
    QList<qint64> selectedEntries() const;
    template <typename F> void decide(F&& f);

    PrintJournal& journal_;
    ExecQuery& qryEXEC_;
    Prompts& prompts_;
    int codePage_;
};
