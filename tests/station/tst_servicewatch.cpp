#include "StationProcess.h"
#include "tests/support/TestDatabase.h"

#include <QDate>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// vornell auto as systemd runs it (Type=notify, WatchdogSec=): READY=1 after
// its checks at start, WATCHDOG=1 from the print loop, which stop while the
// loop is stuck on a printer that takes no bytes and resume once the run has
// given up on it; STATUS= and the metrics file say what the runs did.

namespace {

// The service manager's end of NOTIFY_SOCKET.
struct NotifySocket {
    int fd = -1;
    QString path;
    QList<QPair<qint64, QByteArray>> messages; // ms since start, text
    QElapsedTimer clock;

    explicit NotifySocket(const QString& dir) : path(dir + "/notify") {
        fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        qstrncpy(a.sun_path, QFile::encodeName(path).constData(), sizeof a.sun_path);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
            qFatal("bind %s", qPrintable(path));
        clock.start();
    }
    ~NotifySocket() { ::close(fd); }
    void drain() {
        char buf[4096];
        for (ssize_t n; (n = ::recv(fd, buf, sizeof buf, 0)) > 0;)
            messages.append({clock.elapsed(), QByteArray(buf, int(n))});
    }
    QList<qint64> pings() const {
        QList<qint64> at;
        for (const auto& [ms, text] : messages)
            if (text == "WATCHDOG=1")
                at << ms;
        return at;
    }
};

// A printer that takes a few kilobytes and then nothing: a listener with a
// tiny receive buffer that never accepts or reads.
struct StuckPrinter {
    int fd = -1;
    quint16 port = 0;
    StuckPrinter() {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int small = 1024;
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&a), len) != 0 || ::listen(fd, 4) != 0 ||
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            qFatal("stuck printer");
        port = ntohs(a.sin_port);
    }
    ~StuckPrinter() { ::close(fd); }
};

} // namespace

class TestServiceWatch : public QObject {
    Q_OBJECT
private slots:
    void watchdogFollowsThePrintLoop() {
        QTemporaryDir dir;
        writeStationLayout(dir.path());
        const QString db = dir.filePath("labels.db");
        {
            auto dm = openEmbedded(db);
            const QString today = QDate::currentDate().toString("yyyy-MM-dd") + " 08:00:00";
            for (int i = 1; i <= 150; ++i)
                addLabel(dm->conADO(), today, QString("WD%1").arg(i, 6, 10, QChar('0')));
        }
        NotifySocket notify(dir.path());
        StuckPrinter printer;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VORNELL_DB", "sqlite:" + db);
        env.insert("VORNELL_PRINTER_USB1", QString("tcp:127.0.0.1:%1").arg(printer.port));
        env.insert("VORNELL_PRINTER_USB1_STATUS", "off");
        env.insert("VORNELL_AUTO_INTERVAL_MS", "3000");
        env.insert("VORNELL_METRICS_FILE", dir.filePath("vornell.prom"));
        env.insert("NOTIFY_SOCKET", notify.path);
        env.insert("WATCHDOG_USEC", "1000000");
        Child station(VORNELL, {"auto"}, env, dir.path());

        // The first run gives up on the printer (the port's 10 s limit); the
        // loop then waits for the next run and pings again.
        const QRegularExpression ended("run 1: .*ended: ");
        QDeadlineTimer until(60000);
        while (!station.waitFor(ended, 100)) {
            notify.drain();
            QVERIFY2(!until.hasExpired(), qPrintable(station.out() + station.err()));
        }
        for (QDeadlineTimer settle(1500); !settle.hasExpired(); QTest::qWait(50))
            notify.drain();
        station.signal(SIGTERM);
        QCOMPARE(station.finish(), 0);
        notify.drain();

        QVERIFY(!notify.messages.isEmpty());
        QVERIFY2(notify.messages.first().second.startsWith("READY=1\nSTATUS=station "),
                 notify.messages.first().second.constData());
        const QList<qint64> pings = notify.pings();
        qint64 longestGap = 0;
        qsizetype gapEnd = 0;
        for (qsizetype i = 1; i < pings.size(); ++i)
            if (pings[i] - pings[i - 1] > longestGap) {
                longestGap = pings[i] - pings[i - 1];
                gapEnd = i;
            }
        // Silent while the write hung (about 10 s), alive again after it.
        QVERIFY2(longestGap >= 8000, qPrintable(QString::number(longestGap)));
        QVERIFY2(pings.size() - gapEnd >= 3, qPrintable(QString::number(pings.size() - gapEnd)));
        bool statusSaysFailed = false;
        for (const auto& m : std::as_const(notify.messages))
            statusSaysFailed |=
                m.second.startsWith("STATUS=run 1 at ") && m.second.contains("ended on an error");
        QVERIFY(statusSaysFailed);

        QFile metrics(dir.filePath("vornell.prom"));
        QVERIFY(metrics.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(metrics.readAll());
        QVERIFY2(text.contains(QRegularExpression(
                     "\nvornell_runs_failed_total\\{station=\"[^\"]+\",port=\"USB1\"\\} 1\n")),
                 qPrintable(text));
        QVERIFY2(text.contains(QRegularExpression("\nvornell_printer_ready\\{[^}]*\\} 0\n")),
                 qPrintable(text));
    }
};

QTEST_GUILESS_MAIN(TestServiceWatch)
#include "tst_servicewatch.moc"
