#pragma once

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
