#include "tests/soak/SoakStation.h"
#include "tests/soak/SoakTally.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

namespace {

QString readText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// vornell auto as a child process, its output in the log.
class ChildStation : public SoakStation {
public:
    ChildStation(SoakStationSetup setup, QString program)
        : s_(std::move(setup)), program_(std::move(program)) {}
    ~ChildStation() override {
        if (proc_.state() != QProcess::NotRunning) {
            proc_.kill();
            proc_.waitForFinished(5000);
        }
    }

    QString describe() const override {
        return QStringLiteral("vornell auto (%1), a child process").arg(program_);
    }

    bool start(QString* error) override {
        QProcessEnvironment env = s_.env;
        env.insert(QStringLiteral("VORNELL_AUTO_INTERVAL_MS"), QString::number(s_.intervalMs));
        proc_.setProgram(program_);
        proc_.setArguments(
            {QStringLiteral("auto"), QStringLiteral("--label-size"), QStringLiteral("30X10")});
        proc_.setWorkingDirectory(s_.dir);
        proc_.setProcessEnvironment(env);
        proc_.setProcessChannelMode(QProcess::MergedChannels);
        proc_.setStandardOutputFile(s_.logPath, QIODevice::Append);
        proc_.start();
        if (!proc_.waitForStarted(10000)) {
            *error = proc_.errorString();
            return false;
        }
        // Its first line says how often it prints.
        static const QRegularExpression every(QStringLiteral("every ([0-9.]+) s"));
        for (int waited = 0; waited < 60000; waited += 100) {
            const QRegularExpressionMatch m = every.match(readText(s_.logPath));
            if (m.hasMatch()) {
                const int ms = qRound(m.captured(1).toDouble() * 1000);
                if (ms == s_.intervalMs)
                    return true;
                *error = QStringLiteral("vornell auto prints every %1 s whatever "
                                        "VORNELL_AUTO_INTERVAL_MS says")
                             .arg(m.captured(1));
                stop();
                return false;
            }
            if (proc_.waitForFinished(100)) {
                *error = QStringLiteral("vornell auto ended at once: %1").arg(exitText());
                return false;
            }
        }
        *error = QStringLiteral("vornell auto said nothing within 60 s");
        stop();
        return false;
    }

    bool runUntil(Clock::time_point deadline, QString* error) override {
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count();
            if (left <= 0)
                return true;
            if (proc_.waitForFinished(int(std::min<qint64>(left, 500)))) {
                *error = QStringLiteral("vornell auto ended by itself: %1").arg(exitText());
                return false;
            }
        }
    }

    QString stop() override {
        if (proc_.state() == QProcess::NotRunning)
            return exitText();
        proc_.terminate(); // SIGTERM
        if (!proc_.waitForFinished(15000)) {
            proc_.kill();
            proc_.waitForFinished(5000);
            return QStringLiteral("did not end within 15 s of SIGTERM: killed");
        }
        return exitText();
    }

    qint64 pid() const override { return proc_.processId(); }

    QSet<qint64> heldFromLog() const override { return heldIdsInLog(readText(s_.logPath)); }

private:
    QString exitText() const {
        if (proc_.exitStatus() == QProcess::CrashExit)
            return QStringLiteral("crashed");
        return QStringLiteral("exit code %1").arg(proc_.exitCode());
    }

    SoakStationSetup s_;
    QString program_;
    QProcess proc_;
};

} // namespace

std::unique_ptr<SoakStation> childStation(const SoakStationSetup& setup, const QString& program) {
    return std::make_unique<ChildStation>(setup, program);
}

std::unique_ptr<SoakStation> chooseStation(const SoakStationSetup& setup,
                                           const QString& vornellPath, bool forceInProcess,
                                           QString* why) {
    if (forceInProcess) {
        *why = QStringLiteral("in process, as asked");
        return inProcessStation(setup);
    }
    QProcess help;
    help.setProcessEnvironment(setup.env);
    help.start(vornellPath, {QStringLiteral("--help")});
    const bool ran = help.waitForFinished(30000) && help.exitStatus() == QProcess::NormalExit;
    const QString text = QString::fromUtf8(help.readAllStandardOutput());
    static const QRegularExpression offers(QStringLiteral("(^|\\n)\\s+auto\\s"));
    if (ran && offers.match(text).hasMatch()) {
        *why = QStringLiteral("vornell auto: %1 offers it").arg(vornellPath);
        return childStation(setup, vornellPath);
    }
    *why = QStringLiteral("in process: %1 has no auto command").arg(vornellPath);
    return inProcessStation(setup);
}
