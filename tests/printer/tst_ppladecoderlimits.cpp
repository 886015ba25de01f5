#include "printer/PplaDecoder.h"
#include "printer/StripRenderer.h"

#include <QTest>

namespace {

// An image download: one row of rowBytes bytes, then repeats of 255 rows each
// until the picture has rows rows (the last repeat takes what is left).
QByteArray tallImage(const QByteArray& name, int rowBytes, int rows) {
    QByteArray out = "\x02IAF" + name + "\n";
    out += "80" + QByteArray::number(rowBytes, 16).rightJustified(2, '0').toUpper() +
           QByteArray(rowBytes * 2, 'F') + "\n";
    for (int left = rows - 1; left > 0; left -= 255) {
        const int times = std::min(left, 255);
        out += "0000FF" + QByteArray::number(times, 16).rightJustified(2, '0').toUpper() + "\n";
    }
    return out + "FFFF\n";
}

} // namespace

class TestPplaDecoderLimits : public QObject {
    Q_OBJECT
private slots:
    // A picture taller than any label is refused with a reason, whatever its
    // rows' width; one at the limit is taken whole. The last row is the
    // 298 KB stream whose picture would need 255 x 8,440,501 bytes.
    void tallImages_data() {
        QTest::addColumn<int>("rowBytes");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("taken");
        QTest::newRow("at the limit") << 255 << 9999 << true;
        QTest::newRow("one row above") << 255 << 10000 << false;
        QTest::newRow("narrow, one row above") << 1 << 10000 << false;
        QTest::newRow("255 x 8,440,501") << 255 << 8440501 << false;
    }
    void tallImages() {
        QFETCH(int, rowBytes);
        QFETCH(int, rows);
        QFETCH(bool, taken);
        PplaDecoder decoder;
        decoder.feed(tallImage("TALL", rowBytes, rows));
        decoder.feed("\x02L\nD11\n1Y1100000100010TALL\nE\n");
        decoder.finish();
        const QList<DecodedLabel> labels = decoder.takeLabels();
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels[0].images.size(), 1);
        if (taken) {
            QVERIFY2(decoder.warnings().isEmpty(), qPrintable(decoder.warnings().join('\n')));
            QCOMPARE(labels[0].images[0].bitmap.height, rows);
            QCOMPARE(labels[0].images[0].bitmap.width, rowBytes * 8);
            QVERIFY(labels[0].images[0].bitmap.pixel(rowBytes * 8 - 1, rows - 1));
            return;
        }
        QCOMPARE(decoder.warnings(), QStringList{"image TALL refused: more than 9999 rows"});
        QVERIFY(!decoder.images().contains("TALL"));
        QVERIFY(labels[0].images[0].bitmap.isEmpty());
        QCOMPARE(labels[0].warnings, QStringList{"image TALL was never downloaded"});
        // The strip is still drawn, without the refused picture.
        QStringList drawn;
        const QImage strip = renderLabel(labels[0], {}, &drawn);
        QVERIFY(!strip.isNull());
        QCOMPARE(drawn, QStringList{"image TALL unknown"});
    }
};

QTEST_GUILESS_MAIN(TestPplaDecoderLimits)
#include "tst_ppladecoderlimits.moc"
