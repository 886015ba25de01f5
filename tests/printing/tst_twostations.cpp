#include "printer/PplaDecoder.h"
#include "tests/support/TestDatabase.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// Two stations on one embedded database file, each a process printing to its
// own networked virtual printer (a process too), while a third process
// inserts labels through its own connection: every label comes out exactly
// once across the two printers, all are marked, and the writer never fails.
//
// VORNELL_TWO_STATIONS_LABELS and VORNELL_TWO_STATIONS_WRITES set the counts
// (1500 listed at the start, 500 written meanwhile; 3000 and 1000 take about
// twice as long).

namespace {

int envCount(const char* name, int fallback) {
    bool ok = false;
    const int n = qEnvironmentVariableIntValue(name, &ok);
    return ok && n > 0 ? n : fallback;
}

// A process whose output the test reads once it ended.
std::unique_ptr<QProcess> start(const QString& program, const QStringList& args) {
    auto p = std::make_unique<QProcess>();
    p->start(program, args);
    return p;
}

// The barcodes of every strip a virtual printer saved.
QStringList barcodesIn(const QString& dir, int* strips) {
    QStringList out;
    const QStringList files = QDir(dir).entryList({"strip-*.ppla"}, QDir::Files, QDir::Name);
    *strips = int(files.size());
    for (const QString& name : files) {
        QFile f(QDir(dir).filePath(name));
        if (!f.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(name));
        PplaDecoder decoder;
        decoder.feed(f.readAll());
        decoder.finish();
        for (const DecodedLabel& label : decoder.takeLabels())
            for (const DecodedBarcode& b : label.barcodes) {
                QString error;
                const auto carried = decodeCode128Field(b.field, &error);
                if (!carried)
                    qFatal("%s: %s", qPrintable(name), qPrintable(error));
                out << QString::fromLatin1(*carried);
            }
    }
    return out;
}

} // namespace

class TestTwoStations : public QObject {
    Q_OBJECT

    // A virtual printer process saving into dir; its port.
    quint16 startPrinter(QProcess& p, const QString& dir) {
        p.start(VORNELL_VIRTUAL_PRINTER,
                {"--listen", "127.0.0.1:0", "--out", dir, "--speed", "1000"});
        if (!p.waitForStarted(10000) || !p.waitForReadyRead(10000))
            return 0;
        const auto m = QRegularExpression("^listening on 127\\.0\\.0\\.1:(\\d+)")
                           .match(QString::fromLocal8Bit(p.readLine()));
        return m.hasMatch() ? quint16(m.captured(1).toUInt()) : 0;
    }

private slots:
    void everyLabelOnceWhileAWriterInserts() {
        const int listed = envCount("VORNELL_TWO_STATIONS_LABELS", 1500);
        const int written = envCount("VORNELL_TWO_STATIONS_WRITES", 500);
        QTemporaryDir dir;
        const QString db = dir.filePath("stations.db");
        {
            auto dm = openEmbedded(db);
            QSqlDatabase c = dm->conADO();
            QVERIFY(c.transaction());
            const QString today = QDate::currentDate().toString("yyyy-MM-dd") + " 00:00:01";
            for (int i = 1; i <= listed; ++i)
                addLabel(c, today, QString("VA%1").arg(i, 6, 10, QChar('0')), 0);
            QVERIFY(c.commit());
        }

        QProcess printerA, printerB;
        const QString outA = dir.filePath("a"), outB = dir.filePath("b");
        QVERIFY(QDir().mkpath(outA) && QDir().mkpath(outB));
        const quint16 portA = startPrinter(printerA, outA);
        const quint16 portB = startPrinter(printerB, outB);
        QVERIFY(portA != 0 && portB != 0);

        const QString done = dir.filePath("writer-done");
        QElapsedTimer wall;
        wall.start();
        auto writer = start(STATION_PROC, {"writer", db, QString::number(written),
                                           QString::number(listed + 1), "4", done});
        auto stationA = start(STATION_PROC, {"station", db, QString::number(portA), done});
        auto stationB = start(STATION_PROC, {"station", db, QString::number(portB), done});
        for (QProcess* p : {writer.get(), stationA.get(), stationB.get()}) {
            QVERIFY(p->waitForFinished(280000));
            const QString err = QString::fromLocal8Bit(p->readAllStandardError());
            QVERIFY2(p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0,
                     qPrintable(err));
        }
        const qint64 ms = wall.elapsed();

        const QString wrote = QString::fromLocal8Bit(writer->readAllStandardOutput()).trimmed();
        QVERIFY2(wrote.startsWith(QString("inserted %1 ").arg(written)), qPrintable(wrote));
        const QRegularExpression stats("^strips (\\d+) elsewhere (\\d+) claims (\\d+) "
                                       "longest_hold_us (\\d+) total_hold_us (\\d+)");
        int strips[2] = {0, 0};
        int i = 0;
        for (QProcess* p : {stationA.get(), stationB.get()}) {
            const QString line = QString::fromLocal8Bit(p->readAllStandardOutput()).trimmed();
            const auto m = stats.match(line);
            QVERIFY2(m.hasMatch(), qPrintable(line));
            strips[i++] = m.captured(1).toInt();
            const int claims = m.captured(3).toInt();
            qInfo("station %c: %s; mean hold %lld us", 'A' + i - 1, qPrintable(line),
                  claims ? m.captured(5).toLongLong() / claims : 0);
        }
        qInfo("writer: %s; %d + %d labels in %lld ms", qPrintable(wrote), listed, written, ms);

        // Both printers finish what they were sent; then each label was
        // printed exactly once across them.
        int savedA = 0, savedB = 0;
        const auto saved = [](const QString& dir) {
            return int(QDir(dir).entryList({"strip-*.ppla"}, QDir::Files).size());
        };
        QTRY_COMPARE_WITH_TIMEOUT(saved(outA), strips[0], 60000);
        QTRY_COMPARE_WITH_TIMEOUT(saved(outB), strips[1], 60000);
        printerA.terminate();
        printerB.terminate();
        QVERIFY(printerA.waitForFinished(10000) && printerB.waitForFinished(10000));
        const QStringList printed = barcodesIn(outA, &savedA) + barcodesIn(outB, &savedB);
        QStringList expected;
        for (int n = 1; n <= listed + written; ++n)
            expected << QString("%1").arg(n, 6, 10, QChar('0'));
        QStringList sorted = printed;
        sorted.sort();
        QCOMPARE(sorted.size(), expected.size());
        QCOMPARE(sorted, expected);

        auto dm = openEmbedded(db);
        QCOMPARE(scalar(dm->conADO(), "SELECT count(*) FROM PrintLabel WHERE PrintFlag=1").toInt(),
                 listed + written);
        QCOMPARE(scalar(dm->conADO(), "SELECT count(*) FROM PrintLabel").toInt(), listed + written);
    }
};

QTEST_GUILESS_MAIN(TestTwoStations)
#include "tst_twostations.moc"
