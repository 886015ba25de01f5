#pragma once

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>

#include <csignal>

// The vornell program and the networked virtual printer run as processes,
// for the command line's tests.

// A layout whose three columns sit on their own labels, printing to USB1.
inline void writeStationLayout(const QString& dir, const QString& port = "USB1") {
    QFile f(QDir(dir).filePath("Quillet.ini"));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QByteArray ini = "[mainBarcode]\n_iprinter=" + port.toUtf8() +
                     "\n_ftype_name=Times New Roman\n_fBellow=400 standard\n";
    const int left[3] = {30, 270, 510};
    for (int c = 1; c <= 3; ++c)
        for (const auto& [key, value] : {std::pair{"_bleft", left[c - 1]},
                                         {"_btop", 30},
                                         {"_bwidth", 1},
                                         {"_bhight", 30},
                                         {"_fleft", left[c - 1]},
                                         {"_ftop", 18},
                                         {"_fhight", 30}})
            ini += QByteArray(key) + QByteArray::number(c) + '=' + QByteArray::number(value) + '\n';
    QVERIFY(f.write(ini) == ini.size());
}

// A local TCP port nothing listens on (yet).
inline quint16 closedPort() {
    QTcpServer s;
    if (!s.listen(QHostAddress::LocalHost, 0))
        qFatal("closedPort: %s", qPrintable(s.errorString()));
    return s.serverPort();
}

// A running program whose output is collected as it comes.
class Child {
public:
    // errorsTo (when given) takes standard error instead of the pipe: a
    // program that talks on for long would otherwise fill it and stop.
    Child(const QString& program, const QStringList& args, const QProcessEnvironment& env,
          const QString& workDir, const QString& errorsTo = {}) {
        if (!errorsTo.isEmpty())
            p_.setStandardErrorFile(errorsTo);
        p_.setProgram(program);
        p_.setArguments(args);
        p_.setProcessEnvironment(env);
        p_.setWorkingDirectory(workDir);
        p_.start();
    }
    ~Child() {
        if (p_.state() != QProcess::NotRunning) {
            p_.kill();
            p_.waitForFinished(10000);
        }
    }
    QProcess& process() { return p_; }
    // Waits until standard output or standard error holds a line matching
    // re; false when the program ended or the time ran out first.
    bool waitFor(const QRegularExpression& re, int ms = 120000) {
        const QDeadlineTimer until(ms);
        for (;;) {
            out_ += p_.readAllStandardOutput();
            err_ += p_.readAllStandardError();
            if (re.match(QString::fromUtf8(out_)).hasMatch() ||
                re.match(QString::fromUtf8(err_)).hasMatch())
                return true;
            if (until.hasExpired() || p_.state() == QProcess::NotRunning)
                return false;
            p_.waitForReadyRead(100);
        }
    }
    void signal(int sig) { ::kill(pid_t(p_.processId()), sig); }
    // Waits for the end; the exit code, -1 when it crashed or did not end.
    int finish(int ms = 60000) {
        if (!p_.waitForFinished(ms) || p_.exitStatus() != QProcess::NormalExit)
            return -1;
        out_ += p_.readAllStandardOutput();
        err_ += p_.readAllStandardError();
        return p_.exitCode();
    }
    QString out() const { return QString::fromUtf8(out_); }
    QString err() const { return QString::fromUtf8(err_); }

private:
    QProcess p_;
    QByteArray out_;
    QByteArray err_;
};

// vornell-virtual-printer listening on a port of its own (or the one given),
// saving its strips in outDir (empty: only counting them).
class VirtualPrinterProcess {
public:
    VirtualPrinterProcess(const QString& outDir, QStringList extra = {}, quint16 port = 0)
        : child_(VORNELL_VIRTUAL_PRINTER,
                 QStringList{"--listen", QStringLiteral("127.0.0.1:%1").arg(port)}
                     << (outDir.isEmpty() ? QStringList() : QStringList{"--out", outDir}) << extra,
                 QProcessEnvironment::systemEnvironment(),
                 outDir.isEmpty() ? QDir::tempPath() : outDir, QProcess::nullDevice()) {
        if (child_.waitFor(QRegularExpression("listening on 127\\.0\\.0\\.1:(\\d+)"), 30000)) {
            const auto m =
                QRegularExpression("listening on 127\\.0\\.0\\.1:(\\d+)").match(child_.out());
            port_ = quint16(m.captured(1).toUInt());
        }
    }
    quint16 port() const { return port_; }
    QString target() const { return QStringLiteral("tcp:127.0.0.1:%1").arg(port_); }
    // Ends it; its strips are all saved by then.
    void stop() {
        child_.signal(SIGTERM);
        child_.finish();
    }

private:
    Child child_;
    quint16 port_ = 0;
};
