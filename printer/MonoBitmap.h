#pragma once

#include <QByteArray>
#include <QImage>

// A 1-bit picture as the printer takes it: rows of bytes, most significant bit
// the leftmost dot, 1 = black, top row first.
struct MonoBitmap {
    int width = 0;
    int height = 0;
    int rowBytes = 0;
    QByteArray bits;

    bool isEmpty() const { return width <= 0 || height <= 0; }
    bool pixel(int x, int y) const {
        const auto byte = static_cast<unsigned char>(bits[y * rowBytes + x / 8]);
        return (byte >> (7 - x % 8)) & 1;
    }
    static MonoBitmap blank(int width, int height) {
        MonoBitmap b;
        b.width = width;
        b.height = height;
        b.rowBytes = (width + 7) / 8;
        b.bits = QByteArray(b.rowBytes * height, '\0');
        return b;
    }
    void set(int x, int y) {
        bits[y * rowBytes + x / 8] = static_cast<char>(
            static_cast<unsigned char>(bits[y * rowBytes + x / 8]) | (0x80 >> (x % 8)));
    }
    // The part [x, x+w) x [y, y+h) of this bitmap.
    MonoBitmap copy(int x, int y, int w, int h) const;
    bool operator==(const MonoBitmap&) const = default;
};
