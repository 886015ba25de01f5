#include "printer/TextRaster.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

size_t qHash(const TextRasterKey& key, size_t seed) {
    return qHashMulti(seed, key.fontName, key.size, key.weight, key.italic, key.underline,
                      key.strikeOut, key.text);
}

RasterText rasteriseText(const TextRasterKey& key) {
    RasterText out;
    if (key.size < 1 || key.text.isEmpty())
        return out;
    QFont font(key.fontName);
    font.setWeight(static_cast<QFont::Weight>(std::clamp(key.weight, 1, 1000)));
    font.setItalic(key.italic);
    font.setUnderline(key.underline);
    font.setStrikeOut(key.strikeOut);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    // The largest pixel size whose line (ascent + descent) fits in size dots.
    auto lineHeight = [&font](int pixels) {
        font.setPixelSize(pixels);
        const QFontMetrics m(font);
        return m.ascent() + m.descent();
    };
    const int first = lineHeight(key.size);
    int pixels = std::max(
        1, static_cast<int>(static_cast<long long>(key.size) * key.size / std::max(first, 1)));
    while (pixels > 1 && lineHeight(pixels) > key.size)
        --pixels;
    while (lineHeight(pixels + 1) <= key.size)
        ++pixels;
    font.setPixelSize(pixels);
    const QFontMetrics fm(font);
    const int ascent = fm.ascent();
    out.boxHeight = ascent + fm.descent();
    // Room for italic overhang and negative bearings on both sides.
    const int pad = key.size / 2 + 2;
    const int width = fm.horizontalAdvance(key.text) + 2 * pad;
    const int height = out.boxHeight + 2;
    QImage canvas(width, height, QImage::Format_Grayscale8);
    canvas.fill(255);
    {
        QPainter p(&canvas);
        p.setFont(font);
        p.setPen(Qt::black);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        p.drawText(pad, ascent, key.text);
    }
    int top = height, bottom = -1, left = width, right = -1;
    for (int y = 0; y < height; ++y) {
        const uchar* row = canvas.constScanLine(y);
        for (int x = 0; x < width; ++x) {
            if (row[x] < 128) {
                top = std::min(top, y);
                bottom = y;
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    if (bottom < 0)
        return out;
    out.offsetX = left - pad;
    out.offsetY = top;
    out.ink = MonoBitmap::blank(right - left + 1, bottom - top + 1);
    for (int y = top; y <= bottom; ++y) {
        const uchar* row = canvas.constScanLine(y);
        for (int x = left; x <= right; ++x)
            if (row[x] < 128)
                out.ink.set(x - left, y - top);
    }
    return out;
}

const RasterText& TextRasterCache::get(const TextRasterKey& key) {
    auto it = entries_.constFind(key);
    if (it != entries_.cend())
        return it.value();
    if (entries_.size() >= capacity_)
        entries_.clear();
    return entries_.insert(key, rasteriseText(key)).value();
}
