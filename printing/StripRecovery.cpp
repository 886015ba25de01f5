#include "printing/StripRecovery.h"

#include "core/AppError.h"
#include "db/RecordClaims.h"
#include "journal/PrintJournal.h"
#include "printing/StripJournal.h"

#include <QHash>
#include <QStringList>

namespace {

constexpr int32_t kChinese = 936;

QString u8(const char* text) {
    return QString::fromUtf8(text);
}

} // namespace

QString knownOfStrip(const JournalEntry& e, int32_t codePage) {
    const bool zh = codePage == kChinese;
    switch (e.state()) {
    case StripState::Sending:
        return zh ? u8("发送时程序中断：可能已打出，也可能没有")
                  : QStringLiteral("the station stopped while sending it: it may or may not "
                                   "have come out");
    case StripState::Sent:
        return zh ? u8("已发送，打印机未确认") : QStringLiteral("sent, no confirmation");
    case StripState::Confirmed:
        return zh ? u8("已发送，打印机已确认打出") : QStringLiteral("sent, printer confirmed it");
    case StripState::Uncertain: {
        const QString reason = e.events.last().reason;
        const QString text =
            zh ? u8("发送途中打印机故障") : QStringLiteral("printer fault while in flight");
        return reason.isEmpty() ? text : QStringLiteral("%1: %2").arg(text, reason);
    }
    case StripState::Marked:
    case StripState::Failed:
    case StripState::Released:
        break;
    }
    return stateName(e.state());
}

QList<UnfinishedStrip> unfinishedStrips(const PrintJournal& journal, int32_t codePage) {
    QList<UnfinishedStrip> out;
    for (const JournalEntry& e : journal.unfinished()) {
        UnfinishedStrip s;
        s.entry = e.id;
        s.journaled = e;
        s.known = knownOfStrip(e, codePage);
        QStringList texts;
        for (const JournalRecord& r : e.records)
            texts << r.text;
        s.line = QStringLiteral("%1  %2  %3  -  %4")
                     .arg(e.created.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), e.port,
                          texts.join(QStringLiteral(", ")), s.known);
        out.append(s);
    }
    return out;
}

QList<UnfinishedStrip> unfinishedStrips(const PrintJournal* journal, RecordClaims& claims,
                                        int32_t codePage) {
    QList<UnfinishedStrip> out =
        journal ? unfinishedStrips(*journal, codePage) : QList<UnfinishedStrip>();
    QSet<qint64> listed;
    for (const UnfinishedStrip& s : std::as_const(out))
        for (const JournalRecord& r : s.journaled.records)
            listed.insert(r.idenId);
    // Held records, one line a strip; a strip in flight at a station is
    // that station's business.
    QList<QString> keys;
    QHash<QString, UnfinishedStrip> byKey;
    QHash<QString, QStringList> texts;
    for (const ClaimedRecord& c : claims.all()) {
        if (c.state != QLatin1String("held") || listed.contains(c.id))
            continue;
        if (!byKey.contains(c.strip)) {
            keys << c.strip;
            UnfinishedStrip s;
            s.station = c.station;
            s.known = c.reason;
            s.journaled.created = c.since;
            byKey.insert(c.strip, s);
        }
        byKey[c.strip].ids << c.id;
        texts[c.strip] << c.labelText;
    }
    const bool zh = codePage == kChinese;
    for (const QString& key : std::as_const(keys)) {
        UnfinishedStrip s = byKey.value(key);
        s.texts = texts.value(key);
        s.line = QStringLiteral("%1  %2  %3  -  %4")
                     .arg(s.journaled.created.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                          (zh ? u8("工作站 %1") : QStringLiteral("station %1")).arg(s.station),
                          texts.value(key).join(QStringLiteral(", ")), s.known);
        out << s;
    }
    return out;
}

void markStripsPrinted(PrintJournal& journal, RecordClaims& claims, const QList<qint64>& entries,
                       const QString& note) {
    for (qint64 id : entries) {
        const auto e = journal.entry(id);
        if (!e || !e->undecided)
            continue;
        if (e->kind == EntryKind::List || e->kind == EntryKind::Decision) {
            QList<int64_t> ids;
            for (const JournalRecord& r : e->records)
                ids << r.idenId;
            claims.decide(ids, true);
        }
        journal.note(id, StripState::Marked,
                     note.isEmpty() ? QStringLiteral("marked printed by the operator") : note);
    }
    journal.flush(); // a person's decision is kept through a power cut
}

void releaseStrips(PrintJournal& journal, const QList<qint64>& entries, RecordClaims* claims,
                   const QString& note) {
    for (qint64 id : entries) {
        const auto e = journal.entry(id);
        if (!e || !e->undecided)
            continue;
        if (claims && (e->kind == EntryKind::List || e->kind == EntryKind::Decision)) {
            QList<int64_t> ids;
            for (const JournalRecord& r : e->records)
                ids << r.idenId;
            claims->decide(ids, false);
        }
        journal.note(id, StripState::Released,
                     note.isEmpty() ? QStringLiteral("to be printed again") : note);
    }
    journal.flush();
}

void decideStrips(PrintJournal* journal, RecordClaims& claims, const QList<UnfinishedStrip>& strips,
                  bool markPrinted, const QString& note) {
    QList<qint64> entries;
    for (const UnfinishedStrip& s : strips) {
        if (s.entry != 0) {
            entries << s.entry;
        } else if (!journal) {
            claims.decide(QList<int64_t>(s.ids.begin(), s.ids.end()), markPrinted);
        } else {
            // A strip only the database held: the decision is journaled as an
            // entry of its own, written before the database changes, so that
            // a decision cut short is listed again.
            NewStrip decision;
            decision.kind = EntryKind::Decision;
            decision.port = s.journaled.port;
            for (int i = 0; i < s.ids.size(); ++i)
                decision.records.append({s.ids[i], s.texts.value(i)});
            entries << journal->begin(decision);
        }
    }
    if (entries.isEmpty() || !journal)
        return;
    if (markPrinted)
        markStripsPrinted(*journal, claims, entries, note);
    else
        releaseStrips(*journal, entries, &claims, note);
}

QString heldRecordsText(int count, int32_t codePage) {
    if (count <= 0)
        return {};
    if (codePage == kChinese)
        return u8("%1 条记录待确认（未完成的标签条）").arg(count);
    return count == 1 ? QStringLiteral("1 record held: see Unfinished strips")
                      : QStringLiteral("%1 records held: see Unfinished strips").arg(count);
}

QString journalStatusText(const StripJournal& journal, int32_t codePage) {
    try {
        return heldRecordsText(int(journal.held().size()), codePage);
    } catch (const AppError& e) {
        return e.text();
    }
}

QString heldStatusText(const StripJournal* journal, RecordClaims& claims, int32_t codePage) {
    try {
        QSet<qint64> held = journal ? journal->held() : QSet<qint64>();
        for (const ClaimedRecord& c : claims.all())
            if (c.state == QLatin1String("held"))
                held.insert(c.id);
        return heldRecordsText(int(held.size()), codePage);
    } catch (const AppError& e) {
        return e.text();
    }
}
