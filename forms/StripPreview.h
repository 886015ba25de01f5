#pragma once

#include "printing/StripPreviewer.h"

#include <QImage>
#include <QStringList>
#include <QWidget>

class QLabel;

// The operator's line about an item that leaves its label; English, or
// Chinese under code page 936.
QString leavesLabelText(const StripItem& item, int codePage);

// The strip with the outline of each label drawn over it, and the box of
// every item that leaves its label in red.
QImage composePreview(const StripPreviewResult& result, const VirtualPrinterOptions& options);

// The preview's outline colour (label edges) and flag colour.
inline constexpr QRgb kLabelOutline = 0xff2a6fdb;
inline constexpr QRgb kLeavesLabel = 0xffe02020;

// The picture of the strip, one screen pixel per printer dot, and a line per
// item that leaves its label.
class TStripPreview : public QWidget {
    Q_OBJECT
public:
    explicit TStripPreview(QWidget* parent = nullptr);

    void setCodePage(int codePage) { codePage_ = codePage; }
    void display(const StripPreviewResult& result, const VirtualPrinterOptions& options);

    const StripPreviewResult& result() const { return result_; }
    // The picture shown (strip, outlines and flags).
    QImage picture() const { return picture_; }
    // The lines shown under the picture.
    QStringList flags() const { return flags_; }

    QLabel* lblStrip = nullptr;
    QLabel* lblFlags = nullptr;

private:
    int codePage_ = 437;
    StripPreviewResult result_;
    QImage picture_;
    QStringList flags_;
};
