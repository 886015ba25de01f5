// Another program of the plant beside the stations: inserts unprinted labels
// into the embedded database the plain way.
//
//   label_writer DB COUNT FIRST PAUSE_MS [SIZE]
//
// Inserts COUNT unprinted labels VB<FIRST...> of now, of label size SIZE
// (default 30X10), one statement
// each through its own SQLite connection with a busy timeout of 1 s, PAUSE_MS
// apart. Prints "longest_wait_us W" at each new longest insert, then
// "inserted N longest_wait_us W" and exits 0; the first insert
// that fails is printed on stderr and ends it with 1.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() != 5 && a.size() != 6) {
        std::fprintf(stderr, "usage: label_writer DB COUNT FIRST PAUSE_MS [SIZE]\n");
        return 2;
    }
    const int count = a[2].toInt(), first = a[3].toInt(), pauseMs = a[4].toInt();
    const QString size = a.size() == 6 ? a[5] : QStringLiteral("30X10");
    qint64 longestUs = 0;
    {
        QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "writer");
        c.setDatabaseName(a[1]);
        c.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=1000"));
        if (!c.open()) {
            std::fprintf(stderr, "%s\n", qPrintable(c.lastError().text()));
            return 1;
        }
        for (int i = 0; i < count; ++i) {
            QSqlQuery q(c);
            q.prepare(QStringLiteral("INSERT INTO PrintLabel (CreateTime, LabelSize, TitleText, "
                                     "LabelText, Barcode, PrintFlag) VALUES "
                                     "(datetime('now','localtime'), ?, 'T', ?, ?, 0)"));
            const QString text = QStringLiteral("VB%1").arg(first + i, 6, 10, QLatin1Char('0'));
            q.addBindValue(size);
            q.addBindValue(text);
            q.addBindValue(text);
            QElapsedTimer t;
            t.start();
            if (!q.exec()) {
                std::fprintf(stderr, "insert %d: %s\n", i + 1, qPrintable(q.lastError().text()));
                return 1;
            }
            if (t.nsecsElapsed() / 1000 > longestUs) {
                longestUs = t.nsecsElapsed() / 1000;
                // A reader that ends it early still has the longest so far.
                std::printf("longest_wait_us %lld\n", static_cast<long long>(longestUs));
                std::fflush(stdout);
            }
            QThread::msleep(static_cast<unsigned long>(pauseMs));
        }
        c.close();
    }
    QSqlDatabase::removeDatabase("writer");
    std::printf("inserted %d longest_wait_us %lld\n", count, static_cast<long long>(longestUs));
    return 0;
}
