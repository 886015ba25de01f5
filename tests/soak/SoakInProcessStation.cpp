#include "tests/soak/SoakStation.h"

#include "core/AppError.h"
#include "core/DataModule.h"
#include "db/DbLocation.h"
#include "db/Dialect.h"
#include "db/LabelList.h"
#include "db/LabelQuery.h"
#include "printer/PplaPrinter.h"
#include "printing/ListPrinter.h"
#include "printing/PrintProgress.h"
#include "printing/StripJournal.h"
#include "settings/SettingsLoad.h"
#include "settings/uBarcode.h"
#include "tests/support/StationRun.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>

#include <thread>

namespace {

// The unattended station's loop, run here: every interval the label query
// (30X10, unprinted, created today or later, records held in the journal
// passed over) and PrintLabelList with printer feedback and the journal.
class InProcessStation : public SoakStation {
public:
    explicit InProcessStation(SoakStationSetup setup) : s_(std::move(setup)) {}

    QString describe() const override {
        return QStringLiteral("the print loop in process, every %1 ms%2")
            .arg(s_.intervalMs)
            .arg(s_.journal ? QString() : QStringLiteral(", without the journal"));
    }

    bool start(QString* error) override {
        // The ports, the database and the journal are read from the
        // process's environment, the layout from the working directory.
        for (const QString& key : s_.env.keys())
            if (key.startsWith(QLatin1String("VORNELL_")))
                qputenv(key.toUtf8().constData(), s_.env.value(key).toUtf8());
        QDir::setCurrent(s_.dir);
        log_.setFileName(s_.logPath);
        if (!log_.open(QIODevice::Append | QIODevice::Text)) {
            *error = log_.errorString();
            return false;
        }
        try {
            const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            dm_ = createDataModule(resolveDbLocation(env));
            dm_->reopen();
            WindowGeometry geometry;
            loadSettings(layout_, geometry);
            printer_ = std::make_unique<PplaPrinter>();
            if (s_.journal) {
                journal_ = StripJournal::forStation(env, s_.dir, env.value("VORNELL_DB"));
                journal_->check();
            }
        } catch (const AppError& e) {
            *error = e.text();
            return false;
        }
        return true;
    }

    bool runUntil(Clock::time_point deadline, QString*) override {
        while (Clock::now() < deadline) {
            const auto next = Clock::now() + std::chrono::milliseconds(s_.intervalMs);
            runOnce();
            std::this_thread::sleep_until(std::min(next, deadline));
        }
        return true;
    }

    QString stop() override { return QStringLiteral("ended in process"); }
    qint64 pid() const override { return QCoreApplication::applicationPid(); }
    QSet<qint64> heldFromLog() const override { return held_; }

private:
    void say(const QString& line) {
        log_.write((QDateTime::currentDateTime().toString(Qt::ISODateWithMs) + QLatin1Char(' ') +
                    line + QLatin1Char('\n'))
                       .toUtf8());
        log_.flush();
    }

    void runOnce() {
        const int run = ++runs_;
        int listed = 0;
        ListPrintResult result;
        try {
            if (reopen_) {
                dm_->reopen();
                reopen_ = false;
            }
            LabelFilter filter;
            filter.labelSize = QStringLiteral("30X10");
            filter.createdFrom = QDate::currentDate();
            filter.toPrint = true;
            LabelList list(dm_->connectionName());
            try {
                list.open(labelQueryLines(filter, dialectOf(dm_->conADO())));
            } catch (const AppError&) {
                reopen_ = true;
                throw;
            }
            listed = list.count();
            if (listed == 0)
                return;
            SilentProgress progress;
            result = printListVia(*dm_, list, *printer_, layout_, LabelFormat::Barcode, progress,
                                  -1, printer_.get(), FeedbackSettings{}, journal_.get());
        } catch (const AppError& e) {
            result.failure = e.text();
        }
        for (const UncertainStrip& u : std::as_const(result.uncertain))
            for (const LabelSlot& slot : u.row.labels)
                if (slot.id != 0)
                    held_.insert(slot.id);
        QString line = QStringLiteral("run %1: %2 listed, %3 strips printed and marked")
                           .arg(run)
                           .arg(listed)
                           .arg(result.stripsPrinted);
        if (!result.uncertain.isEmpty())
            line += QStringLiteral("; held, not known whether they came out: ") +
                    uncertainRecords(result.uncertain);
        if (!result.failure.isEmpty())
            line += QStringLiteral("; ended: ") + result.failure;
        say(line);
    }

    SoakStationSetup s_;
    QFile log_;
    std::unique_ptr<TDMdata> dm_;
    TLabelLayout layout_;
    std::unique_ptr<PplaPrinter> printer_;
    std::unique_ptr<StripJournal> journal_;
    QSet<qint64> held_;
    int runs_ = 0;
    bool reopen_ = false;
};

} // namespace

std::unique_ptr<SoakStation> inProcessStation(const SoakStationSetup& setup) {
    return std::make_unique<InProcessStation>(setup);
}
