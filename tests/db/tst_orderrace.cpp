#include "core/AppError.h"
#include "db/CreateDeviceICRel.h"
#include "tests/support/TestDatabase.h"

#include <QHash>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <latch>
#include <thread>

// Two managers closing the order dialog at the same moment on two stations:
// two connections to one embedded database file run sp_CreateDeviceICRel at
// once. The procedure takes SQLite's write lock before it reads the new
// orders, so the runs follow one another: both complete, the second finds the
// orders the first gave serials done, and every order gets exactly one range.
class TestOrderRace : public QObject {
    Q_OBJECT

    struct Run {
        int given = -1; // orders given serials; -1 when the run failed
        QString error;
    };

    static Run runOnOwnConnection(const QString& path, std::latch& start) {
        Run run;
        auto dm = openEmbedded(path);
        QSqlDatabase db = dm->conADO();
        start.arrive_and_wait();
        try {
            run.given = createDeviceICRelEmbedded(db);
        } catch (const AppError& e) {
            run.error = e.text();
        }
        return run;
    }

    static qint64 serialNumber(const QString& full) { return full.mid(2).toLongLong(nullptr, 16); }

private slots:
    void twoRunsAtOnceGiveEveryOrderOneRange_data() {
        QTest::addColumn<QStringList>("types"); // chip type of each order, in order
        QTest::newRow("one chip type") << QStringList{"VN3010A", "VN3010A", "VN3010A", "VN3010A"};
        QTest::newRow("two chip types")
            << QStringList{"VN3010A", "VN3010B", "VN3010A", "VN3010B", "VN3010A", "VN3010B"};
    }
    void twoRunsAtOnceGiveEveryOrderOneRange() {
        QFETCH(QStringList, types);
        QTemporaryDir dir;
        const QString path = dir.filePath("race.db");
        auto main = openEmbedded(path);
        QSqlDatabase db = main->conADO();
        addTestChipTypes(db);

        int bothGave = 0; // rounds where each run gave serials to some orders
        for (int round = 0; round < 12; ++round) {
            QHash<QString, qint64> lastBefore;
            for (const QString& t : types)
                lastBefore[t] =
                    scalar(db, "SELECT LastSN FROM DeviceICType WHERE ICType='" + t + "'")
                        .toLongLong();
            const qint64 labelsBefore = scalar(db, "SELECT count(*) FROM PrintLabel").toLongLong();
            QList<qint64> orders;
            QHash<QString, qint64> amounts;
            for (int i = 0; i < types.size(); ++i) {
                const int amount = 2 + (i + round) % 3;
                QSqlQuery q(db);
                q.prepare("INSERT INTO DeviceICRelOrder (Datime, ICType, Amount, Flag) "
                          "VALUES (datetime('now','localtime'), ?, ?, '0')");
                q.addBindValue(types[i]);
                q.addBindValue(amount);
                QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
                orders << q.lastInsertId().toLongLong();
                amounts[types[i]] += amount;
            }

            std::latch start(2);
            Run a, b;
            std::thread first([&] { a = runOnOwnConnection(path, start); });
            std::thread second([&] { b = runOnOwnConnection(path, start); });
            first.join();
            second.join();

            // Both runs complete; together they gave every order its range once.
            QVERIFY2(a.error.isEmpty(), qPrintable(a.error));
            QVERIFY2(b.error.isEmpty(), qPrintable(b.error));
            QCOMPARE(a.given + b.given, int(orders.size()));
            bothGave += a.given > 0 && b.given > 0;

            // Per chip type the ranges follow each other from the old LastSN
            // without gap or overlap, in order of the orders, and LastSN ends
            // at the last one.
            QHash<QString, qint64> next;
            for (const QString& t : types)
                next[t] = lastBefore[t] + 1;
            qint64 total = 0;
            for (int i = 0; i < orders.size(); ++i) {
                QSqlQuery q(db);
                QVERIFY(q.exec(QString("SELECT Flag, FullSNFrom, FullSNTo, Amount FROM "
                                       "DeviceICRelOrder WHERE Iden_id=%1")
                                   .arg(orders[i])));
                QVERIFY(q.next());
                QCOMPARE(q.value(0).toString(), QString("1"));
                QCOMPARE(serialNumber(q.value(1).toString()), next[types[i]]);
                next[types[i]] += q.value(3).toLongLong();
                QCOMPARE(serialNumber(q.value(2).toString()), next[types[i]] - 1);
                total += q.value(3).toLongLong();
            }
            for (const QString& t : types)
                QCOMPARE(scalar(db, "SELECT LastSN FROM DeviceICType WHERE ICType='" + t + "'")
                             .toLongLong(),
                         lastBefore[t] + amounts[t]);
            // One label per serial, no serial twice.
            QCOMPARE(scalar(db, "SELECT count(*) FROM PrintLabel").toLongLong(),
                     labelsBefore + total);
            QCOMPARE(scalar(db, "SELECT count(DISTINCT LabelText) FROM PrintLabel").toLongLong(),
                     labelsBefore + total);
        }
        qInfo("rounds where both runs gave serials: %d of 12", bothGave);
    }
};

QTEST_GUILESS_MAIN(TestOrderRace)
#include "tst_orderrace.moc"
