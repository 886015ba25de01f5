#include "printing/StripJournal.h"

#include "core/AppError.h"
#include "journal/JournalLocation.h"
#include "journal/PrintJournal.h"
#include "printer/PortConfig.h"
#include "printing/PortDevice.h"
#include "printing/StripPlan.h"
#include "printing/StripPlanJson.h"

#include <QCryptographicHash>

StripJournal::StripJournal(PrintJournal& journal, QString database)
    : journal_(&journal), database_(std::move(database)) {}

StripJournal::StripJournal(const QString& path, int keepDays, QString database)
    : owned_(std::make_unique<PrintJournal>()), database_(std::move(database)) {
    try {
        owned_->open(path, keepDays);
        journal_ = owned_.get();
    } catch (const AppError& e) {
        failure_ = e.text();
        owned_.reset();
    }
}

StripJournal::~StripJournal() = default;

std::unique_ptr<StripJournal> StripJournal::forStation(const QProcessEnvironment& env,
                                                       const QString& settingsDir,
                                                       const QString& database) {
    const QString path = journalPath(env, settingsDir);
    int days = 0;
    try {
        days = journalKeepDays(env);
    } catch (const AppError& e) {
        std::unique_ptr<StripJournal> unusable(new StripJournal());
        unusable->failure_ =
            QStringLiteral("Print journal %1: %2. Nothing is printed until it is set right.")
                .arg(path, e.text());
        return unusable;
    }
    return std::make_unique<StripJournal>(path, days, database);
}

void StripJournal::check() const {
    if (!failure_.isEmpty())
        throw AppError(failure_);
}

QSet<qint64> StripJournal::held() const {
    check();
    return journal_->heldIds();
}

bool StripJournal::hasRecords(const LabelRow& row) {
    for (const LabelSlot& slot : row.labels)
        if (slot.id != 0)
            return true;
    return false;
}

void StripJournal::beginRun(const QString& portName) {
    check();
    port_ = portName;
    device_ = portDevice(portName, PortConfig());
}

qint64 StripJournal::sending(const StripPlan& plan) {
    check();
    NewStrip s;
    s.kind = hasRecords(plan.row) ? EntryKind::List : EntryKind::HandTyped;
    s.port = port_.isEmpty() ? plan.portName : port_;
    s.device = device_;
    s.database = s.kind == EntryKind::List ? database_ : QString();
    s.planJson = QString::fromUtf8(stripPlanJson(plan));
    for (const LabelSlot& slot : plan.row.labels)
        if (slot.id != 0 || !slot.text.isEmpty())
            s.records.append({slot.id, slot.text});
    return journal_->begin(s);
}

void StripJournal::sent(qint64 entry, const QByteArray& bytes, const QString& evidence) {
    const QString hash =
        bytes.isEmpty() ? QString()
                        : QString::fromLatin1(
                              QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    journal_->note(entry, StripState::Sent, {}, hash, evidence);
}

void StripJournal::note(qint64 entry, StripState state, const QString& reason,
                        const QString& evidence) {
    journal_->note(entry, state, reason, {}, evidence);
}

bool StripJournal::portAnswered() const {
    return journal_ && journal_->hasAnswered(device_);
}

void StripJournal::notePortAnswered() {
    if (journal_)
        journal_->noteAnswered(device_);
}

void StripJournal::endRun() {
    if (journal_)
        journal_->flush();
}
