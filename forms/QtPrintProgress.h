#pragma once

#include "printing/PrintProgress.h"

#include <QPointer>

class QProgressDialog;
class QWidget;

// The progress of a print run as a window-modal dialog over the main window,
// with a button that stops the run after the strip in hand. Events are
// processed after every strip, so the window keeps painting.
class QtPrintProgress : public PrintProgress {
public:
    explicit QtPrintProgress(QWidget* parent) : parent_(parent) {}
    ~QtPrintProgress() override;

    void begin(int strips) override;
    bool advance(int done) override;
    void end() override;

private:
    QWidget* parent_;
    QPointer<QProgressDialog> dialog_;
    int strips_ = 0;
};
