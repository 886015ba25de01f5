#pragma once

#include "printing/PrintProgress.h"

#include <QPointer>
#include <QString>

#include <cstdint>

class QProgressDialog;
class QWidget;

// The progress of a print run as a window-modal dialog over the main window,
// with a button that stops the run after the strip in hand. Events are
// processed after every strip, so the window keeps painting. The dialog goes
// with the run: once end() has run it is neither shown nor in the way of a
// message box.
class QtPrintProgress : public PrintProgress {
public:
    // codePage 936: the Chinese texts.
    explicit QtPrintProgress(QWidget* parent, int32_t codePage = 437)
        : parent_(parent), codePage_(codePage) {}
    ~QtPrintProgress() override;

    void begin(int strips) override;
    bool advance(int done) override;
    void end() override;

    // "Printing strip 3 of 10" in the language of codePage.
    static QString stripText(int done, int strips, int32_t codePage);
    // The stop button's caption.
    static QString stopText(int32_t codePage);

private:
    QWidget* parent_;
    int32_t codePage_;
    QPointer<QProgressDialog> dialog_;
    int strips_ = 0;
};
