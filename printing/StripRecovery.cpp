#include "printing/StripRecovery.h"

#include "core/AppError.h"
#include "journal/PrintJournal.h"
#include "printing/PrintMarking.h"
#include "printing/StripJournal.h"

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

void markStripsPrinted(PrintJournal& journal, ExecQuery& qryEXEC, const QList<qint64>& entries) {
    for (qint64 id : entries) {
        const auto e = journal.entry(id);
        if (!e || !e->undecided)
            continue;
        if (e->kind == EntryKind::List) {
            std::array<int64_t, 3> ids{0, 0, 0};
            for (qsizetype i = 0; i < e->records.size() && i < 3; ++i)
                ids[size_t(i)] = e->records[i].idenId;
            SetPrintFlag(qryEXEC, ids[0], ids[1], ids[2]);
        }
        journal.note(id, StripState::Marked, QStringLiteral("marked printed by the operator"));
    }
    journal.flush(); // a person's decision is kept through a power cut
}

void releaseStrips(PrintJournal& journal, const QList<qint64>& entries) {
    for (qint64 id : entries) {
        const auto e = journal.entry(id);
        if (!e || !e->undecided)
            continue;
        journal.note(id, StripState::Released, QStringLiteral("to be printed again"));
    }
    journal.flush();
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
