#include "StripFixture.h"
#include "printer/Code128.h"
#include "printer/PplaDecoder.h"
#include "printer/PplaEncoder.h"
#include "printer/PplaResult.h"
#include "printer/TextRaster.h"
#include "tests/support/DataTable.h"

#include <QTest>

namespace {

const QByteArray STX("\x02");

// Where the encoder must put a text image: its ink, cut to the ink, with its
// lower edge counted in 0.1 mm up from the label's bottom edge (80 dots).
QByteArray expectedImage(const QByteArray& name, int x, int y, int size, const QString& text,
                         QByteArray* placement) {
    const RasterText r = rasteriseText({"Times New Roman", size, 400, false, false, false, text});
    const int top = y + r.offsetY;
    int h = r.ink.height;
    MonoBitmap ink = r.ink;
    if (top < 0) { // cut above the label's top edge
        ink = ink.copy(0, -top, ink.width, h + top);
        h += top;
    }
    const int bottomDots = 80 - (std::max(top, 0) + h);
    const int rowUnits = (bottomDots * 254 + 101) / 203;
    const int colUnits = ((x + r.offsetX) * 254 + 101) / 203;
    *placement = "1Y11000" + QByteArray::number(rowUnits).rightJustified(4, '0') +
                 QByteArray::number(colUnits).rightJustified(4, '0') + name + "\r";
    return PplaEncoder::imageDownload(name, ink);
}

} // namespace

class TestPplaEncoder : public QObject {
    Q_OBJECT
private slots:
    void imageDownloadIsHexRowsBottomFirst() {
        MonoBitmap b = MonoBitmap::blank(10, 3);
        for (int x = 0; x < 10; ++x) {
            b.set(x, 0);
            b.set(x, 1);
        }
        b.set(0, 2);
        b.set(9, 2);
        QCOMPARE(PplaEncoder::imageDownload("X1", b),
                 QByteArray("\x02IAFX1\r80028040\r8002FFC0\r0000FF01\rFFFF\r"));
    }

    void barcodeFormatStrip() {
        const QByteArray bytes = drawStrip(
            {defaultColumn(0, "AB123456"), defaultColumn(1, "CDA1&B7x"), defaultColumn(2, "EF")},
            StripFormat::Barcode);
        QByteArray pa, pb, pc;
        const QByteArray ia = expectedImage("A3", 40, 18, 30, "SN:AB123456", &pa);
        const QByteArray ib = expectedImage("B3", 250, 18, 30, "SN:CDA1&B7x", &pb);
        const QByteArray ic = expectedImage("C3", 250, 18, 30, "SN:EF", &pc);
        // Column 3's text is too short for a barcode: its content is empty and
        // nothing is drawn for it.
        const QByteArray expected = STX + "m\r" + ia + ib + ic + STX + "L\r" + "D11\r" + "H12\r" +
                                    "1e1203800000038C123456\r" + pa + "1e1203800000300BA1&&CB7x\r" +
                                    pb + pc + "Q0001\r" + "E\r";
        QCOMPARE(bytes, expected);
    }

    void textFormatStrip() {
        const QByteArray bytes =
            drawStrip({defaultColumn(0, "AB123456"), defaultColumn(1, ""), defaultColumn(2, "Zq")},
                      StripFormat::Text);
        QByteArray pa, pc;
        const QByteArray ia = expectedImage("A3", 40, -4, 52, "AB123456", &pa);
        const QByteArray ic = expectedImage("C3", 250, -4, 52, "Zq", &pc);
        const QByteArray expected =
            STX + "m\r" + ia + ic + STX + "L\r" + "D11\r" + "H12\r" + pa + pc + "Q0001\r" + "E\r";
        QCOMPARE(bytes, expected);
    }

    void barcodeRecordFields_data() {
        DataTable<int, int, int, int, QByteArray>({"x", "y", "widthSetting", "height", "record"})
            .row("defaults", 30, 30, 1, 30, QByteArray("1e1203800000038BAbc\r"))
            .row("width 3: 6-dot modules", 30, 30, 3, 30, QByteArray("1e1603800000038BAbc\r"))
            .row("width 12: the widest", 0, 30, 12, 30, QByteArray("1e1O03800000000BAbc\r"))
            .row("bars above the bottom", 145, 70, 1, 24, QByteArray("1e1203000580181BAbc\r"))
            .row("bars raised onto the bottom edge", 20, 1, 1, 24,
                 QByteArray("1e1203000000025BAbc\r"));
    }
    void barcodeRecordFields() {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, widthSetting);
        QFETCH(int, height);
        QFETCH(QByteArray, record);
        PplaEncoder enc;
        QString error;
        QCOMPARE(enc.addBarcode({x, y, widthSetting, 'e', 2, 1, height, 'N', 0, "Abc"}, &error),
                 PplaResult::Ok);
        QByteArray bytes;
        QCOMPARE(enc.printOut(1, 1, 1, 1, &bytes, &error), PplaResult::Ok);
        QCOMPARE(bytes, STX + "m\r" + STX + "L\rD11\r" + record + "Q0001\rE\r");
    }

    void refusesWhatItCannotPrint_data() {
        DataTable<char, int, int, char, int, int, QByteArray>(
            {"type", "widthSetting", "height", "mode", "numeric", "x", "data"})
            .row("not Code 128", 'A', 1, 30, 'N', 0, 30, QByteArray("1"))
            .row("serial mode", 'e', 1, 30, 'A', 0, 30, QByteArray("1"))
            .row("increment", 'e', 1, 30, 'N', 1, 30, QByteArray("1"))
            .row("bars too wide", 'e', 13, 30, 'N', 0, 30, QByteArray("1"))
            .row("width 0", 'e', 0, 30, 'N', 0, 30, QByteArray("1"))
            .row("height 0", 'e', 1, 0, 'N', 0, 30, QByteArray("1"))
            .row("left of the strip", 'e', 1, 30, 'N', 0, -1, QByteArray("1"))
            .row("8-bit data", 'e', 1, 30, 'N', 0, 30, QByteArray("\xe4"));
    }
    void refusesWhatItCannotPrint() {
        QFETCH(char, type);
        QFETCH(int, widthSetting);
        QFETCH(int, height);
        QFETCH(char, mode);
        QFETCH(int, numeric);
        QFETCH(int, x);
        QFETCH(QByteArray, data);
        PplaEncoder enc;
        QString error;
        QCOMPARE(
            enc.addBarcode({x, 30, widthSetting, type, 2, 1, height, mode, numeric, data}, &error),
            PplaResult::InvalidArgument);
        QVERIFY(!error.isEmpty());
        QVERIFY(enc.isEmpty());
    }

    void textArgumentsChecked_data() {
        DataTable<int, int, QByteArray, int, int>({"size", "orient", "name", "memMode", "result"})
            .row("fine", 30, 1, QByteArray("A3"), 1, PplaResult::Ok)
            .row("size 0", 0, 1, QByteArray("A3"), 1, PplaResult::InvalidArgument)
            .row("size -6", -6, 1, QByteArray("A3"), 1, PplaResult::InvalidArgument)
            .row("rotated", 30, 2, QByteArray("A3"), 1, PplaResult::InvalidArgument)
            .row("no name", 30, 1, QByteArray(), 1, PplaResult::InvalidArgument)
            .row("long name", 30, 1, QByteArray(17, 'N'), 1, PplaResult::InvalidArgument)
            .row("flash memory", 30, 1, QByteArray("A3"), 0, PplaResult::InvalidArgument);
    }
    void textArgumentsChecked() {
        QFETCH(int, size);
        QFETCH(int, orient);
        QFETCH(QByteArray, name);
        QFETCH(int, memMode);
        QFETCH(int, result);
        PplaEncoder enc;
        QString error;
        TextArgs a;
        a.x = 40;
        a.y = 18;
        a.size = size;
        a.fontName = "Times New Roman";
        a.orient = orient;
        a.name = name;
        a.text = "SN:1";
        a.memMode = memMode;
        QCOMPARE(enc.addText(a, &error), result);
        QCOMPARE(enc.isEmpty(), result != PplaResult::Ok);
    }

    void sameNameReplacesTheImage() {
        PplaEncoder enc;
        QString error;
        TextArgs a;
        a.x = 40;
        a.y = 18;
        a.size = 30;
        a.fontName = "Times New Roman";
        a.name = "A3";
        a.text = "first";
        enc.addText(a, &error);
        a.text = "second";
        a.x = 100;
        enc.addText(a, &error);
        QByteArray bytes;
        enc.printOut(1, 1, 1, 1, &bytes, &error);
        QCOMPARE(bytes.count("\x02IAFA3\r"), 1);
        QCOMPARE(bytes.count("A3\r"), 2); // one download, one placement
        PplaDecoder dec;
        dec.feed(bytes);
        const auto labels = dec.takeLabels();
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels[0].images.size(), 1);
        QCOMPARE(
            labels[0].images[0].bitmap.width,
            (rasteriseText({"Times New Roman", 30, 400, false, false, false, "second"}).ink.width +
             7) /
                8 * 8);
    }

    void darknessAndQuantity() {
        PplaEncoder enc;
        QString error;
        QCOMPARE(enc.setDarkness(31, &error), PplaResult::InvalidArgument);
        QCOMPARE(enc.setDarkness(7, &error), PplaResult::Ok);
        QByteArray bytes;
        QCOMPARE(enc.printOut(1, 1, 0, 1, &bytes, &error), PplaResult::InvalidArgument);
        QCOMPARE(enc.printOut(2, 1, 3, 2, &bytes, &error), PplaResult::Ok);
        QCOMPARE(bytes, STX + "m\r" + STX + "L\rD21\rH07\rQ0006\rE\r");
        QCOMPARE(PplaEncoder::feedCommand(), STX + "F\r");
    }

    // With the layout's defaults, a six-character barcode and its "SN:" line
    // stay inside the first 30 mm x 10 mm label (240 x 80 dots) and apart.
    void defaultsFitOneLabel_data() {
        DataTable<QByteArray>({"text"})
            .row("descenders", QByteArray("SNgjpqy7"))
            .row("mixed", QByteArray("CD1&x7AB"))
            .row("digits", QByteArray("2405170012"))
            .row("capitals", QByteArray("WXMOQZAB"));
    }
    void defaultsFitOneLabel() {
        QFETCH(QByteArray, text);
        PplaDecoder dec;
        dec.feed(drawStrip({defaultColumn(0, text)}, StripFormat::Barcode));
        const auto labels = dec.takeLabels();
        QCOMPARE(labels.size(), 1);
        const DecodedLabel& l = labels[0];
        QCOMPARE(l.barcodes.size(), 1);
        QCOMPARE(l.images.size(), 1);
        const auto dots = [](int units) { return (units * 203 + 127) / 254; };
        const DecodedBarcode& b = l.barcodes[0];
        const int barLeft = dots(b.colUnits);
        const int barRight = barLeft + (11 * Code128::symbolCount(b.field) + 2) * b.narrow;
        const int barBottom = 80 - dots(b.rowUnits);
        const int barTop = barBottom - dots(b.heightUnits);
        const DecodedImage& im = l.images[0];
        const int textLeft = dots(im.colUnits);
        const int textBottom = 80 - dots(im.rowUnits);
        const int textTop = textBottom - im.bitmap.height;
        QVERIFY2(barLeft >= 0 && barRight <= 240, qPrintable(QString::number(barRight)));
        QVERIFY(barTop >= 0 && barBottom <= 80);
        int inkRight = 0; // the bitmap's rows are whole bytes: find the last black dot
        for (int y = 0; y < im.bitmap.height; ++y)
            for (int x = 0; x < im.bitmap.width; ++x)
                if (im.bitmap.pixel(x, y))
                    inkRight = std::max(inkRight, x + 1);
        QVERIFY2(textLeft >= 0 && textLeft + inkRight <= 240,
                 qPrintable(QString::number(textLeft + inkRight)));
        QVERIFY(textTop >= 0);
        QVERIFY2(
            textBottom < barTop,
            qPrintable(QStringLiteral("text ends %1, bars start %2").arg(textBottom).arg(barTop)));
    }
};

QTEST_MAIN(TestPplaEncoder)
#include "tst_pplaencoder.moc"
