#include "core/AppError.h"
#include "printer/PortConfig.h"
#include "printer/RecordingPpla.h"
#include "printing/PortDevice.h"
#include "printing/PrintLabelRowJob.h"
#include "settings/uBarcode.h"
#include "tests/support/DataTable.h"

#include <QTest>

namespace {
TLabelLayout defaults() {
    TLabelLayout l;
    l.columns[0] = {{30, 31, 1, 30}, {20, 18, 0, 30}};
    l.columns[1] = {{240, 32, 7, 29}, {230, 19, 0, 4}};
    l.columns[2] = {{480, 33, 9, 28}, {470, 17, 0, 1}};
    l.font = LabelFont::of("Times New Roman", "700 thick");
    l.port = "USB1";
    return l;
}

// The defaults printing on port.
TLabelLayout defaultsOn(const QString& port) {
    TLabelLayout l = defaults();
    l.port = port;
    return l;
}
} // namespace

// The strip job's calls, in order, with their arguments.
class TestPrintJob : public QObject {
    Q_OBJECT
private slots:
    void barcodeFormat() {
        RecordingPpla ppla;
        QString failure;
        const bool ok = PrintLabelRowJob(LabelRow::ofTexts("VA001001", "VB", "ABCDE"), defaults(),
                                         LabelFormat::Barcode, ppla, &failure);
        QVERIFY(ok);
        QCOMPARE(
            ppla.log(),
            QStringList({
                R"(A_CreatePrn(0,"1"))",
                "A_Set_Darkness(12)",
                R"(A_Prn_Barcode(30,31,1,'e',2,1,30,'N',0,"001001"))",
                R"(A_Prn_Text_TrueType(30,18,30,"Times New Roman",1,700,0,0,0,"A3","SN:VA001001",1))",
                R"(A_Prn_Barcode(240,32,1,'e',2,1,29,'N',0,""))",
                R"(A_Prn_Text_TrueType(240,19,4,"Times New Roman",1,700,0,0,0,"B3","SN:VB",1))",
                R"(A_Prn_Barcode(480,33,1,'e',2,1,28,'N',0,"CDE"))",
                R"(A_Prn_Text_TrueType(480,17,1,"Times New Roman",1,700,0,0,0,"C3","SN:ABCDE",1))",
                "A_Print_Out(1,1,1,1)",
                "A_Feed_Label()",
                "A_Feed_Label()",
                "A_ClosePrn()",
            }));
        QVERIFY(failure.isEmpty());
    }

    void textFormat() {
        RecordingPpla ppla;
        QString failure;
        QVERIFY(PrintLabelRowJob(LabelRow::ofTexts("VA001001", "", ""), defaults(),
                                 LabelFormat::Text, ppla, &failure));
        const QStringList log = ppla.log();
        QCOMPARE(log.size(), 9);
        // left + 10, top - height + 8, 2 x height - 8: a height of 4 gives 0, of 1 gives -6.
        QCOMPARE(
            log[2],
            QString(
                R"(A_Prn_Text_TrueType(30,-4,52,"Times New Roman",1,700,0,0,0,"A3","VA001001",1))"));
        QCOMPARE(
            log[3],
            QString(R"(A_Prn_Text_TrueType(240,23,0,"Times New Roman",1,700,0,0,0,"B3","",1))"));
        QCOMPARE(
            log[4],
            QString(R"(A_Prn_Text_TrueType(480,24,-6,"Times New Roman",1,700,0,0,0,"C3","",1))"));
        QVERIFY(!ppla.ops().contains("A_Prn_Barcode"));
    }

    void ports_data() {
        DataTable<QString, QString>({"printer", "open"})
            .row("USB1", "USB1", R"(A_CreatePrn(0,"1"))")
            .row("USB4", "USB4", R"(A_CreatePrn(0,"4"))")
            .row("USB5", "USB5", R"(A_CreatePrn(0,"5"))")
            .row("USB6", "USB6", R"(A_CreatePrn(0,"6"))")
            .row("lower case", "usb1", R"(A_CreatePrn(0,"0"))")
            .row("unknown", "LPT1", R"(A_CreatePrn(0,"0"))")
            .row("empty", "", R"(A_CreatePrn(0,"0"))")
            .row("USB7", "USB7", R"(A_CreatePrn(0,"0"))");
    }
    void ports() {
        QFETCH(QString, printer);
        QFETCH(QString, open);
        const TLabelLayout l = defaultsOn(printer);
        RecordingPpla ppla;
        QString failure;
        QVERIFY(PrintLabelRowJob(LabelRow::ofTexts("A", "B", "C"), l, LabelFormat::Barcode, ppla,
                                 &failure));
        QCOMPARE(ppla.log().first(), open);
    }

    void usbSearch() {
        const TLabelLayout l = defaultsOn("USBX");
        RecordingPpla ppla;
        ppla.setResult("A_GetUSBBufferLen", 12);
        ppla.setUsbDevice("OS-214plus", "/dev/usb/lp3");
        QString failure;
        QVERIFY(PrintLabelRowJob(LabelRow::ofTexts("A", "B", "C"), l, LabelFormat::Barcode, ppla,
                                 &failure));
        QCOMPARE(ppla.ops().mid(0, 5),
                 QStringList({"A_GetUSBBufferLen", "A_EnumUSB", "A_GetUSBDeviceInfo", "A_CreatePrn",
                              "A_Set_Darkness"}));
        QCOMPARE(ppla.log()[3], QString(R"(A_CreatePrn(12,"/dev/usb/lp3"))"));
    }

    // A strip that cannot reach the printer: the operator is told, the port is
    // fed and closed, nothing is drawn, and the job says so.
    void failedOpen_data() {
        DataTable<QString, int>({"printer", "usbPresent"})
            .row("USB1 missing", "USB1", 0)
            .row("unknown port", "LPT1", 0)
            .row("USBX open fails", "USBX", 1)
            .row("USBX no printer", "USBX", 0);
    }
    void failedOpen() {
        QFETCH(QString, printer);
        QFETCH(int, usbPresent);
        const TLabelLayout l = defaultsOn(printer);
        RecordingPpla ppla;
        ppla.setResult("A_GetUSBBufferLen", usbPresent);
        ppla.setResult("A_CreatePrn", 3);
        QString failure;
        QVERIFY(!PrintLabelRowJob(LabelRow::ofTexts("A", "B", "C"), l, LabelFormat::Barcode, ppla,
                                  &failure));
        QCOMPARE(failure, QString("Open USB fail!"));
        QCOMPARE(ppla.ops().mid(ppla.ops().size() - 3),
                 QStringList({"A_Feed_Label", "A_Feed_Label", "A_ClosePrn"}));
        QVERIFY(!ppla.ops().contains("A_Set_Darkness"));
        QVERIFY(!ppla.ops().contains("A_Print_Out"));
    }

    void failedPrintOutNamesPortAndReason() {
        RecordingPpla ppla;
        ppla.setResult("A_Print_Out", 4);
        ppla.setLastErrorText("Broken pipe");
        QString failure;
        QVERIFY(!PrintLabelRowJob(LabelRow::ofTexts("A", "B", "C"), defaults(),
                                  LabelFormat::Barcode, ppla, &failure));
        QCOMPARE(failure, QString("Printing to USB1 failed: Broken pipe"));
        QCOMPARE(ppla.ops().mid(ppla.ops().size() - 3),
                 QStringList({"A_Feed_Label", "A_Feed_Label", "A_ClosePrn"}));
    }

    void weightThatIsNoNumber_data() {
        DataTable<int, QStringList>({"format", "ops"})
            .row("barcode", int(LabelFormat::Barcode),
                 QStringList{"A_CreatePrn", "A_Set_Darkness", "A_Prn_Barcode", "A_Feed_Label",
                             "A_Feed_Label", "A_ClosePrn"})
            .row("text", int(LabelFormat::Text),
                 QStringList{"A_CreatePrn", "A_Set_Darkness", "A_Feed_Label", "A_Feed_Label",
                             "A_ClosePrn"});
    }
    void weightThatIsNoNumber() {
        QFETCH(int, format);
        QFETCH(QStringList, ops);
        TLabelLayout l = defaults();
        l.font = LabelFont::of(l.font.face, "bold");
        RecordingPpla ppla;
        QString failure;
        try {
            PrintLabelRowJob(LabelRow::ofTexts("A", "B", "C"), l, LabelFormat(format), ppla,
                             &failure);
            QFAIL("a weight that is no number printed");
        } catch (const AppError& e) {
            QCOMPARE(e.text(), QString("'bol' is not a valid integer value"));
        }
        QCOMPARE(ppla.ops(), ops);
    }

    // What the status line says a port name reaches.
    void portDevice_data() {
        DataTable<QString, QString, QString, QString>({"name", "variable", "value", "device"})
            .row("USB1 default", "USB1", "", "", "/dev/usb/lp0")
            .row("USB3 default", "USB3", "", "", "/dev/usb/lp2")
            .row("USB1 tcp", "USB1", "VORNELL_PRINTER_USB1", "tcp:10.0.0.7", "tcp:10.0.0.7:9100")
            .row("USB2 preview", "USB2", "VORNELL_PRINTER_USB2", "preview:printed",
                 "preview:printed")
            .row("USBX search", "USBX", "", "", "USB search")
            .row("USBX set", "USBX", "VORNELL_PRINTER_USBX", "file:/tmp/x", "file:/tmp/x")
            .row("other name", "usb1", "", "",
                 "not configured (no printer is configured for port 0 "
                 "(VORNELL_PRINTER_0 is not set))")
            .row("malformed", "USB1", "VORNELL_PRINTER_USB1",
                 "tcp:", "not configured (\"tcp:\": no host)");
    }
    void portDevice() {
        QFETCH(QString, name);
        QFETCH(QString, variable);
        QFETCH(QString, value);
        QFETCH(QString, device);
        const PortConfig config(
            [&](const QString& v) { return v == variable ? value : QString(); });
        QCOMPARE(::portDevice(name, config), device);
    }

    void barcodeContent_data() {
        DataTable<QString, QString>({"text", "content"})
            .row("empty", "", "")
            .row("two", "VA", "")
            .row("five", "VA001", "001")
            .row("eight", "VA001001", "001001")
            .row("longer", "VA001001XYZ", "001001")
            .row("leading blank", " VA001001", "A00100")
            .row("chinese", QString::fromUtf8("芯片A1234567"), "A12345");
    }
    void barcodeContent() {
        QFETCH(QString, text);
        QFETCH(QString, content);
        QCOMPARE(::barcodeContent(text), content);
    }
};

QTEST_GUILESS_MAIN(TestPrintJob)
#include "tst_printjob.moc"
