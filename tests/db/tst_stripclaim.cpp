#include "core/AppError.h"
#include "db/StripClaim.h"
#include "tests/support/TestDatabase.h"

#include <QTemporaryDir>
#include <QTest>

// The claim a station takes on its strip's records: the statements each
// database gets, in order, and two stations on one embedded database file.

using Ids = QList<qint64>;

class TestStripClaim : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    int dbCounter = 0;

    QString newFile() { return dir.filePath(QString("claim%1.db").arg(++dbCounter)); }
    static Ids marked(const QSqlDatabase& db) {
        Ids out;
        QSqlQuery q(db);
        q.exec("SELECT Iden_id FROM PrintLabel WHERE PrintFlag=1 ORDER BY Iden_id");
        while (q.next())
            out << q.value(0).toLongLong();
        return out;
    }
    static void addLabels(const QSqlDatabase& db, int n) {
        for (int i = 1; i <= n; ++i)
            addLabel(db, "2026-12-09 08:00:00", QString("VA%1").arg(i, 6, 10, QChar('0')));
    }

private slots:
    // The T-SQL lines as the server gets them.
    void serverLines_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("claim, 5 s")
            << serverClaimLines(5000)
            << QStringList{"DECLARE @result int ",
                           "EXEC @result = sp_getapplock @Resource='Vornell.PrintLabel', "
                           "@LockMode='Exclusive', @LockOwner='Session', @LockTimeout=5000 ",
                           "IF @result < 0 RAISERROR('label records claimed by another station "
                           "(sp_getapplock %d)', 16, 1, @result) "};
        QTest::newRow("claim, 1.5 s") << QStringList{serverClaimLines(1500)[1]}
                                      << QStringList{"EXEC @result = sp_getapplock "
                                                     "@Resource='Vornell.PrintLabel', "
                                                     "@LockMode='Exclusive', @LockOwner='Session', "
                                                     "@LockTimeout=1500 "};
        QTest::newRow("release")
            << serverReleaseLines()
            << QStringList{
                   "EXEC sp_releaseapplock @Resource='Vornell.PrintLabel', @LockOwner='Session' "};
        QTest::newRow("re-check") << printedAmongLines({7, 8, 12})
                                  << QStringList{"SELECT Iden_id FROM PrintLabel ",
                                                 "WHERE Iden_id in (7,8,12) AND PrintFlag=1 "};
    }
    void serverLines() {
        QFETCH(QStringList, lines);
        QFETCH(QStringList, expected);
        QCOMPARE(lines, expected);
    }

    // Without the lock nothing else goes to the server: the claim is refused
    // with the station's text in the interface language, and a release
    // afterwards sends nothing.
    void serverClaimRefused_data() {
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QString>("start");
        QTest::newRow("English") << 437 << "Another station is holding the label records";
        QTest::newRow("Chinese") << 936 << u8"另一台工作站正在使用这些标签记录";
    }
    void serverClaimRefused() {
        QFETCH(int, codePage);
        QFETCH(QString, start);
        TDMdata server("QODBC");
        QStringList sent;
        server.qryEXEC().onExecute = [&](const QString& t) { sent << t; };
        ServerStripClaim claim(server.qryEXEC(), server.conADO());
        claim.codePage = codePage;
        try {
            claim.claim();
            QFAIL("claimed without a server");
        } catch (const AppError& e) {
            QVERIFY2(e.text().startsWith(start), qPrintable(e.text()));
            QVERIFY2(e.text().contains("Connection is not open"), qPrintable(e.text()));
        }
        QVERIFY(!claim.held());
        claim.release(true);
        QCOMPARE(sent, QStringList{serverClaimLines(5000).join("\r\n")});
    }

    // On the embedded database: BEGIN IMMEDIATE, the re-check, the station's
    // mark, then COMMIT when it marked (the mark stays) or ROLLBACK when it
    // did not (nothing of the claim stays).
    void embeddedOrder_data() {
        QTest::addColumn<bool>("didMark");
        QTest::addColumn<QString>("end");
        QTest::addColumn<Ids>("stays");
        QTest::newRow("marked") << true << "COMMIT" << Ids{2};
        QTest::newRow("nothing marked") << false << "ROLLBACK" << Ids{};
    }
    void embeddedOrder() {
        QFETCH(bool, didMark);
        QFETCH(QString, end);
        QFETCH(Ids, stays);
        auto dm = openEmbedded(newFile());
        addLabels(dm->conADO(), 3);
        QStringList sent;
        dm->qryEXEC().onExecute = [&](const QString& t) { sent << t; };
        auto claim = stripClaimFor(dm->qryEXEC(), dm->conADO());
        claim->claim();
        QCOMPARE(claim->printedAmong({1, 2, 3}), QSet<int64_t>{});
        dm->qryEXEC().run({"UPDATE PrintLabel SET PrintFlag=1 WHERE Iden_id=2"});
        claim->release(didMark);
        // SQLite's own waiting is off while the claim is taken.
        QCOMPARE(sent,
                 (QStringList{"PRAGMA busy_timeout", "PRAGMA busy_timeout=0", "BEGIN IMMEDIATE",
                              "PRAGMA busy_timeout=5000", printedAmongLines({1, 2, 3}).join("\r\n"),
                              "UPDATE PrintLabel SET PrintFlag=1 WHERE Iden_id=2", end}));
        QCOMPARE(marked(dm->conADO()), stays);
        QCOMPARE(claim->stats().claims, 1);
    }

    // Two stations on one file: while one holds the claim the other cannot
    // take it; once released, the other sees what the first marked.
    void secondStationWaitsAndSeesTheMarks() {
        const QString file = newFile();
        auto first = openEmbedded(file);
        auto second = openEmbedded(file);
        addLabels(first->conADO(), 6);
        // The second station gives up quickly here instead of after 5 s.
        QVERIFY(QSqlQuery(second->conADO()).exec("PRAGMA busy_timeout=100"));
        EmbeddedStripClaim a(first->qryEXEC(), first->conADO());
        EmbeddedStripClaim b(second->qryEXEC(), second->conADO());
        a.claim();
        QVERIFY_THROWS_EXCEPTION(AppError, b.claim());
        QVERIFY(!b.held());
        first->qryEXEC().run({"UPDATE PrintLabel SET PrintFlag=1 WHERE Iden_id in (2,3)"});
        // Not committed yet: the second station still reads them unprinted.
        QCOMPARE(marked(second->conADO()), Ids{});
        a.release(true);
        b.claim();
        QCOMPARE(b.printedAmong({1, 2, 3, 4}), (QSet<int64_t>{2, 3}));
        b.release(false);
        QCOMPARE(marked(second->conADO()), (Ids{2, 3}));
    }

    // A claim is needed for the re-check.
    void recheckWithoutClaim() {
        auto dm = openEmbedded(newFile());
        EmbeddedStripClaim claim(dm->qryEXEC(), dm->conADO());
        QVERIFY_THROWS_EXCEPTION(AppError, claim.printedAmong({1}));
    }
};

QTEST_GUILESS_MAIN(TestStripClaim)
#include "tst_stripclaim.moc"
