// The label query against a large embedded PrintLabel, and the main window's
// start-up.
//
//   build/bench/db_bench [--benchmark_filter=...]
//
// The database (1,000,000 labels over 100 days, 15,000 of them unprinted and
// created today) is made once in a temporary folder.

#include "core/DataModule.h"
#include "core/Language.h"
#include "db/DbLocation.h"
#include "db/LabelList.h"
#include "db/LabelQuery.h"
#include "forms/umainBarcode.h"
#include "printer/RecordingPpla.h"
#include "tests/support/ScriptedPrompts.h"

#include <QApplication>
#include <QDir>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>

namespace {

QTemporaryDir* workDir = nullptr;

std::unique_ptr<TDMdata> openDb(const QString& path) {
    DbLocation loc;
    loc.path = path;
    auto dm = createDataModule(loc);
    dm->reopen();
    return dm;
}

const QString& bigDatabase() {
    static const QString path = [] {
        const QString p = workDir->filePath("big.db");
        auto dm = openDb(p);
        QSqlDatabase db = dm->conADO();
        db.transaction();
        QSqlQuery q(db);
        q.prepare("INSERT INTO PrintLabel (CreateTime, LabelSize, TitleText, LabelText, Barcode, "
                  "PrintFlag, PrintTime) VALUES (?, '30X10', 'VN3010A', ?, ?, ?, ?)");
        const QDate today = QDate::currentDate();
        const int total = qEnvironmentVariableIntValue("DB_BENCH_ROWS") > 0
                              ? qEnvironmentVariableIntValue("DB_BENCH_ROWS")
                              : 1'000'000,
                  unprinted = 15'000;
        for (int i = 0; i < total; ++i) {
            const bool fresh = i >= total - unprinted;
            const QDate day = fresh ? today : today.addDays(-1 - (i % 100));
            const QString created = day.toString("yyyy-MM-dd") + " 08:00:00";
            const QString text = QString("V%1%2")
                                     .arg(QChar('A' + i % 26))
                                     .arg((i * 7919) % 0x1000000, 6, 16, QChar('0'))
                                     .toUpper();
            q.addBindValue(created);
            q.addBindValue(text);
            q.addBindValue(text);
            q.addBindValue(fresh ? QVariant() : QVariant(1));
            q.addBindValue(fresh ? QVariant() : QVariant(created));
            q.exec();
        }
        db.commit();
        QSqlQuery(db).exec("ANALYZE");
        LabelFilter f;
        f.labelSize = "30X10";
        f.createdFrom = QDate::currentDate();
        QSqlQuery plan(db);
        plan.exec("EXPLAIN QUERY PLAN " + labelQueryLines(f, Dialect::Sqlite).join("\r\n"));
        while (plan.next())
            fprintf(stderr, "plan: %s\n", qPrintable(plan.value(3).toString()));
        return p;
    }();
    return path;
}

void BM_LabelQuery10000Of1M(benchmark::State& state) {
    auto dm = openDb(bigDatabase());
    LabelFilter f;
    f.labelSize = "30X10";
    f.createdFrom = QDate::currentDate();
    LabelList list(dm->connectionName());
    for (auto _ : state) {
        list.open(labelQueryLines(f, Dialect::Sqlite));
        benchmark::DoNotOptimize(list.count());
    }
    state.counters["rows"] = list.count();
}
BENCHMARK(BM_LabelQuery10000Of1M)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_MainWindowShown(benchmark::State& state) {
    const QString path = workDir->filePath("small.db");
    for (auto _ : state) {
        auto dm = createDataModule([&] {
            DbLocation loc;
            loc.path = path;
            return loc;
        }());
        ScriptedPrompts prompts;
        RecordingPpla printer;
        CheckDatabaseConnection(*dm, prompts);
        TmainBarcode w(*dm, prompts, printer);
        w.show();
        if (!QTest::qWaitForWindowExposed(&w))
            state.SkipWithError("the window was not shown");
        benchmark::DoNotOptimize(w.isVisible());
    }
}
BENCHMARK(BM_MainWindowShown)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    workDir = &dir;
    QDir::setCurrent(dir.path());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
