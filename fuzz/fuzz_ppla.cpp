// The virtual printer's reading of PPLA: any bytes, fed whole or cut at any
// point, give the same labels and warnings, and every label is drawn.
#include "FuzzCheck.h"
#include "printer/PplaDecoder.h"
#include "printer/StripRenderer.h"

#include <QGuiApplication>

#include <cstdlib>

namespace {

struct Decoded {
    QList<DecodedLabel> labels;
    QStringList warnings;
    int feeds = 0;
};

Decoded decode(QByteArrayView bytes, qsizetype cut) {
    PplaDecoder decoder;
    decoder.feed(bytes.first(cut));
    decoder.feed(bytes.sliced(cut));
    decoder.finish();
    return {decoder.takeLabels(), decoder.warnings(), decoder.feeds()};
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv); // fonts for the printer's text line
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    // The first byte says where the bytes are cut in two.
    const QByteArrayView bytes(reinterpret_cast<const char*>(data) + 1,
                               static_cast<qsizetype>(size - 1));
    const qsizetype cut = bytes.isEmpty() ? 0 : data[0] % (bytes.size() + 1);
    const Decoded whole = decode(bytes, bytes.size());
    const Decoded parts = decode(bytes, cut);
    FUZZ_CHECK(whole.labels.size() == parts.labels.size());
    FUZZ_CHECK(whole.warnings == parts.warnings);
    FUZZ_CHECK(whole.feeds == parts.feeds);
    for (qsizetype i = 0; i < whole.labels.size(); ++i) {
        const DecodedLabel& a = whole.labels[i];
        const DecodedLabel& b = parts.labels[i];
        FUZZ_CHECK(a.raw == b.raw);
        FUZZ_CHECK(a.warnings == b.warnings);
        FUZZ_CHECK(a.barcodes.size() == b.barcodes.size());
        FUZZ_CHECK(a.images.size() == b.images.size());
        for (qsizetype k = 0; k < a.barcodes.size(); ++k)
            FUZZ_CHECK(a.barcodes[k].field == b.barcodes[k].field);
        for (qsizetype k = 0; k < a.images.size(); ++k)
            FUZZ_CHECK(a.images[k].bitmap == b.images[k].bitmap);
    }
    for (qsizetype i = 0; i < whole.labels.size() && i < 4; ++i) {
        QStringList warnings;
        const QImage strip = renderLabel(whole.labels[i], {}, &warnings);
        FUZZ_CHECK(strip.width() == 720 && strip.height() == 80);
    }
    return 0;
}
