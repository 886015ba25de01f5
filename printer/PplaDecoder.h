#pragma once

#include "printer/MonoBitmap.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QStringList>

#include <optional>

// Reads the PPLA bytes a printer receives, the way the printer would, for the
// virtual printer. It knows nothing of how the encoder builds them: records are
// taken apart from their documented layout. CR, LF, CR LF and missing line ends
// before <STX>/<SOH> are all accepted between records.

struct DecodedBarcode {
    int rotation = 1;
    char type = 'e';
    int wide = 0;
    int narrow = 0;      // dots
    int heightUnits = 0; // printer units (see DecodedLabel::unitsPerInch)
    int rowUnits = 0;
    int colUnits = 0;
    QByteArray field; // the data field as sent
};

struct DecodedImage {
    int rowUnits = 0;
    int colUnits = 0;
    QByteArray name;
    MonoBitmap bitmap; // empty when no image of that name was downloaded
};

// One label format, from <STX>L to E: one printed strip.
struct DecodedLabel {
    int unitsPerInch = 100; // 254 in metric mode (0.1 mm), 100 in inch mode
    int darkness = -1;      // -1 when no H record came
    int dotWidth = 1;
    int dotHeight = 1;
    int quantity = 1;
    QList<DecodedBarcode> barcodes;
    QList<DecodedImage> images;
    QStringList warnings;
    QByteArray raw; // the bytes since the previous label, image downloads included
};

class PplaDecoder {
public:
    void feed(QByteArrayView bytes);
    // Ends a last record that has no line end.
    void finish();
    QList<DecodedLabel> takeLabels() { return std::exchange(labels_, {}); }
    int feeds() const { return feeds_; }
    // Records outside any label that were not understood.
    const QStringList& warnings() const { return warnings_; }
    // Images in printer memory, by name.
    const QHash<QByteArray, MonoBitmap>& images() const { return images_; }

private:
    enum class Mode { Idle, Image, Label };
    void record(const QByteArray& line);
    void systemCommand(const QByteArray& line);
    void imageRow(const QByteArray& line);
    void refuseTallImage();
    void labelRecord(const QByteArray& line);
    void warn(const QString& text);

    Mode mode_ = Mode::Idle;
    int unitsPerInch_ = 100;
    QByteArray line_;
    QByteArray raw_;
    QHash<QByteArray, MonoBitmap> images_;
    QByteArray imageName_;
    QList<QByteArray> imageRows_; // bottom row first
    bool imageOk_ = true;
    DecodedLabel label_;
    QList<DecodedLabel> labels_;
    QStringList warnings_;
    int feeds_ = 0;
};

// What the bars of a Code 128 data field carry, read as the printer reads the
// field (subset letter, & functions, subset A stand-ins); nullopt with *error
// when the field holds what the bars cannot show (FNC codes, bad digits).
std::optional<QByteArray> decodeCode128Field(QByteArrayView field, QString* error = nullptr);
