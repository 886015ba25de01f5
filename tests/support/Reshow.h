#pragma once

#include "tests/support/DataTable.h"

#include <QTest>
#include <QWidget>

// Shows a window again the way the test asks: minimised and restored by the
// window system (a spontaneous show), or hidden and shown by the program.
inline void reshow(QWidget& w, bool minimise) {
    if (minimise) {
        w.showMinimized();
        QVERIFY(w.isMinimized());
        w.showNormal();
        QVERIFY(!w.isMinimized());
    } else {
        w.hide();
        w.show();
    }
    QVERIFY(w.isVisible());
}

// The rows of a test run once for each way of reshow: its column "minimise".
inline void reshowRows() {
    DataTable<bool>({"minimise"})
        .row("minimised and restored", true)
        .row("hidden and shown again", false);
}
