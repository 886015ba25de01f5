#include "printing/ManualList.h"
#include "tests/support/DataTable.h"

#include <QTest>

using Strips = QList<QStringList>;
Q_DECLARE_METATYPE(Strips)

class TestManualList : public QObject {
    Q_OBJECT
private slots:
    void strips_data() {
        DataTable<QString, Strips>({"memo", "strips"})
            .row("empty", "", Strips{})
            .row("commas", "A,B,C,D", Strips{{"A", "B", "C"}, {"D", "", ""}})
            .row("full-width comma", QString::fromUtf8("A，B，C，D"),
                 Strips{{"A", "B", "C"}, {"D", "", ""}})
            .row("semicolons", QString::fromUtf8("A;B；C;D"),
                 Strips{{"A", "B", "C"}, {"D", "", ""}})
            .row("slashes", "A\\B/C\\D", Strips{{"A", "B", "C"}, {"D", "", ""}})
            .row("lines ended by CR LF", "A\r\nB\r\nC\r\n", Strips{{"A", "B", "C"}})
            .row("blank line", "A\r\n\r\nB", Strips{{"A", "", "B"}})
            .row("only a line break", "\r\n", Strips{{"", "", ""}})
            .row("only separators", ",,,,", Strips{{"", "", ""}, {"", "", ""}})
            .row("LF CR is one separator", "A\n\rB", Strips{{"A", "B", ""}})
            .row("CR CR LF is two", "A\r\r\nB", Strips{{"A", "", "B"}})
            .row("LF alone", "A\nB", Strips{{"A", "B", ""}})
            .row("blanks stay", "A, B ,C", Strips{{"A", " B ", "C"}})
            .row("chinese items", QString::fromUtf8("芯片一,芯片二"),
                 Strips{{QString::fromUtf8("芯片一"), QString::fromUtf8("芯片二"), ""}});
    }
    void strips() {
        QFETCH(QString, memo);
        QFETCH(Strips, strips);
        Strips got;
        for (const LabelRow& row : manualListStrips(memo))
            got.append({row.labels[0].text, row.labels[1].text, row.labels[2].text});
        QCOMPARE(got, strips);
    }

    // Every item is printed, however long the list.
    void longListKeepsEveryItem() {
        QStringList items;
        for (int i = 0; i < 10000; ++i)
            items << QString("VA%1").arg(i, 6, 16, QChar('0')).toUpper();
        const auto strips = manualListStrips(items.join("\r\n"));
        QCOMPARE(int(strips.size()), 3334);
        QCOMPARE(strips.back().labels[0].text, items.last());
        QCOMPARE(strips.back().labels[1].text, QString());
        QCOMPARE(strips[1000].labels[2].text, items[3002]);
    }
};

QTEST_GUILESS_MAIN(TestManualList)
#include "tst_manuallist.moc"
