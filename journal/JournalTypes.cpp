#include "journal/JournalTypes.h"
#include "journal/JournalSql.h"

#include <QTimeZone>

namespace {

struct StateWord {
    StripState state;
    const char* word;
};

constexpr StateWord kStates[] = {
    {StripState::Sending, "sending"},     {StripState::Sent, "sent"},
    {StripState::Confirmed, "confirmed"}, {StripState::Marked, "marked"},
    {StripState::Failed, "failed"},       {StripState::Uncertain, "uncertain"},
    {StripState::Released, "released"},
};

constexpr const char* kTimeFormat = "yyyy-MM-dd HH:mm:ss.zzz";

} // namespace

QString stateName(StripState state) {
    for (const StateWord& s : kStates)
        if (s.state == state)
            return QString::fromLatin1(s.word);
    return {};
}

std::optional<StripState> stateFromName(const QString& name) {
    for (const StateWord& s : kStates)
        if (name == QLatin1String(s.word))
            return s.state;
    return std::nullopt;
}

QString kindName(EntryKind kind) {
    switch (kind) {
    case EntryKind::List:
        return QStringLiteral("list");
    case EntryKind::HandTyped:
        return QStringLiteral("typed");
    case EntryKind::Reprint:
        return QStringLiteral("reprint");
    case EntryKind::Decision:
        return QStringLiteral("decision");
    }
    return {};
}

EntryKind kindFromName(const QString& name) {
    if (name == QLatin1String("typed"))
        return EntryKind::HandTyped;
    if (name == QLatin1String("reprint"))
        return EntryKind::Reprint;
    if (name == QLatin1String("decision"))
        return EntryKind::Decision;
    return EntryKind::List;
}

QString journalTime(const QDateTime& time) {
    return time.toUTC().toString(QString::fromLatin1(kTimeFormat));
}

QDateTime fromJournalTime(const QString& text) {
    QDateTime t = QDateTime::fromString(text, QString::fromLatin1(kTimeFormat));
    t.setTimeZone(QTimeZone::utc());
    return t.toLocalTime();
}

QString JournalEntry::sha256() const {
    for (auto e = events.crbegin(); e != events.crend(); ++e)
        if (!e->sha256.isEmpty())
            return e->sha256;
    return {};
}

bool JournalEntry::wasConfirmed() const {
    for (const JournalEvent& e : events)
        if (e.state == StripState::Confirmed)
            return true;
    return false;
}
