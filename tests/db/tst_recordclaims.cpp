#include "core/AppError.h"
#include "db/RecordClaims.h"
#include "tests/support/TestDatabase.h"

#include <QTemporaryDir>
#include <QTest>

// Claims of label records in the embedded database, seen from two stations.
using Ids = QList<int64_t>;

class TestRecordClaims : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    int files = 0;
    std::unique_ptr<TDMdata> a, b;

    void fresh(int labels) {
        a.reset();
        b.reset();
        const QString file = dir.filePath(QString("claims%1.db").arg(++files));
        a = openEmbedded(file);
        b = openEmbedded(file);
        for (int i = 1; i <= labels; ++i)
            addLabel(a->conADO(), "2026-12-09 08:00:00", QString("VA%1").arg(i, 6, 10, QChar('0')),
                     i == labels ? QVariant(1) : QVariant());
    }
    Ids ids(const QString& where) {
        Ids out;
        QSqlQuery q(a->conADO());
        q.exec("SELECT Iden_id FROM VornellClaim WHERE " + where + " ORDER BY Iden_id");
        while (q.next())
            out << q.value(0).toLongLong();
        return out;
    }

private slots:
    void cleanupTestCase() {
        a.reset();
        b.reset();
    }

    // One station's claim keeps the other off; printed records are nobody's.
    void takeSeesTheOtherStation() {
        fresh(5); // 5 is printed
        RecordClaims line1(a->qryEXEC(), a->conADO(), "line1");
        RecordClaims line2(b->qryEXEC(), b->conADO(), "line2");
        QCOMPARE(line1.take({1, 2}, "s1").claimed, (Ids{1, 2}));
        const ClaimOutcome got = line2.take({1, 2, 3, 4, 5}, "s2");
        QCOMPARE(got.claimed, (Ids{3, 4}));
        QCOMPARE(got.printed, Ids{5});
        QCOMPARE(got.elsewhere.value(1), QString("line1"));
        QCOMPARE(got.elsewhere.size(), 2);
        line1.release({1}, "s1");
        line1.hold({2}, "s1", "printer fault");
        QCOMPARE(line2.take({1, 2}, "s3").claimed, Ids{1});
        QCOMPARE(ids("State='held'"), Ids{2});
    }

    // A station that starts again holds what it left claimed, not others'.
    void leftoversBecomeHeld() {
        fresh(4);
        RecordClaims line1(a->qryEXEC(), a->conADO(), "line1");
        RecordClaims line2(b->qryEXEC(), b->conADO(), "line2");
        line1.take({1, 2}, "s1");
        line2.take({3}, "s2");
        RecordClaims restarted(a->qryEXEC(), a->conADO(), "line1");
        restarted.holdLeftovers("stopped");
        QCOMPARE(ids("State='held'"), (Ids{1, 2}));
        QCOMPARE(ids("State='claimed'"), Ids{3});
    }

    // A person's decision: marked and released together, or given back. A
    // record a station prints now is refused, naming it, and nothing of
    // that decision happens.
    void decisions() {
        fresh(5);
        RecordClaims line1(a->qryEXEC(), a->conADO(), "line1");
        RecordClaims line2(b->qryEXEC(), b->conADO(), "line2");
        line1.take({1, 2, 3}, "s1");
        line1.hold({1, 2, 3}, "s1", "printer fault");
        line2.take({4}, "s2");
        try {
            line1.decide({3, 4}, true);
            QFAIL("no error");
        } catch (const AppError& e) {
            QVERIFY2(e.text().contains("is being printed by station line2 now"),
                     qPrintable(e.text()));
        }
        QCOMPARE(ids("1=1"), (Ids{1, 2, 3, 4}));
        line1.decide({1, 2}, true);
        line1.decide({3}, false);
        QCOMPARE(ids("1=1"), Ids{4});
        QCOMPARE(scalar(a->conADO(), "SELECT group_concat(Iden_id) FROM PrintLabel WHERE "
                                     "PrintFlag=1 AND PrintTime IS NOT NULL")
                     .toString(),
                 QString("1,2"));
    }

    void missingTableIsNamed() {
        fresh(1);
        QSqlQuery(a->conADO()).exec("DROP TABLE VornellClaim");
        RecordClaims line1(a->qryEXEC(), a->conADO(), "line1");
        try {
            line1.take({1}, "s1");
            QFAIL("no error");
        } catch (const AppError& e) {
            QVERIFY2(e.text().startsWith("The label database has no table VornellClaim"),
                     qPrintable(e.text()));
        }
    }
};

QTEST_GUILESS_MAIN(TestRecordClaims)
#include "tst_recordclaims.moc"
