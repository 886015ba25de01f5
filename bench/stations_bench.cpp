// Several shipped stations side by side: N vornell auto (N = 1, 2, 4), each
// printing to its own networked virtual printer at its rated 4 inches a
// second with printer feedback on, on one database, while another program
// inserts labels of another size. Timed from the stations' start until every
// label is marked; "of N x one" is the rate at N stations against N times
// the rate of one. The writer's longest insert is reported too.
//
//   build-rel/bench/stations_bench                     embedded database
//   STATIONS_BENCH_LABELS=60 build-rel/bench/stations_bench   (a short run)
// The server rows need the SQL Server test server (scripts/test-server
// start); without it they are skipped.

#include "bench/BenchMain.h"
#include "tests/station/StationProcess.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestServer.h"

#include <QDate>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <map>

namespace {

int labelsPerStation() {
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("STATIONS_BENCH_LABELS", &ok);
    return ok && n > 0 ? n : 300;
}

// Labels per second of one station, per database, from the N = 1 row.
std::map<int, double> oneStation;

// state.range(0): stations; state.range(1): 0 embedded, 1 SQL Server.
void BM_Stations(benchmark::State& state) {
    const int stations = int(state.range(0));
    const bool server = state.range(1) == 1;
    const TestServer testServer = TestServer::fromEnvironment();
    if (server && !testServer.present()) {
        state.SkipWithError("no SQL Server test server (scripts/test-server start)");
        return;
    }
    const int labels = labelsPerStation() * stations;
    double seconds = 0;
    qint64 writerWaitUs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        writeStationLayout(dir.path());
        const QString db = dir.filePath("labels.db");
        std::unique_ptr<TDMdata> dm;
        if (server) {
            testServer.freshCatalog();
            dm = testServer.open();
        } else {
            dm = openEmbedded(db);
        }
        const QString today = QDate::currentDate().toString("yyyy-MM-dd ") + "08:00:00";
        const QString insert = server ? "INSERT INTO PrintLabel (CreateTime, LabelSize, TitleText, "
                                        "LabelText, Barcode, PrintFlag) VALUES (CONVERT(datetime, "
                                        "?, 120), '30X10', 'T', ?, ?, 0)"
                                      : "INSERT INTO PrintLabel (CreateTime, LabelSize, TitleText, "
                                        "LabelText, Barcode, PrintFlag) VALUES (?, '30X10', 'T', "
                                        "?, ?, 0)";
        TestServer::exec(dm->conADO(), "BEGIN TRANSACTION");
        for (int i = 1; i <= labels; ++i) {
            const QString text = QString("VA%1").arg(i, 6, 10, QChar('0'));
            TestServer::exec(dm->conADO(), insert, {today, text, text});
        }
        TestServer::exec(dm->conADO(), server ? "COMMIT TRANSACTION" : "COMMIT");
        std::vector<std::unique_ptr<VirtualPrinterProcess>> printers;
        for (int i = 0; i < stations; ++i) {
            printers.push_back(std::make_unique<VirtualPrinterProcess>(QString()));
            if (printers.back()->port() == 0) {
                state.SkipWithError("the virtual printer did not start");
                return;
            }
        }
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        std::vector<std::unique_ptr<Child>> running;
        for (int i = 0; i < stations; ++i) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            if (server)
                testServer.addTo(env);
            else
                env.insert("VORNELL_DB", "sqlite:" + db);
            env.insert("VORNELL_STATION", QString("bench%1").arg(i + 1));
            env.insert("VORNELL_JOURNAL", dir.filePath(QString("journal%1.db").arg(i + 1)));
            env.insert("VORNELL_PRINTER_USB1", printers[size_t(i)]->target());
            env.insert("VORNELL_PRINTER_USB1_STATUS", "on");
            env.insert("VORNELL_AUTO_INTERVAL_MS", "100");
            running.push_back(
                std::make_unique<Child>(VORNELL, QStringList{"auto"}, env, dir.path(),
                                        dir.filePath(QString("station%1.log").arg(i + 1))));
        }
        // Another program of the plant inserting meanwhile (embedded database:
        // the writer that waits for the stations' writes).
        std::unique_ptr<Child> writer;
        if (!server)
            writer =
                std::make_unique<Child>(LABEL_WRITER, QStringList{db, "100000", "1", "25", "50X20"},
                                        QProcessEnvironment::systemEnvironment(), dir.path());
        const QString unprinted = "SELECT count(*) FROM PrintLabel WHERE LabelSize='30X10' AND "
                                  "isnull(PrintFlag,0)=0";
        const QString query = server ? unprinted : QString(unprinted).replace("isnull", "ifnull");
        while (TestServer::scalar(dm->conADO(), query).toInt() > 0) {
            if (clock.elapsed() > 600000) {
                state.SkipWithError("the stations did not finish");
                return;
            }
            QThread::msleep(20);
        }
        seconds += clock.nsecsElapsed() / 1e9;
        state.PauseTiming();
        for (auto& r : running)
            r->signal(SIGTERM);
        for (auto& r : running)
            r->finish();
        if (writer) {
            writer->signal(SIGTERM);
            writer->finish();
            const auto waits =
                QRegularExpression("longest_wait_us (\\d+)")
                    .globalMatch(QString::fromUtf8(writer->process().readAllStandardOutput()));
            for (auto it = waits; it.hasNext();)
                writerWaitUs = qMax(writerWaitUs, it.next().captured(1).toLongLong());
        }
        for (auto& p : printers)
            p->stop();
        state.ResumeTiming();
    }
    const double rate = double(labels) * double(state.iterations()) / seconds;
    state.counters["labels/s"] = rate;
    if (!server)
        state.counters["writer's longest insert ms"] = double(writerWaitUs) / 1000.0;
    if (stations == 1)
        oneStation[int(server)] = rate;
    else if (oneStation.count(int(server)))
        state.counters["of N x one"] = rate / (stations * oneStation[int(server)]);
}

} // namespace

BENCHMARK(BM_Stations)
    ->ArgsProduct({{1, 2, 4}, {0, 1}})
    ->ArgNames({"stations", "server"})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

int main(int argc, char** argv) {
    // The server rows make TovikCust with the reference script of this tree.
    if (qEnvironmentVariableIsEmpty("VORNELL_SOURCE_DIR"))
        qputenv("VORNELL_SOURCE_DIR", VORNELL_SOURCE_DIR);
    return runBenchmarks(argc, argv);
}
