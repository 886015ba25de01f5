#include "tests/soak/SoakTally.h"

#include <QTest>

// What a soak run counts as a failure, from what it observed.

using IdList = QList<qint64>;

class TestSoakTally : public QObject {
    Q_OBJECT

    // Labels SK000001 ... SK000006 with Iden_ids 11 ... 16.
    static SoakObservations sixLabels() {
        SoakObservations o;
        for (int i = 1; i <= 6; ++i)
            o.inserted.insert(soakLabelText(i), 10 + i);
        o.rssAfterFirstMinuteKb = 100000;
        o.rssPeakLaterKb = o.rssEndKb = 100000;
        return o;
    }

private slots:
    void barcodeNamesItsLabel() {
        QCOMPARE(soakLabelText(42), QStringLiteral("SK000042"));
        QCOMPARE(labelTextOfBarcode(soakLabelText(42).mid(2, 6).toLatin1()),
                 QStringLiteral("SK000042"));
    }

    // printed: how often labels 1..6 came out; marked and held by serial.
    void findings_data() {
        QTest::addColumn<QList<int>>("printed");
        QTest::addColumn<QList<int>>("marked");
        QTest::addColumn<QList<int>>("held");
        QTest::addColumn<IdList>("duplicates");
        QTest::addColumn<IdList>("lost");
        QTest::addColumn<IdList>("notPrinted");
        QTest::addColumn<int>("labelsPrinted");
        QTest::addColumn<int>("leftUnprinted");
        QTest::newRow("all printed once and marked")
            << QList<int>{1, 1, 1, 1, 1, 1} << QList<int>{1, 2, 3, 4, 5, 6} << QList<int>{}
            << IdList{} << IdList{} << IdList{} << 6 << 0;
        QTest::newRow("held strips are no loss, unprinted labels no failure")
            << QList<int>{1, 1, 1, 0, 0, 0} << QList<int>{1} << QList<int>{2, 3, 4} << IdList{}
            << IdList{} << IdList{} << 3 << 2;
        QTest::newRow("printed twice, though marked")
            << QList<int>{1, 2, 1, 0, 0, 3} << QList<int>{1, 2, 3, 6} << QList<int>{}
            << IdList{12, 16} << IdList{} << IdList{} << 4 << 2;
        QTest::newRow("printed, neither marked nor held")
            << QList<int>{1, 1, 1, 0, 0, 0} << QList<int>{1} << QList<int>{3} << IdList{}
            << IdList{12} << IdList{} << 3 << 3;
        QTest::newRow("marked without coming out")
            << QList<int>{1, 0, 0, 0, 0, 0} << QList<int>{1, 2, 5} << QList<int>{} << IdList{}
            << IdList{} << IdList{12, 15} << 1 << 3;
    }
    void findings() {
        QFETCH(QList<int>, printed);
        QFETCH(QList<int>, marked);
        QFETCH(QList<int>, held);
        QFETCH(IdList, duplicates);
        QFETCH(IdList, lost);
        QFETCH(IdList, notPrinted);
        QFETCH(int, labelsPrinted);
        QFETCH(int, leftUnprinted);
        SoakObservations o = sixLabels();
        for (int i = 0; i < printed.size(); ++i)
            if (printed[i] > 0)
                o.printed.insert(soakLabelText(i + 1), printed[i]);
        for (int serial : marked)
            o.marked.insert(10 + serial);
        for (int serial : held)
            o.held.insert(10 + serial);
        const SoakFigures f = tallySoak(o);
        QCOMPARE(f.duplicates, duplicates);
        QCOMPARE(f.lost, lost);
        QCOMPARE(f.notPrinted, notPrinted);
        QCOMPARE(f.labelsPrinted, labelsPrinted);
        QCOMPARE(f.leftUnprinted, leftUnprinted);
        QCOMPARE(f.marked, int(marked.size()));
        QCOMPARE(f.held, int(held.size()));
        const bool clean = duplicates.isEmpty() && lost.isEmpty() && notPrinted.isEmpty();
        QCOMPARE(f.failures().isEmpty(), clean);
    }

    void unknownLabelFails() {
        SoakObservations o = sixLabels();
        o.printed.insert(QStringLiteral("SK999999"), 1);
        const SoakFigures f = tallySoak(o);
        QCOMPARE(f.unknownPrinted, QStringList{"SK999999"});
        QCOMPARE(f.failures(), QStringList{"printed labels nobody inserted: SK999999"});
    }

    void memory_data() {
        QTest::addColumn<qint64>("peakKb");
        QTest::addColumn<bool>("flat");
        QTest::newRow("same") << qint64(100000) << true;
        QTest::newRow("10 % up") << qint64(110000) << true;
        QTest::newRow("just over 10 %") << qint64(110100) << false;
        QTest::newRow("lower") << qint64(90000) << true;
    }
    void memory() {
        QFETCH(qint64, peakKb);
        QFETCH(bool, flat);
        SoakObservations o = sixLabels();
        o.rssPeakLaterKb = peakKb;
        const SoakFigures f = tallySoak(o);
        QCOMPARE(f.memoryFlat, flat);
        QCOMPARE(f.failures().isEmpty(), flat);
    }

    // Only lines about held or uncertain strips name held records; a strip
    // printed and marked or a failed mark does not.
    void heldInLog() {
        const QString log = QStringLiteral(
            "run 3 strip 1: SK000001 (Iden_id 11), SK000002 (Iden_id 12): printed and marked\n"
            "run 4: held, not printed until a person decides: SK000004 (Iden_id 14), SK000005 "
            "(Iden_id 15)\n"
            "run 5: ended: USB1: the printer is paused. Not marked printed, not known whether "
            "their labels came out: SK000006 (Iden_id 16)\n"
            "run 6: ended: Labels were printed but could not be marked as printed (Iden_id 13, "
            "17). Printing stopped.\n");
        const QSet<qint64> held = heldIdsInLog(log);
        QCOMPARE(held, (QSet<qint64>{14, 15, 16}));
    }
};

QTEST_MAIN(TestSoakTally)
#include "tst_soaktally.moc"
