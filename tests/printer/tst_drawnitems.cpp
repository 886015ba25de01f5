#include "StripFixture.h"
#include "printer/PplaEncoder.h"
#include "printer/PplaResult.h"
#include "printer/StripRenderer.h"
#include "tests/support/DataTable.h"

#include <QTest>

Q_DECLARE_METATYPE(StripColumn)

// The boxes the driver reports for what it draws, against the ink the virtual
// printer renders from the same bytes: a preview that outlines the driver's
// boxes outlines what is printed.
class TestDrawnItems : public QObject {
    Q_OBJECT

    struct Drawn {
        QList<DrawnItem> items;
        QByteArray bytes;
    };

    // Draws the columns as the print job does (see drawStrip) and returns the
    // driver's items once the port is closed, with the bytes.
    static Drawn draw(const QList<StripColumn>& columns, StripFormat format, const QByteArray& font,
                      int weight, int bwidth) {
        auto port = std::make_shared<MemoryPort>();
        PplaPrinter printer(port);
        printer.A_CreatePrn(0, "1");
        printer.A_Set_Darkness(12);
        const char* names[] = {"A3", "B3", "C3"};
        for (int c = 0; c < columns.size(); ++c) {
            const StripColumn& col = columns[c];
            if (format == StripFormat::Barcode) {
                const QByteArray content = col.text.mid(2, 6);
                printer.A_Prn_Barcode(col.bleft, col.btop, bwidth, 'e', 2, 1, col.bheight, 'N', 0,
                                      content.constData());
                const QByteArray sn = "SN:" + col.text;
                printer.A_Prn_Text_TrueType(col.fleft, col.ftop, col.fheight, font.constData(), 1,
                                            weight, 0, 0, 0, names[c], sn.constData(), 1);
            } else {
                printer.A_Prn_Text_TrueType(col.fleft, col.ftop, col.fheight, font.constData(), 1,
                                            weight, 0, 0, 0, names[c], col.text.constData(), 1);
            }
        }
        printer.A_Print_Out(1, 1, 1, 1);
        printer.A_ClosePrn();
        return {printer.drawnItems(), port->bytes()};
    }

    // The smallest rectangle holding every black dot of `strip` inside `area`.
    static QRect inkBox(const QImage& strip, const QRect& area) {
        QRect box;
        const QRect r = area.intersected(strip.rect());
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (qGray(strip.pixel(x, y)) == 0)
                    box |= QRect(x, y, 1, 1);
        return box;
    }

private slots:
    void boxesAreTheRenderedInk_data() {
        const int barcode = int(StripFormat::Barcode);
        const int text = int(StripFormat::Text);
        DataTable<QList<StripColumn>, int, QByteArray, int, int>(
            {"columns", "format", "font", "weight", "bwidth"})
            .row("defaults",
                 QList<StripColumn>{defaultColumn(0, "VA00A001"),
                                    defaultColumn(1, "VB001002"),
                                    {"VA0C0FFE", 480, 30, 30, 480, 18, 30}},
                 barcode, QByteArray("Times New Roman"), 400, 1)
            .row("letters and digits, bold",
                 QList<StripColumn>{{"QZ12ab7x", 12, 36, 20, 20, 4, 24},
                                    {"XY9999AB", 250, 40, 30, 260, 2, 26},
                                    {"X_a1b2c3", 490, 28, 28, 500, 10, 24}},
                 barcode, QByteArray("Arial"), 700, 1)
            // Data the field SHIFTs: the box is the virtual printer's bars.
            .row("ampersands, wide bars", QList<StripColumn>{{"QZ&C&x&&", 4, 40, 36, 4, 0, 22}},
                 barcode, QByteArray("Times New Roman"), 400, 2)
            .row("text format",
                 QList<StripColumn>{{"VA00A001", 10, 0, 0, 10, 8, 50},
                                    {"gjpqy中文", 0, 0, 0, 320, 0, 40},
                                    {"._.", 0, 0, 0, 600, 30, 40}},
                 text, QByteArray("Times New Roman"), 400, 1);
    }
    void boxesAreTheRenderedInk() {
        QFETCH(QList<StripColumn>, columns);
        QFETCH(int, format);
        QFETCH(QByteArray, font);
        QFETCH(int, weight);
        QFETCH(int, bwidth);
        const Drawn d = draw(columns, StripFormat(format), font, weight, bwidth);
        const int perColumn = StripFormat(format) == StripFormat::Barcode ? 2 : 1;
        QCOMPARE(d.items.size(), columns.size() * perColumn);
        const QImage strip = renderStrip(d.bytes);
        QRect allBoxes;
        for (const DrawnItem& item : d.items) {
            QVERIFY2(item.refused.isEmpty(), qPrintable(item.refused));
            QVERIFY(!item.box.isEmpty());
            // Every layout here keeps its ink on the strip, so nothing is cut.
            QVERIFY(strip.rect().contains(item.box));
            QCOMPARE(inkBox(strip, item.box), item.box);
            allBoxes |= item.box;
        }
        // No ink outside the boxes either.
        QImage rest = strip.convertToFormat(QImage::Format_Grayscale8);
        for (const DrawnItem& item : d.items)
            for (int y = item.box.top(); y <= item.box.bottom(); ++y)
                for (int x = item.box.left(); x <= item.box.right(); ++x)
                    rest.scanLine(y)[x] = 255;
        QCOMPARE(inkBox(rest, rest.rect()), QRect());
        QVERIFY(allBoxes.width() > 0);
    }

    void refusedAndEmptyCallsKeepTheirPlace() {
        auto port = std::make_shared<MemoryPort>();
        PplaPrinter printer(port);
        QVERIFY(printer.drawnItems().isEmpty());
        QCOMPARE(printer.A_CreatePrn(0, "1"), PplaResult::Ok);
        QVERIFY(printer.A_Prn_Barcode(30, 30, 13, 'e', 2, 1, 30, 'N', 0, "00A001") != 0);
        QCOMPARE(printer.A_Prn_Barcode(250, 30, 1, 'e', 2, 1, 30, 'N', 0, ""), PplaResult::Ok);
        QCOMPARE(printer.A_Prn_Text_TrueType(300, 10, 30, "Arial", 1, 400, 0, 0, 0, "B3", " ", 1),
                 PplaResult::Ok);
        QCOMPARE(printer.A_Prn_Text_TrueType(500, 10, 30, "Arial", 1, 400, 0, 0, 0, "C3", "SN", 1),
                 PplaResult::Ok);
        const QList<DrawnItem> items = printer.drawnItems();
        QCOMPARE(items.size(), 4);
        QCOMPARE(items[0].kind, DrawnItem::Barcode);
        QCOMPARE(items[0].refused, printer.lastErrorText());
        QVERIFY(items[0].box.isEmpty());
        QCOMPARE(items[1], (DrawnItem{DrawnItem::Barcode, QRect(), QString()}));
        QCOMPARE(items[2], (DrawnItem{DrawnItem::Text, QRect(), QString()}));
        QCOMPARE(items[3].kind, DrawnItem::Text);
        QVERIFY(!items[3].box.isEmpty());
        // A second text under an image's name replaces it, box and all.
        QCOMPARE(printer.A_Prn_Text_TrueType(520, 20, 30, "Arial", 1, 400, 0, 0, 0, "C3", "SN", 1),
                 PplaResult::Ok);
        QCOMPARE(printer.drawnItems().size(), 4);
        QCOMPARE(printer.drawnItems().last().box, items[3].box.translated(20, 10));
        // Kept through the print-out and the close, cleared by the next open.
        QCOMPARE(printer.A_Print_Out(1, 1, 1, 1), PplaResult::Ok);
        QCOMPARE(printer.A_ClosePrn(), PplaResult::Ok);
        QCOMPARE(printer.drawnItems().size(), 4);
        QCOMPARE(printer.A_CreatePrn(0, "1"), PplaResult::Ok);
        QVERIFY(printer.drawnItems().isEmpty());
    }

    void boxesOutsideTheLabelAreAsLaidOut() {
        // The box is where the layout puts the ink, before the label cuts it
        // or raises the bars: the preview flags it by that.
        PplaEncoder encoder;
        QString why;
        BarcodeArgs bars;
        bars.x = 30;
        bars.y = 20;
        bars.height = 30;
        bars.data = "001002";
        QCOMPARE(encoder.addBarcode(bars, &why), PplaResult::Ok);
        QCOMPARE(encoder.drawnItems().last().box, QRect(30, 60, (11 * 6 + 2) * 2, 30));
        TextArgs text;
        text.x = 10;
        text.y = 70;
        text.size = 30;
        text.fontName = QStringLiteral("Arial");
        text.name = "A3";
        text.text = QStringLiteral("SN:1");
        QCOMPARE(encoder.addText(text, &why), PplaResult::Ok);
        const QRect box = encoder.drawnItems().last().box;
        QVERIFY(box.bottom() >= 80);
        QVERIFY(box.top() >= 70 && box.top() < 80);
        encoder.clear();
        QVERIFY(encoder.drawnItems().isEmpty());
    }
};

QTEST_MAIN(TestDrawnItems)
#include "tst_drawnitems.moc"
