#include "printer/RecordingPpla.h"

#include <QTest>

class TestRecordingPpla : public QObject {
    Q_OBJECT
private slots:
    void recordsCallsWithArguments() {
        RecordingPpla r;
        r.A_CreatePrn(0, "1");
        r.A_Set_Darkness(12);
        r.A_Prn_Barcode(30, 30, 1, 'e', 2, 1, 30, 'N', 0, "345678");
        r.A_Prn_Text_TrueType(40, 18, 30, "Times New Roman", 1, 400, 0, 0, 0, "A3", "SN:12345678",
                              1);
        r.A_Print_Out(1, 1, 1, 1);
        r.A_Feed_Label();
        r.A_ClosePrn();
        QCOMPARE(r.log(), (QStringList{
                              "A_CreatePrn(0,\"1\")",
                              "A_Set_Darkness(12)",
                              "A_Prn_Barcode(30,30,1,'e',2,1,30,'N',0,\"345678\")",
                              "A_Prn_Text_TrueType(40,18,30,\"Times New Roman\",1,400,0,0,0,"
                              "\"A3\",\"SN:12345678\",1)",
                              "A_Print_Out(1,1,1,1)",
                              "A_Feed_Label()",
                              "A_ClosePrn()",
                          }));
        QCOMPARE(r.calls()[2].args[3].toChar(), QChar('e'));
        QCOMPARE(r.calls()[2].args[9].toByteArray(), QByteArray("345678"));
    }

    void scriptedResults() {
        RecordingPpla r;
        r.setResult("A_CreatePrn", 3);
        r.queueResults("A_GetUSBBufferLen", {1, 5});
        r.setLastErrorText("Connection refused");
        QCOMPARE(r.A_CreatePrn(12, "/dev/usb/lp0"), 3);
        QCOMPARE(r.A_CreatePrn(0, "2"), 3);
        QCOMPARE(r.A_GetUSBBufferLen(), 1);
        QCOMPARE(r.A_GetUSBBufferLen(), 5);
        QCOMPARE(r.A_GetUSBBufferLen(), 0);
        QCOMPARE(r.A_Feed_Label(), 0);
        QCOMPARE(r.lastErrorText(), "Connection refused");
        QCOMPARE(r.calls()[0].result, 3);
        QCOMPARE(r.ops(), (QStringList{"A_CreatePrn", "A_CreatePrn", "A_GetUSBBufferLen",
                                       "A_GetUSBBufferLen", "A_GetUSBBufferLen", "A_Feed_Label"}));
    }

    void fillsUsbBuffers() {
        RecordingPpla r;
        r.setUsbDevice("OS-214 plus", "/dev/usb/lp3");
        char list[128], name[128], path[128];
        int nameLen = 128, pathLen = 128;
        r.A_EnumUSB(list);
        r.A_GetUSBDeviceInfo(1, name, &nameLen, path, &pathLen);
        QCOMPARE(QByteArray(path), "/dev/usb/lp3");
        QCOMPARE(QByteArray(name), "OS-214 plus");
        QCOMPARE(pathLen, 12);
        QCOMPARE(r.log().last(), "A_GetUSBDeviceInfo(1,128,128)");
    }
};

QTEST_MAIN(TestRecordingPpla)
#include "tst_recordingppla.moc"
