#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

#include <zbar.h>

// Every barcode libzbar finds in a picture, as the bytes it carries.
inline QList<QByteArray> readBarcodes(const QImage& picture) {
    using namespace zbar; // the C API, declared in this namespace under C++
    const QImage gray = picture.convertToFormat(QImage::Format_Grayscale8);
    QByteArray pixels;
    pixels.reserve(gray.width() * gray.height());
    for (int y = 0; y < gray.height(); ++y)
        pixels.append(reinterpret_cast<const char*>(gray.constScanLine(y)), gray.width());
    zbar_image_scanner_t* scanner = zbar_image_scanner_create();
    zbar_image_scanner_set_config(scanner, ZBAR_NONE, ZBAR_CFG_ENABLE, 0);
    zbar_image_scanner_set_config(scanner, ZBAR_CODE128, ZBAR_CFG_ENABLE, 1);
    zbar_image_t* image = zbar_image_create();
    zbar_image_set_format(image, zbar_fourcc('Y', '8', '0', '0'));
    zbar_image_set_size(image, gray.width(), gray.height());
    zbar_image_set_data(image, pixels.constData(), pixels.size(), nullptr);
    zbar_scan_image(scanner, image);
    QList<QByteArray> found;
    for (const zbar_symbol_t* s = zbar_image_first_symbol(image); s; s = zbar_symbol_next(s))
        found.append(QByteArray(zbar_symbol_get_data(s), zbar_symbol_get_data_length(s)));
    zbar_image_destroy(image);
    zbar_image_scanner_destroy(scanner);
    return found;
}
