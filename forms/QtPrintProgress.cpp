#include "forms/QtPrintProgress.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace {
struct Text {
    const char* english;
    const char* chinese;
};
// The dialog's texts.
constexpr Text kStrip{"Printing strip %1 of %2", "正在打印第 %1 条，共 %2 条"};
constexpr Text kStop{"Stop after this strip", "打印完这一条后停止"};

QString pick(const Text& text, int32_t codePage) {
    return QString::fromUtf8(codePage == 936 ? text.chinese : text.english);
}
} // namespace

QString QtPrintProgress::stripText(int done, int strips, int32_t codePage) {
    return pick(kStrip, codePage).arg(done).arg(strips);
}

QString QtPrintProgress::stopText(int32_t codePage) {
    return pick(kStop, codePage);
}

QtPrintProgress::~QtPrintProgress() {
    end();
}

void QtPrintProgress::begin(int strips) {
    end();
    strips_ = strips;
    if (strips < 2)
        return; // one strip is over before a dialog could be read
    dialog_ = new QProgressDialog(stripText(0, strips, codePage_), stopText(codePage_), 0, strips,
                                  parent_);
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
    dialog_->setLabelText(stripText(done, strips_, codePage_));
    dialog_->setValue(done);
    QCoreApplication::processEvents();
    return !dialog_ || !dialog_->wasCanceled();
}

void QtPrintProgress::end() {
    // Deleted here and now: the dialog's delayed show is a timer of its own,
    // which would still fire in the event loop of the message box that often
    // follows a run, and put a dead, window-modal dialog over the box.
    delete dialog_.data();
    dialog_ = nullptr;
}
