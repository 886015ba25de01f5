#include "forms/QtPrintProgress.h"

#include <QCoreApplication>
#include <QProgressDialog>

QtPrintProgress::~QtPrintProgress() {
    end();
}

void QtPrintProgress::begin(int strips) {
    end();
    strips_ = strips;
    if (strips < 2)
        return; // one strip is over before a dialog could be read
    dialog_ = new QProgressDialog(QStringLiteral("Printing strip 0 of %1").arg(strips),
                                  QStringLiteral("Stop after this strip"), 0, strips, parent_);
    dialog_->setObjectName(QStringLiteral("PrintProgress"));
    dialog_->setWindowTitle(QCoreApplication::applicationName());
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setMinimumDuration(0); // shown at once: the window waits meanwhile
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setValue(0);
}

bool QtPrintProgress::advance(int done) {
    if (!dialog_)
        return true;
    dialog_->setLabelText(QStringLiteral("Printing strip %1 of %2").arg(done).arg(strips_));
    dialog_->setValue(done);
    QCoreApplication::processEvents();
    return !dialog_ || !dialog_->wasCanceled();
}

void QtPrintProgress::end() {
    if (dialog_) {
        dialog_->hide();
        dialog_->deleteLater();
        dialog_ = nullptr;
    }
}
