#pragma once

#include "printer/TextRaster.h"

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QString>

// Turns drawing calls into the PPLA bytes of one strip: the text images to
// download, then one label format holding the barcodes and image placements,
// ended by E, which prints the strip and advances to the next.
//
// A strip is one printer label as wide as the print head: the three labels of
// 30 mm x 10 mm stand side by side in it. Coordinates:
// - x is the distance in dots from the strip's left edge to the object's left
//   edge, for barcodes and texts alike.
// - A text's y is the distance in dots from the label's top edge down to the top
//   of the text line; its size is the line's height in dots (ascent + descent,
//   see TextRaster.h). The text fills [y, y + size] from the top, as on screen.
// - A barcode's y is the distance in dots from the label's bottom edge up to the
//   top of its bars; the bars reach down from there by the barcode height. The
//   barcode thus stands near the bottom edge and the text hangs from the top:
//   with the layout's defaults (barcode y 30, height 30; text y 18, size 30) the
//   "SN:" line takes dots 18-48 from the top of the 80-dot label and the bars
//   dots 50-80, without touching. Bars that would reach below the bottom edge are
//   raised to stand on it.
// - The printer counts rows upward from the bottom edge in 0.1 mm; the encoder
//   converts with the head's resolution.
// Ink that falls outside the label (above its top, below its bottom, left of the
// strip) is cut off, as the printer would drop it.
struct EncoderOptions {
    int dpi = 203;
    int labelHeightDots = 80;
};

struct BarcodeArgs {
    int x = 0;
    int y = 0;
    int widthSetting = 1; // multiplies the narrow bar: module = narrow x widthSetting
    char type = 'e';      // 'e' Code 128 bars only, 'E' with the printer's text line
    int narrow = 2;       // Code 128 module width in dots for widthSetting 1
    int wide = 1;         // wide bar width; Code 128 has none, sent as is
    int height = 0;       // bar height in dots
    char mode = 'N';      // 'N': the data is printed as given
    int numeric = 0;      // serial increment; 0 (none) is the only value taken
    QByteArray data;
};

struct TextArgs {
    int x = 0;
    int y = 0;
    int size = 0;
    QString fontName;
    int orient = 1; // 1 = upright; images print only upright
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QByteArray name; // printer memory name of the image, e.g. "A3"
    QString text;
    int memMode = 1; // 1 = printer RAM (module A)
};

// What one addBarcode or addText call made of its field. box is where the ink
// goes on the strip, in dots from the strip's left edge and the label's top
// edge, as laid out: before ink outside the label is cut off and before bars
// reaching below the bottom edge are raised onto it. A barcode's box is its
// bars (every module as the virtual printer draws them, see addBarcode) by its
// height; a text's box is its ink. box is empty when the call draws nothing (a
// barcode without data, a text without ink); refused is the reason when the
// call was refused.
struct DrawnItem {
    enum Kind { Barcode, Text };
    Kind kind = Barcode;
    QRect box;
    QString refused;

    bool operator==(const DrawnItem&) const = default;
};

class PplaEncoder {
public:
    explicit PplaEncoder(EncoderOptions options = {}, TextRasterCache* cache = nullptr);
    PplaEncoder(const PplaEncoder&) = delete;
    PplaEncoder& operator=(const PplaEncoder&) = delete;

    // Each returns a PplaResult code and, on failure, the reason in *error.
    int setDarkness(int heat, QString* error);
    int addBarcode(const BarcodeArgs& args, QString* error);
    int addText(const TextArgs& args, QString* error);
    // The bytes of the strip drawn so far, printed with dot size width x height
    // (D11 = native dots) and quantity copies x amount. The drawing is then
    // cleared; the darkness stays.
    int printOut(int width, int height, int copies, int amount, QByteArray* bytes, QString* error);
    void clear();
    // One item per addBarcode and addText call of the strip being drawn, in
    // call order; a text whose image another text under the same name
    // replaced is dropped with it. Cleared with the drawing.
    const QList<DrawnItem>& drawnItems() const { return drawn_; }
    // Back to the state after construction: no drawing, no darkness.
    void reset() {
        clear();
        darkness_ = -1;
    }
    bool isEmpty() const { return images_.isEmpty() && records_.isEmpty(); }

    static QByteArray feedCommand();
    // One downloaded image: <STX>IAF name, hex rows bottom first, FFFF.
    static QByteArray imageDownload(const QByteArray& name, const MonoBitmap& bitmap);

    const EncoderOptions& options() const { return options_; }

private:
    struct Image {
        QByteArray name;
        QByteArray download;
        QByteArray placement;
    };

    // Notes the call's item (name: a text's image name) and returns Ok.
    int note(DrawnItem::Kind kind, const QRect& box, const QByteArray& name = {});
    // Notes the call as refused and fails with text.
    int refuse(DrawnItem::Kind kind, QString* error, int code, const QString& text);

    EncoderOptions options_;
    TextRasterCache ownCache_;
    TextRasterCache* cache_;
    int darkness_ = -1;
    QList<Image> images_;
    QList<QByteArray> records_; // in call order; image placements refer to images_
    QList<DrawnItem> drawn_;
    QList<QByteArray> drawnNames_; // the image name of each text item, empty for the rest
};
