#include "settings/PickLists.h"
#include "tests/support/DataTable.h"

#include <QTest>

// What the settings dialog offers, and where a stored value lands in it.
class TestPickLists : public QObject {
    Q_OBJECT
private slots:

    void upDownPosition_data() {
        DataTable<int, int, int, int>({"stored", "min", "max", "position"})
            .row("inside", 500, 1, 1000, 500)
            .row("width above range", 30, 1, 24, 24)
            .row("zero below range", 0, 1, 1000, 1)
            .row("negative", -7, 1, 999, 1)
            .row("low 16 bits small", 65536 + 12, 1, 1000, 12)
            .row("low 16 bits above range", 70000, 1, 1000, 1000)
            // 4464
            .row("low 16 bits negative", 0x8000, 1, 1000, 1)
            // -32768
            .row("int32 min", int(INT32_MIN), 1, 1000, 1)
            // 0
            .row("int32 max", int(INT32_MAX), 1, 1000, 1)
            // -1
            ;
    }
    void upDownPosition() {
        QFETCH(int, stored);
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(int, position);
        QCOMPARE(::upDownPosition(stored, min, max), position);
    }

    void pickListIndex_data() {
        const QStringList weights = fontWeightEntries();
        DataTable<QStringList, QString, int>({"entries", "text", "index"})
            .row("weight exact", weights, "300 thin   ", 2)
            .row("weight other case", weights, "300 THIN   ", 2)
            .row("weight without blanks", weights, "300 thin", -1)
            .row("half thick without blanks", weights, "600 half thick", -1)
            .row("weight leading blank", weights, " 400 standard", -1)
            .row("port lower case", printerPortEntries(), "usbx", 4)
            .row("port USB5", printerPortEntries(), "USB5", -1)
            .row("empty", printerPortEntries(), "", -1);
    }
    void pickListIndex() {
        QFETCH(QStringList, entries);
        QFETCH(QString, text);
        QFETCH(int, index);
        QCOMPARE(::pickListIndex(entries, text), index);
    }

    void listsAsDesigned() {
        QCOMPARE(printerPortEntries(), (QStringList{"USB1", "USB2", "USB3", "USB4", "USBX"}));
        QCOMPARE(fontWeightEntries(),
                 (QStringList{"100 special thin", "200 very thin", "300 thin   ", "400 standard",
                              "500 middle", "600 half thick  ", "700 thick", "800 special thick",
                              "900 blackbody"}));
        QCOMPARE(sortedFontNames({"b", "C", "a", "A"}), (QStringList{"A", "a", "b", "C"}));
    }
};

QTEST_GUILESS_MAIN(TestPickLists)
#include "tst_PickLists.moc"
