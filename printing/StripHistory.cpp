#include "printing/StripHistory.h"

#include "journal/JournalLocation.h"
#include "journal/PrintJournal.h"
#include "printing/StripPlan.h"
#include "printing/StripPlanRead.h"
#include "printing/StripPreviewer.h"

#include <QStringList>

namespace {

constexpr int32_t kChinese = 936;

QString u8(const char* text) {
    return QString::fromUtf8(text);
}

} // namespace

std::unique_ptr<PrintJournal> openHistoryJournal(const QProcessEnvironment& env,
                                                 const QString& dir) {
    auto journal = std::make_unique<PrintJournal>();
    journal->open(journalPath(env, dir), journalKeepDays(env));
    return journal;
}

JournalFilter historyFilter(const HistorySearch& search) {
    JournalFilter f;
    f.textPart = search.textPart.trimmed();
    if (search.from.isValid())
        f.from = search.from.startOfDay();
    if (search.to.isValid())
        f.to = search.to.addDays(1).startOfDay();
    f.state = search.state;
    return f;
}

QList<JournalEntry> findStrips(const PrintJournal& journal, const HistorySearch& search) {
    return journal.entries(historyFilter(search));
}

QList<StripState> historyStates() {
    return {StripState::Sending, StripState::Sent,      StripState::Confirmed, StripState::Marked,
            StripState::Failed,  StripState::Uncertain, StripState::Released};
}

QString stateText(StripState state, int32_t codePage) {
    if (codePage != kChinese)
        return stateName(state);
    switch (state) {
    case StripState::Sending:
        return u8("发送中");
    case StripState::Sent:
        return u8("已发送");
    case StripState::Confirmed:
        return u8("已确认");
    case StripState::Marked:
        return u8("已标记");
    case StripState::Failed:
        return u8("失败");
    case StripState::Uncertain:
        return u8("不确定");
    case StripState::Released:
        return u8("待重打");
    }
    return stateName(state);
}

QString kindText(EntryKind kind, int32_t codePage) {
    if (codePage != kChinese)
        return kindName(kind);
    switch (kind) {
    case EntryKind::List:
        return u8("列表");
    case EntryKind::HandTyped:
        return u8("手动");
    case EntryKind::Reprint:
        return u8("重打");
    case EntryKind::Decision:
        return u8("决定");
    }
    return kindName(kind);
}

QString evidenceText(const QString& evidence, int32_t codePage) {
    const bool zh = codePage == kChinese;
    if (evidence == QLatin1String("confirmed"))
        return zh ? u8("打印机已确认") : QStringLiteral("confirmed by the printer");
    if (evidence == QLatin1String("delivered"))
        return zh ? u8("端口已接收，未确认") : QStringLiteral("taken by the port, not confirmed");
    if (evidence == QLatin1String("network"))
        return zh ? u8("仅有网络确认") : QStringLiteral("network acknowledgement only");
    return evidence;
}

QString anyStateText(int32_t codePage) {
    return codePage == kChinese ? u8("任意") : QStringLiteral("any");
}

HistoryLine historyLine(const JournalEntry& e, int32_t codePage) {
    HistoryLine line;
    line.time = e.created.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    line.kind = kindText(e.kind, codePage);
    line.port = e.port;
    QStringList texts;
    for (const JournalRecord& r : e.records)
        texts << r.text;
    line.labels = texts.join(QStringLiteral(", "));
    line.state = stateText(e.state(), codePage);
    line.evidence = evidenceText(e.evidence, codePage);
    line.reason = e.reprintReason;
    for (qsizetype i = e.events.size() - 1; line.reason.isEmpty() && i >= 0; --i)
        line.reason = e.events[i].reason;
    return line;
}

StripPlan journaledPlan(const JournalEntry& entry) {
    return stripPlanFromJson(entry.planJson.toUtf8());
}

QList<ReprintChoice> reprintChoices(const JournalEntry& entry, int32_t codePage) {
    if (entry.kind == EntryKind::Decision)
        return {}; // nothing was printed
    const bool zh = codePage == kChinese;
    QList<ReprintChoice> choices{{zh ? u8("整条") : QStringLiteral("Whole strip"), -1}};
    const StripPlan plan = journaledPlan(entry);
    for (int c = 0; c < int(plan.row.labels.size()); ++c) {
        const QString& text = plan.row.labels[size_t(c)].text;
        if (!text.isEmpty())
            choices.append(
                {(zh ? u8("第%1列: %2") : QStringLiteral("Label %1: %2")).arg(c + 1).arg(text), c});
    }
    return choices;
}

StripPreviewResult journaledPicture(StripPreviewer& previewer, const JournalEntry& entry) {
    return previewer.render(journaledPlan(entry));
}
