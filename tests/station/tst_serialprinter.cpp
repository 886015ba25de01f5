#include "StationProcess.h"

#include <QTemporaryDir>

#include <atomic>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

// The shipped vornell printing to a serial printer: a pseudo-terminal pair
// stands in for the line, the test for the printer at its far end. The port
// is set up as configured, and with feedback on the strip counts only once
// the printer was seen busy with it and then idle.

namespace {

// A printer on the master side: answers every <SOH>A, busy once after each
// format it received (its end "E" line), idle otherwise.
class PtyPrinter {
public:
    PtyPrinter() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
            qFatal("no pseudo terminal");
        path_ = QString::fromLocal8Bit(::ptsname(master_));
        // Held open so that the line's settings outlive the station's use.
        slave_ = ::open(::ptsname(master_), O_RDWR | O_NOCTTY | O_CLOEXEC);
        thread_ = std::thread([this] { run(); });
    }
    ~PtyPrinter() {
        stop_ = true;
        thread_.join();
        ::close(slave_);
        ::close(master_);
    }
    const QString& path() const { return path_; }
    int slave() const { return slave_; }
    int formats() const { return formats_; }
    int answers() const { return answers_; }

private:
    void run() {
        QByteArray seen;
        bool owesBusy = false;
        while (!stop_) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN))
                continue;
            char buf[4096];
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0)
                continue;
            for (ssize_t i = 0; i < n; ++i) {
                seen += buf[i];
                if (seen.endsWith("\rE\r") || seen.endsWith("\nE\r")) {
                    ++formats_;
                    owesBusy = true;
                }
                if (seen.endsWith("\x01"
                                  "A")) {
                    const char* answer = owesBusy ? "NNNNYNNN\r" : "NNNNNNNN\r";
                    owesBusy = false;
                    ++answers_;
                    (void)!::write(master_, answer, 9);
                }
            }
            if (seen.size() > 8)
                seen = seen.right(8);
        }
    }

    int master_ = -1;
    int slave_ = -1;
    QString path_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> formats_{0};
    std::atomic<int> answers_{0};
};

} // namespace

class TestSerialPrinter : public QObject {
    Q_OBJECT
private slots:
    void printsConfirmedOverTheLine() {
        QTemporaryDir dir;
        writeStationLayout(dir.path());
        QFile list(dir.filePath("list.txt"));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("SR000001\nSR000002\nSR000003\nSR000004\n");
        list.close();
        PtyPrinter printer;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VORNELL_PRINTER_USB1", "serial:" + printer.path() + ":19200,8N2,rtscts");
        env.insert("VORNELL_PRINTER_USB1_STATUS", "on");
        env.insert("VORNELL_JOURNAL", dir.filePath("journal.db"));
        Child p(VORNELL, {"print-list", list.fileName()}, env, dir.path());
        QVERIFY2(p.finish() == 0, qPrintable(p.out() + p.err()));
        QVERIFY2(p.out().contains("print-list: 2 strips printed to USB1"), qPrintable(p.out()));
        QCOMPARE(printer.formats(), 2);
        QVERIFY(printer.answers() >= 4);

        termios t{};
        QVERIFY(::tcgetattr(printer.slave(), &t) == 0);
        QCOMPARE(::cfgetospeed(&t), speed_t(B19200));
        // A pseudo-terminal keeps no parity and no data bits but 8 (glibc
        // refuses them there), so those are left to a real line.
        QCOMPARE(t.c_cflag & (CSIZE | CSTOPB), tcflag_t(CS8 | CSTOPB));
        QVERIFY(t.c_cflag & CRTSCTS);
        QCOMPARE(t.c_iflag & (IXON | IXOFF), tcflag_t(0));
        QCOMPARE(t.c_lflag & (ICANON | ECHO), tcflag_t(0));

        // The history keeps what proves each strip.
        Child history(VORNELL, {"history", "--json"}, env, dir.path());
        QCOMPARE(history.finish(), 0);
        QCOMPARE(history.out().count("\"evidence\": \"confirmed\""), 2);
    }
};

QTEST_GUILESS_MAIN(TestSerialPrinter)
#include "tst_serialprinter.moc"
