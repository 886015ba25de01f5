#include "StripFixture.h"
#include "ZbarReader.h"
#include "printer/PplaResult.h"
#include "printer/StripRenderer.h"
#include "printer/TextRaster.h"
#include "printer/VirtualPrinter.h"
#include "tests/support/DataTable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

// One column per label: the labels of the strip are 240 dots apart.
QList<StripColumn> oneColumnPerLabel(const QList<QByteArray>& texts, int bheight = 30) {
    QList<StripColumn> cols;
    for (int c = 0; c < texts.size(); ++c)
        cols.append({texts[c], 30 + 240 * c, 30, bheight, 30 + 240 * c, 18, 30});
    return cols;
}

QList<QByteArray> sorted(QList<QByteArray> v) {
    std::sort(v.begin(), v.end());
    return v;
}

} // namespace

class TestVirtualPrinter : public QObject {
    Q_OBJECT
private slots:
    // Encode a strip, picture it, and read every barcode back with libzbar.
    void barcodesReadBackExactly_data() {
        DataTable<QList<QByteArray>>({"texts"})
            .row("plain", QList<QByteArray>{"SN240517", "ABcdef12", "xx123456"})
            .row("begin with subset letters", QList<QByteArray>{"xxA12345", "xxBcdefg", "xxC98765"})
            .row("ampersands", QList<QByteArray>{"xx&A&B", "xx1&Cde", "xxAB&&G"})
            .row("ampersand and digits", QList<QByteArray>{"xx&12345", "xx12&D34", "xx&"})
            .row("lower case and signs", QList<QByteArray>{"xxab-c.d", "xx q+r/s", "xx%$*~"});
    }
    void barcodesReadBackExactly() {
        QFETCH(QList<QByteArray>, texts);
        const QByteArray bytes = drawStrip(oneColumnPerLabel(texts), StripFormat::Barcode);
        const QImage picture = renderStrip(bytes);
        QList<QByteArray> expected;
        for (const QByteArray& t : texts)
            expected.append(t.mid(2, 6));
        QCOMPARE(sorted(readBarcodes(picture)), sorted(expected));
    }

    void layoutDefaultsReadBack() {
        const QByteArray bytes = drawStrip({defaultColumn(0, "Q7A&B9x1")}, StripFormat::Barcode);
        QCOMPARE(readBarcodes(renderStrip(bytes)), QList<QByteArray>{"A&B9x1"});
    }

    void widerBarsReadBack() {
        const QByteArray bytes = drawStrip({{"xxCODE1", 20, 70, 50, 20, 2, 16}},
                                           StripFormat::Barcode, "Times New Roman", 400, 3);
        QCOMPARE(readBarcodes(renderStrip(bytes)), QList<QByteArray>{"CODE1"});
    }

    // Texts are drawn as downloaded: the picture holds the rasterised ink.
    void textImagesAsDownloaded() {
        const QByteArray bytes = drawStrip({{"AB12", 30, 30, 30, 30, 18, 30}}, StripFormat::Text);
        const QImage picture = renderStrip(bytes);
        const RasterText r =
            rasteriseText({"Times New Roman", 2 * 30 - 8, 400, false, false, false, "AB12"});
        const int left = 40 + r.offsetX;
        const int top = 18 - 30 + 8 + r.offsetY;
        int compared = 0;
        for (int y = 0; y < r.ink.height; ++y) {
            if (top + y < 0 || top + y >= 80)
                continue;
            for (int x = 0; x < r.ink.width; ++x) {
                const bool black = qGray(picture.pixel(left + x, top + y)) < 128;
                QCOMPARE(black, r.ink.pixel(x, y));
                ++compared;
            }
        }
        QVERIFY(compared > 100);
    }

    // CR LF, LF alone and missing line ends before <STX> give the same strip.
    void toleratesLineEnds_data() {
        DataTable<QByteArray, QByteArray>({"from", "to"})
            .row("CR LF", QByteArray("\r"), QByteArray("\r\n"))
            .row("LF", QByteArray("\r"), QByteArray("\n"))
            .row("no CR before STX", QByteArray("\r\x02"), QByteArray("\x02"))
            .row("blank lines", QByteArray("\r"), QByteArray("\r\r\n"));
    }
    void toleratesLineEnds() {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        const QByteArray bytes =
            drawStrip(oneColumnPerLabel({"xxA1&B2", "xx4567"}), StripFormat::Barcode);
        QByteArray changed = bytes;
        changed.replace(from, to);
        changed.chop(1); // and no CR after the final E
        QVERIFY(changed != bytes);
        const QImage want = renderStrip(bytes);
        QCOMPARE(renderStrip(changed), want);
        QCOMPARE(sorted(readBarcodes(renderStrip(changed))),
                 sorted(QList<QByteArray>{"A1&B2", "4567"}));
    }

    void sizeIsConfigurable() {
        VirtualPrinterOptions o;
        o.stripWidthDots = 480;
        o.labelHeightDots = 120;
        o.labelsAcross = 2;
        const QImage blank = renderStrip(QByteArray("\x02"
                                                    "F\r"),
                                         o);
        QCOMPARE(blank.size(), QSize(480, 120));
        QCOMPARE(renderStrip(QByteArray()).size(), QSize(720, 80));
        QCOMPARE(renderStrips(QByteArray("\x02"
                                         "F\r"))
                     .size(),
                 0);
    }

    void unknownImageIsReported() {
        PplaDecoder dec;
        dec.feed("\x02L\rD11\r1Y1100000100010ZZ\rE\r");
        const auto labels = dec.takeLabels();
        QCOMPARE(labels.size(), 1);
        QStringList warnings;
        renderLabel(labels[0], {}, &warnings);
        QVERIFY(!labels[0].warnings.isEmpty());
        QVERIFY(!warnings.isEmpty());
    }

    // preview:DIR saves a picture and the raw bytes of each strip printed.
    void previewPortWritesStrips() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile old(dir.filePath("strip-000041.png"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.close();
        PplaPrinterOptions options;
        options.env = [&](const QString& name) {
            return name == "VORNELL_PRINTER_USB2" ? "preview:" + dir.path() : QString();
        };
        PplaPrinter printer(options);
        QCOMPARE(printer.A_CreatePrn(0, "2"), PplaResult::Ok);
        for (const char* text : {"xxFIRST1", "xxSECOND"}) {
            printer.A_Prn_Barcode(30, 30, 1, 'e', 2, 1, 30, 'N', 0,
                                  QByteArray(text).mid(2).constData());
            printer.A_Prn_Text_TrueType(40, 18, 30, "Times New Roman", 1, 400, 0, 0, 0, "A3",
                                        QByteArray("SN:").append(text).constData(), 1);
            QCOMPARE(printer.A_Print_Out(1, 1, 1, 1), PplaResult::Ok);
        }
        QCOMPARE(printer.A_ClosePrn(), PplaResult::Ok);
        const QImage first(dir.filePath("strip-000042.png"));
        const QImage second(dir.filePath("strip-000043.png"));
        QVERIFY(!first.isNull());
        QVERIFY(!second.isNull());
        QCOMPARE(readBarcodes(first), QList<QByteArray>{"FIRST1"});
        QCOMPARE(readBarcodes(second), QList<QByteArray>{"SECOND"});
        QFile raw(dir.filePath("strip-000043.ppla"));
        QVERIFY(raw.open(QIODevice::ReadOnly));
        const QByteArray bytes = raw.readAll();
        QVERIFY(bytes.startsWith("\x02m\r\x02IAFA3\r"));
        QVERIFY(bytes.endsWith("E\r"));
        QCOMPARE(renderStrip(bytes), second.convertToFormat(QImage::Format_Grayscale8));
    }

    void previewPortReportsAnUnusableDirectory() {
        QTemporaryDir dir;
        QFile file(dir.filePath("plain"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        VirtualPrinterPort port(dir.filePath("plain/sub"));
        QVERIFY(!port.open());
        QVERIFY(port.errorText().contains("plain/sub"));
    }
};

QTEST_MAIN(TestVirtualPrinter)
#include "tst_virtualprinter.moc"
