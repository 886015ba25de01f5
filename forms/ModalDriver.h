#pragma once

#include <QDialog>
#include <functional>

// Shows a dialog modally, or, when a driver is set (tests), shows it without
// a nested event loop and lets the driver act as the operator; a dialog the
// driver leaves open is cancelled.
template <typename Dialog>
int showModal(Dialog& dialog, const std::function<void(Dialog&)>& driver) {
    if (!driver)
        return dialog.exec();
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    driver(dialog);
    if (dialog.isVisible())
        dialog.reject();
    return dialog.result();
}
