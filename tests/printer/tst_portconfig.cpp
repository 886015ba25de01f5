#include "printer/PortConfig.h"
#include "printer/PplaPrinter.h"
#include "printer/PplaResult.h"
#include "printer/UsbEnumeration.h"
#include "tests/support/DataTable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

PortConfig::Env envOf(QHash<QString, QString> values) {
    return [values](const QString& name) { return values.value(name); };
}

void writeFile(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}

} // namespace

Q_DECLARE_METATYPE(PortTarget::Kind)

class TestPortConfig : public QObject {
    Q_OBJECT
private slots:
    // Port numbers as the print job passes them, nothing configured.
    void defaultMapping_data() {
        QTest::addColumn<QString>("number");
        QTest::addColumn<PortTarget::Kind>("kind");
        QTest::addColumn<QString>("path");
        for (int n = 1; n <= 6; ++n)
            QTest::addRow("USB%d", n) << QString::number(n) << PortTarget::Kind::Device
                                      << QStringLiteral("/dev/usb/lp%1").arg(n - 1);
        QTest::newRow("any other name: 0") << "0" << PortTarget::Kind::None << QString();
        QTest::newRow("7") << "7" << PortTarget::Kind::None << QString();
        QTest::newRow("USB1 itself") << "USB1" << PortTarget::Kind::None << QString();
        QTest::newRow("empty") << "" << PortTarget::Kind::None << QString();
    }
    void defaultMapping() {
        QFETCH(QString, number);
        QFETCH(PortTarget::Kind, kind);
        QFETCH(QString, path);
        const PortTarget target = PortConfig(envOf({})).forPortNumber(number);
        QCOMPARE(target.kind, kind);
        QCOMPARE(target.path, path);
        QCOMPARE(target.error.isEmpty(), kind != PortTarget::Kind::None);
    }

    void configuredMapping_data() {
        DataTable<QString, QString, QString, PortTarget::Kind, QString, int>(
            {"number", "variable", "value", "kind", "where", "tcpPort"})
            .row("USB1 device", "1", "VORNELL_PRINTER_USB1", "/dev/usb/lp4",
                 PortTarget::Kind::Device, "/dev/usb/lp4", 9100)
            .row("USB2 tcp default port", "2", "VORNELL_PRINTER_USB2", "tcp:pr7.local",
                 PortTarget::Kind::Tcp, "pr7.local", 9100)
            .row("USB3 tcp with port", "3", "VORNELL_PRINTER_USB3", "tcp:10.1.2.3:9200",
                 PortTarget::Kind::Tcp, "10.1.2.3", 9200)
            .row("USB4 IPv6", "4", "VORNELL_PRINTER_USB4", "tcp:[::1]:9101", PortTarget::Kind::Tcp,
                 "::1", 9101)
            .row("USB5 file", "5", "VORNELL_PRINTER_USB5", "file:/var/tmp/out.ppla",
                 PortTarget::Kind::File, "/var/tmp/out.ppla", 9100)
            .row("USB6 preview", "6", "VORNELL_PRINTER_USB6", " preview:/tmp/strips ",
                 PortTarget::Kind::Preview, "/tmp/strips", 9100)
            .row("0 device", "0", "VORNELL_PRINTER_0", "/dev/usb/lp1", PortTarget::Kind::Device,
                 "/dev/usb/lp1", 9100)
            .row("malformed", "1", "VORNELL_PRINTER_USB1", "lpt1", PortTarget::Kind::None, "", 9100)
            .row("bad tcp port", "1", "VORNELL_PRINTER_USB1", "tcp:h:99999", PortTarget::Kind::None,
                 "", 9100)
            .row("other variable ignored", "2", "VORNELL_PRINTER_USB1", "/dev/null",
                 PortTarget::Kind::Device, "/dev/usb/lp1", 9100);
    }
    void configuredMapping() {
        QFETCH(QString, number);
        QFETCH(QString, variable);
        QFETCH(QString, value);
        QFETCH(PortTarget::Kind, kind);
        QFETCH(QString, where);
        QFETCH(int, tcpPort);
        const PortTarget target = PortConfig(envOf({{variable, value}})).forPortNumber(number);
        QCOMPARE(target.kind, kind);
        QCOMPARE(kind == PortTarget::Kind::Tcp ? target.host : target.path, where);
        QCOMPARE(int(target.tcpPort), tcpPort);
        QCOMPARE(target.source, PortConfig::variableFor(number));
    }

    // Each port number reaches its own configured device.
    void printerOpensTheConfiguredPort_data() {
        QTest::addColumn<QString>("number");
        for (const char* n : {"0", "1", "2", "3", "4", "5", "6"})
            QTest::newRow(n) << QString::fromLatin1(n);
    }
    void printerOpensTheConfiguredPort() {
        QFETCH(QString, number);
        QTemporaryDir dir;
        QHash<QString, QString> env;
        for (const char* n : {"0", "1", "2", "3", "4", "5", "6"})
            env.insert(PortConfig::variableFor(n),
                       "file:" + dir.filePath(QString("port%1").arg(n)));
        PplaPrinterOptions o;
        o.env = envOf(env);
        PplaPrinter p(o);
        QCOMPARE(p.A_CreatePrn(0, number.toLatin1().constData()), PplaResult::Ok);
        QCOMPARE(p.A_Print_Out(1, 1, 1, 1), PplaResult::Ok);
        QCOMPARE(p.A_ClosePrn(), PplaResult::Ok);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"port" + number});
    }

    void parsesDeviceIds() {
        const auto id = parseIeee1284Id("MFG:Argox;CMD:PPLA, PPLB;MDL:OS-214 plus;CLS:PRINTER;");
        QCOMPARE(id.value("MFG"), "Argox");
        QCOMPARE(id.value("CMD"), "PPLA, PPLB");
        QCOMPARE(id.value("MDL"), "OS-214 plus");
        QCOMPARE(parseIeee1284Id("command set:EPL;model: X ;").value("MODEL"), "X");
    }

    // PPLA printers first, then by device number; devices without an id skipped.
    void findsUsbPrinters() {
        QTemporaryDir sys;
        writeFile(sys.filePath("lp0/device/ieee1284_id"), "MFG:HP;MDL:LaserJet 1020;CMD:PCL;");
        writeFile(sys.filePath("lp1/device/ieee1284_id"),
                  "MFG:Argox;CMD:PPLB,PPLA;MDL:OS-214 plus;");
        writeFile(sys.filePath("lp2/device/ieee1284_id"), "MANUFACTURER:X;COMMAND SET:EPL;");
        writeFile(sys.filePath("lp3/device/other"), "");
        writeFile(sys.filePath("lp10/device/ieee1284_id"), "MODEL:CP-2140;COMMAND SET:ppla;");
        const auto found = findUsbPrinters(sys.path(), "/dev/usb");
        QCOMPARE(found.size(), 4);
        QCOMPARE(found[0].model, "OS-214 plus");
        QCOMPARE(found[0].devicePath, "/dev/usb/lp1");
        QCOMPARE(found[1].model, "CP-2140");
        QCOMPARE(found[1].devicePath, "/dev/usb/lp10");
        QCOMPARE(found[2].model, "LaserJet 1020");
        QCOMPARE(found[3].model, "lp2");
        QVERIFY(findUsbPrinters(sys.filePath("none")).isEmpty());
    }

    // USBX as the print job does it: count, list, first printer's path, open.
    void usbxFindsAndOpensTheFirstPrinter() {
        QTemporaryDir sys;
        QTemporaryDir dev;
        writeFile(sys.filePath("lp3/device/ieee1284_id"), "MFG:Argox;MDL:OS-214 plus;CMD:PPLA;");
        writeFile(dev.filePath("lp3"), ""); // stands in for the device node
        PplaPrinterOptions o;
        o.sysfsDir = sys.path();
        o.devDir = dev.path();
        o.env = envOf({});
        PplaPrinter p(o);
        QVERIFY(p.A_GetUSBBufferLen() > 0);
        char list[128], name[128], path[128];
        QCOMPARE(p.A_EnumUSB(list), PplaResult::Ok);
        QCOMPARE(QByteArray(list), "OS-214 plus");
        int nameLen = 128, pathLen = 128;
        QCOMPARE(p.A_GetUSBDeviceInfo(1, name, &nameLen, path, &pathLen), PplaResult::Ok);
        QCOMPARE(QByteArray(name), "OS-214 plus");
        QCOMPARE(QString::fromUtf8(path), dev.filePath("lp3"));
        QCOMPARE(pathLen, int(qstrlen(path)));
        QCOMPARE(p.A_CreatePrn(12, path), PplaResult::Ok);
        QCOMPARE(p.A_Print_Out(1, 1, 1, 1), PplaResult::Ok);
        QCOMPARE(p.A_ClosePrn(), PplaResult::Ok);
        QVERIFY(QFileInfo(dev.filePath("lp3")).size() > 0);
        nameLen = pathLen = 128;
        QCOMPARE(p.A_GetUSBDeviceInfo(2, name, &nameLen, path, &pathLen), PplaResult::NoDevice);
        QCOMPARE(QByteArray(path), QByteArray());
    }

    void usbxWithoutPrinters() {
        QTemporaryDir sys;
        PplaPrinterOptions o;
        o.sysfsDir = sys.path();
        o.env = envOf({});
        PplaPrinter p(o);
        QCOMPARE(p.A_GetUSBBufferLen(), 0);
        char list[128];
        QCOMPARE(p.A_EnumUSB(list), PplaResult::NoDevice);
        QCOMPARE(QByteArray(list), QByteArray());
        QCOMPARE(p.A_Set_Darkness(12), PplaResult::NotOpen);
    }

    void usbxOverride() {
        QTemporaryDir dir;
        const QString target = "file:" + dir.filePath("usbx.ppla");
        PplaPrinterOptions o;
        o.sysfsDir = dir.filePath("no-sysfs");
        o.env = envOf({{"VORNELL_PRINTER_USBX", target}});
        PplaPrinter p(o);
        QVERIFY(p.A_GetUSBBufferLen() > 0);
        char name[128], path[128];
        int nameLen = 128, pathLen = 128;
        QCOMPARE(p.A_GetUSBDeviceInfo(1, name, &nameLen, path, &pathLen), PplaResult::Ok);
        QCOMPARE(QString::fromUtf8(path), target);
        QCOMPARE(p.A_CreatePrn(12, path), PplaResult::Ok);
        QCOMPARE(p.A_Print_Out(1, 1, 1, 1), PplaResult::Ok);
        QCOMPARE(p.A_ClosePrn(), PplaResult::Ok);
        QVERIFY(QFile::exists(dir.filePath("usbx.ppla")));
    }

    void pathThatDoesNotFitIsRefused() {
        QTemporaryDir dir;
        PplaPrinterOptions o;
        o.env = envOf({{"VORNELL_PRINTER_USBX", "file:/" + QString(40, 'x')}});
        PplaPrinter p(o);
        char name[128], path[16];
        int nameLen = 128, pathLen = sizeof path;
        QCOMPARE(p.A_GetUSBDeviceInfo(1, name, &nameLen, path, &pathLen),
                 PplaResult::InvalidArgument);
        QCOMPARE(pathLen, 15);
    }

    // A serial port's settings, each part optional and in any order; a part
    // that is none of them names itself.
    void serialTargets_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("settings"); // SerialSettings::text(), or the error's part
        QTest::newRow("defaults") << "serial:/dev/ttyUSB0"
                                  << "9600 8N1 xonxoff";
        QTest::newRow("all") << "serial:/dev/ttyS1:115200,7e2,RTSCTS"
                             << "115200 7E2 rtscts";
        QTest::newRow("flow only") << "serial:/dev/ttyS1:none"
                                   << "9600 8N1 none";
        QTest::newRow("odd speed") << "serial:/dev/ttyS1:9601"
                                   << "\"9601\" is none of";
        QTest::newRow("bad frame") << "serial:/dev/ttyS1:9N1"
                                   << "\"9N1\" is none of";
        QTest::newRow("no path") << "serial:ttyS1"
                                 << "must be a path";
    }
    void serialTargets() {
        QFETCH(QString, value);
        QFETCH(QString, settings);
        const PortTarget t = parsePortTarget(value);
        if (t.kind == PortTarget::Kind::Serial)
            QCOMPARE(t.serial.text(), settings);
        else
            QVERIFY2(t.error.contains(settings), qPrintable(t.error));
    }
};

QTEST_MAIN(TestPortConfig)
#include "tst_portconfig.moc"
