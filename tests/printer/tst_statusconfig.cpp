#include "printer/PortConfig.h"
#include "tests/support/DataTable.h"

#include <QHash>
#include <QTest>

// Whether each port's printer is asked for its status: VORNELL_PRINTER_<name>_STATUS.

namespace {

PortConfig::Env envOf(QHash<QString, QString> values) {
    return [values](const QString& name) { return values.value(name); };
}

} // namespace

Q_DECLARE_METATYPE(StatusMode)

class TestStatusConfig : public QObject {
    Q_OBJECT
private slots:
    void values_data() {
        DataTable<QString, bool, StatusMode>({"value", "ok", "mode"})
            .row("unset", "", true, StatusMode::Auto)
            .row("auto", "auto", true, StatusMode::Auto)
            .row("on", "on", true, StatusMode::On)
            .row("off", "off", true, StatusMode::Off)
            .row("blanks and case", " OFF ", true, StatusMode::Off)
            .row("yes", "yes", false, StatusMode::Auto)
            .row("1", "1", false, StatusMode::Auto)
            .row("on off", "on off", false, StatusMode::Auto);
    }
    void values() {
        QFETCH(QString, value);
        QFETCH(bool, ok);
        QFETCH(StatusMode, mode);
        StatusMode got = StatusMode::On;
        QString error;
        QCOMPARE(parseStatusMode(value, &got, &error), ok);
        if (ok) {
            QCOMPARE(got, mode);
            QVERIFY(error.isEmpty());
        } else {
            QCOMPARE(error, QStringLiteral("\"%1\" is none of auto, on, off").arg(value.trimmed()));
        }
    }

    // Each port reads its own variable; a bad value is an error on that port
    // only and leaves it at auto.
    void perPort_data() {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("variable");
        QTest::addColumn<QString>("value");
        QTest::addColumn<StatusMode>("mode");
        QTest::addColumn<QString>("error");
        for (int n = 1; n <= 6; ++n) {
            const QString var = QStringLiteral("VORNELL_PRINTER_USB%1_STATUS").arg(n);
            QTest::addRow("USB%d off", n)
                << QString::number(n) << var << "off" << StatusMode::Off << QString();
            QTest::addRow("USB%d bad", n)
                << QString::number(n) << var << "maybe" << StatusMode::Auto
                << var + ": \"maybe\" is none of auto, on, off";
        }
        QTest::newRow("0 on") << "0"
                              << "VORNELL_PRINTER_0_STATUS"
                              << "on" << StatusMode::On << QString();
        QTest::newRow("USBX on") << "X"
                                 << "VORNELL_PRINTER_USBX_STATUS"
                                 << "on" << StatusMode::On << QString();
        QTest::newRow("USBX bad")
            << "X"
            << "VORNELL_PRINTER_USBX_STATUS"
            << "true" << StatusMode::Auto
            << "VORNELL_PRINTER_USBX_STATUS: \"true\" is none of auto, on, off";
        QTest::newRow("another port's setting") << "2"
                                                << "VORNELL_PRINTER_USB1_STATUS"
                                                << "off" << StatusMode::Auto << QString();
        QTest::newRow("the port's own variable is not it")
            << "3"
            << "VORNELL_PRINTER_USB3"
            << "off" << StatusMode::Auto << QString();
    }
    void perPort() {
        QFETCH(QString, number);
        QFETCH(QString, variable);
        QFETCH(QString, value);
        QFETCH(StatusMode, mode);
        QFETCH(QString, error);
        const PortConfig config(envOf({{variable, value}}));
        const PortTarget target =
            number == "X" ? config.usbxOverride() : config.forPortNumber(number);
        QCOMPARE(target.status, mode);
        QCOMPARE(target.statusError, error);
        QCOMPARE(target.statusSource, PortConfig::statusVariableFor(number));
        // A bad status value does not take the port's device away.
        if (variable.endsWith("_STATUS") && number != "0" && number != "X")
            QCOMPARE(target.kind, PortTarget::Kind::Device);
    }

    // The status setting leaves the device choice alone.
    void deviceUnchanged() {
        const PortConfig config(envOf({{"VORNELL_PRINTER_USB2", "tcp:pr2.local:9101"},
                                       {"VORNELL_PRINTER_USB2_STATUS", "on"}}));
        const PortTarget target = config.forPortNumber("2");
        QCOMPARE(target.kind, PortTarget::Kind::Tcp);
        QCOMPARE(target.host, QStringLiteral("pr2.local"));
        QCOMPARE(int(target.tcpPort), 9101);
        QCOMPARE(target.status, StatusMode::On);
        const PortTarget usb1 = config.forPortNumber("1");
        QCOMPARE(usb1.kind, PortTarget::Kind::Device);
        QCOMPARE(usb1.status, StatusMode::Auto);
    }
};

QTEST_GUILESS_MAIN(TestStatusConfig)
#include "tst_statusconfig.moc"
