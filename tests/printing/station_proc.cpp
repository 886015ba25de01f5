// A print station without a window, for tests that run several of them on one
// database, and a plain writer of label records beside them.
//
//   station_proc station DB PORT DONE_FILE
//       Like the window's automatic printing: runs the label query (unprinted
//       30X10 labels of today) and prints the list with marking under a claim,
//       to the networked virtual printer on 127.0.0.1:PORT, without printer
//       feedback, until the list comes back empty after DONE_FILE appeared.
//       Prints "strips S elsewhere E claims C longest_hold_us L total_hold_us T".
//   station_proc writer DB COUNT FIRST PAUSE_MS DONE_FILE
//       Inserts COUNT unprinted labels VB<FIRST...> one statement each through
//       a plain SQLite connection with a busy timeout of 1 s, PAUSE_MS apart,
//       then creates DONE_FILE. Prints "inserted N longest_wait_us W".
// Any error is printed on stderr and ends the program with status 1.

#include "core/AppError.h"
#include "core/DataModule.h"
#include "db/DbLocation.h"
#include "db/LabelList.h"
#include "db/LabelQuery.h"
#include "db/StripClaim.h"
#include "printer/PplaPrinter.h"
#include "printing/ListPrinter.h"
#include "printing/PrintProgress.h"
#include "tests/support/StripLayout.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <cstdio>

namespace {

class Quiet : public PrintProgress {
public:
    void begin(int) override {}
    bool advance(int) override { return true; }
    void end() override {}
};

int fail(const QString& why) {
    std::fprintf(stderr, "%s\n", qPrintable(why));
    return 1;
}

int station(const QString& db, quint16 port, const QString& doneFile) {
    DbLocation location;
    location.path = db;
    location.mustExist = true;
    auto dm = createDataModule(location);
    try {
        dm->reopen();
    } catch (const AppError& e) {
        return fail(QStringLiteral("open: ") + e.text());
    }
    auto claim = stripClaimFor(dm->qryEXEC(), dm->conADO());

    PplaPrinterOptions o;
    o.env = [port](const QString& name) {
        if (name == QLatin1String("VORNELL_PRINTER_USB1"))
            return QStringLiteral("tcp:127.0.0.1:%1").arg(port);
        if (name == QLatin1String("VORNELL_PRINTER_USB1_STATUS"))
            return QStringLiteral("off");
        return QString();
    };
    PplaPrinter driver(o);
    const TLabelLayout layout = stripLayout();
    Quiet quiet;

    LabelFilter filter;
    filter.labelSize = QStringLiteral("30X10");
    filter.createdFrom = QDate::currentDate();
    LabelList list(dm->connectionName());
    int strips = 0;
    int elsewhere = 0;
    for (;;) {
        // Seen before the query: a list read after it holds every record.
        const bool writerDone = QFile::exists(doneFile);
        try {
            list.open(labelQueryLines(filter, Dialect::Sqlite));
        } catch (const AppError& e) {
            return fail(QStringLiteral("label query: ") + e.text());
        }
        if (list.isEmpty()) {
            if (writerDone)
                break;
            QThread::msleep(20);
            continue;
        }
        ListPrintContext ctx{list, dm->qryEXEC(), driver, layout, LabelFormat::Barcode, quiet};
        ctx.claim = claim.get();
        const ListPrintResult r = PrintLabelList(ctx);
        if (!r.failure.isEmpty())
            return fail(r.failure);
        strips += r.stripsPrinted;
        elsewhere += r.printedElsewhere;
    }
    list.close();
    const ClaimStats& s = claim->stats();
    std::printf("strips %d elsewhere %d claims %d longest_hold_us %lld total_hold_us %lld\n",
                strips, elsewhere, s.claims, static_cast<long long>(s.longestHoldUs),
                static_cast<long long>(s.totalHoldUs));
    return 0;
}

int writer(const QString& db, int count, int first, int pauseMs, const QString& doneFile) {
    qint64 longestUs = 0;
    {
        QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "writer");
        c.setDatabaseName(db);
        c.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=1000"));
        if (!c.open())
            return fail(c.lastError().text());
        for (int i = 0; i < count; ++i) {
            QSqlQuery q(c);
            q.prepare(QStringLiteral(
                "INSERT INTO PrintLabel (LabelSize, TitleText, LabelText, Barcode, PrintFlag) "
                "VALUES ('30X10', 'T', ?, ?, 0)"));
            const QString text = QStringLiteral("VB%1").arg(first + i, 6, 10, QLatin1Char('0'));
            q.addBindValue(text);
            q.addBindValue(text);
            QElapsedTimer t;
            t.start();
            if (!q.exec())
                return fail(QStringLiteral("insert %1: %2").arg(i + 1).arg(q.lastError().text()));
            longestUs = qMax(longestUs, t.nsecsElapsed() / 1000);
            QThread::msleep(static_cast<unsigned long>(pauseMs));
        }
        c.close();
    }
    QSqlDatabase::removeDatabase("writer");
    QFile done(doneFile);
    if (!done.open(QIODevice::WriteOnly))
        return fail(done.errorString());
    std::printf("inserted %d longest_wait_us %lld\n", count, static_cast<long long>(longestUs));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList a = app.arguments();
    try {
        if (a.size() == 5 && a[1] == QLatin1String("station"))
            return station(a[2], quint16(a[3].toUInt()), a[4]);
        if (a.size() == 7 && a[1] == QLatin1String("writer"))
            return writer(a[2], a[3].toInt(), a[4].toInt(), a[5].toInt(), a[6]);
    } catch (const AppError& e) {
        return fail(e.text());
    }
    return fail(QStringLiteral("usage: station_proc station DB PORT DONE_FILE | writer DB COUNT "
                               "FIRST PAUSE_MS DONE_FILE"));
}
