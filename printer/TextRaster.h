#pragma once

#include "printer/MonoBitmap.h"

#include <QHash>
#include <QString>

// Text drawn on the host in a TrueType face, as the 1-bit picture the printer
// receives. Needs a QGuiApplication (fonts).
//
// Geometry: `size` is the height of the text line in dots, ascent + descent,
// so that descenders stay inside it too (the em height is a little smaller,
// about 0.9 x size for Times New Roman). The text's box starts at its pen
// origin on the left and at the top of the ascent; the picture is the box cut
// down to the ink, and (offsetX, offsetY) is where that ink starts inside it.
struct TextRasterKey {
    QString fontName;
    int size = 0;
    int weight = 400; // 1 (thinnest) to 1000, 400 regular, 700 bold
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QString text;

    bool operator==(const TextRasterKey&) const = default;
};
size_t qHash(const TextRasterKey& key, size_t seed = 0);

struct RasterText {
    MonoBitmap ink;  // empty when the text leaves no ink
    int offsetX = 0; // from the pen origin to the ink's left edge
    int offsetY = 0; // from the top of the ascent to the ink's top edge
    int boxHeight = 0;
};

RasterText rasteriseText(const TextRasterKey& key);

// Keeps the pictures of texts already drawn: one strip after another mostly
// repeats the "SN:" prefix sizes and fonts, and previews redraw the same texts.
class TextRasterCache {
public:
    explicit TextRasterCache(int capacity = 512) : capacity_(capacity) {}
    const RasterText& get(const TextRasterKey& key);
    int size() const { return static_cast<int>(entries_.size()); }

private:
    int capacity_;
    QHash<TextRasterKey, RasterText> entries_;
};
