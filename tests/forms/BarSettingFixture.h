#pragma once

// What the settings dialog and preview tests share: the layouts they hand
// the dialog, the virtual printer's strip to compare the preview with, and a
// dialog opened as the main window opens it.

#include "core/Language.h"
#include "db/LabelList.h"
#include "forms/StripPreview.h"
#include "forms/Ubarsetting.h"
#include "forms/umainBarcode.h"
#include "printer/PplaPrinter.h"
#include "printer/RecordingPpla.h"
#include "printer/VirtualPrinter.h"
#include "printing/PrintLabelRowJob.h"
#include "settings/SettingsLoad.h"
#include "settings/uBarcode.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/TestDatabase.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

Q_DECLARE_METATYPE(LabelFormat)

// A layout as the settings load gives it for a file without keys.
inline TLabelLayout loadedDefaults() {
    TLabelLayout l;
    const int32_t lefts[] = {30, 240, 240};
    for (size_t c = 0; c < 3; ++c)
        l.columns[c] = {{lefts[c], 30, 1, 30}, {lefts[c], 18, 1, 30}};
    l.font = LabelFont::of("Liberation Serif", "400 standard");
    l.options.shopTitle = "Your Company Name";
    l.port = "USB1";
    l.options.style = 3;
    l.options.option = 4;
    l.options.option2 = 5;
    return l;
}

// Three labels whose barcodes and texts all stay inside their own label.
inline TLabelLayout fittingLayout() {
    TLabelLayout l = loadedDefaults();
    const int32_t lefts[] = {20, 260, 500};
    for (size_t c = 0; c < 3; ++c) {
        l.columns[c].barcode.left = l.columns[c].text.left = lefts[c];
        l.columns[c].text.top = 4;
        l.columns[c].text.height = 22;
        l.columns[c].barcode.top = 34;
        l.columns[c].barcode.height = 30;
    }
    return l;
}

inline QImage virtualPrinterStrip(const TLabelLayout& layout, const LabelRow& row,
                                  LabelFormat format, const QString& dir) {
    auto port = std::make_shared<VirtualPrinterPort>(dir);
    PplaPrinter printer(port);
    QString failure;
    if (!PrintLabelRowJob(row, layout, format, printer, &failure) || port->written().size() != 1)
        return {};
    return QImage(port->written().first());
}

// Pixels of the picture that differ from the strip, leaving out the lines
// drawn over it: the label outlines and the boxes of what leaves its label.
inline int differingPixels(const QImage& picture, const QImage& strip,
                           const QList<StripItem>& items, const VirtualPrinterOptions& o) {
    if (picture.size() != strip.size())
        return -1;
    QList<QRect> overlays;
    for (int c = 0; c < o.labelsAcross; ++c)
        overlays << labelRect(c, o);
    for (const StripItem& item : items)
        if (leavesLabel(item, o) && !item.box.isEmpty())
            overlays << item.box;
    const QImage gray = strip.convertToFormat(QImage::Format_Grayscale8);
    int differing = 0;
    for (int y = 0; y < gray.height(); ++y)
        for (int x = 0; x < gray.width(); ++x) {
            bool onOverlay = false;
            for (const QRect& r : overlays)
                onOverlay |= r.contains(x, y) &&
                             (x == r.left() || x == r.right() || y == r.top() || y == r.bottom());
            if (!onOverlay && qGray(picture.pixel(x, y)) != gray.pixelColor(x, y).value())
                ++differing;
        }
    return differing;
}

// The leftmost column of the strip with ink inside [from, to).
inline int firstInkColumn(const QImage& strip, int from, int to) {
    const QImage gray = strip.convertToFormat(QImage::Format_Grayscale8);
    for (int x = from; x < to; ++x)
        for (int y = 0; y < gray.height(); ++y)
            if (gray.pixelColor(x, y).value() < 128)
                return x;
    return -1;
}

class BarSettingFixture {
protected:
    QTemporaryDir dir;

    // The layout the opener hands the dialog, as the main window does.
    TLabelLayout stored_;

    void open(TBarSetting& d, int codePage = 437) {
        d.CodePage = codePage;
        d.setLabelLayout(stored_);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
    }

    void resetFixture() {
        QDir::setCurrent(dir.path());
        QFile::remove(dir.filePath("Quillet.ini"));
        stored_ = loadedDefaults();
        UICodePage = 437;
    }
};
