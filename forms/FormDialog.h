#pragma once

#include "core/ErrorReport.h"

#include <QDialog>
#include <QFont>
#include <QShowEvent>
#include <QStringList>

class Prompts;

// A dialog with the two handlers of its form, each run under the general
// error report: FormShow whenever the program shows it, FormClose however it
// ends (OK, Cancel, Esc, the close box). A spontaneous show comes from the
// window system, when the minimised dialog (or a window that owns it) is
// restored: what the dialog holds stays as it is and FormShow does not run.
// The forms are drawn in SimSun (宋体) where it is installed, 14 pixels high.
class FormDialog : public QDialog {
public:
    FormDialog(Prompts& prompts, QWidget* parent, Qt::WindowFlags flags)
        : QDialog(parent, flags), formPrompts_(prompts) {
        QFont font(QStringList{QString::fromUtf8("宋体"), QStringLiteral("SimSun"),
                               QStringLiteral("WenQuanYi Zen Hei")});
        font.setPixelSize(14);
        setFont(font);
    }

    virtual void FormShow() = 0;
    virtual void FormClose() = 0;

    // A failed FormClose is reported and the dialog ends all the same.
    void done(int result) override {
        guarded(formPrompts_, [this] { FormClose(); });
        QDialog::done(result);
    }

protected:
    void showEvent(QShowEvent* event) override {
        QDialog::showEvent(event);
        if (!event->spontaneous())
            guarded(formPrompts_, [this] { FormShow(); });
    }

private:
    Prompts& formPrompts_;
};
