#include "printing/PrintStation.h"

#include "core/AppError.h"
#include "core/DataModule.h"
#include "journal/PrintJournal.h"
#include "printing/ListPrinter.h"
#include "printing/StripJournal.h"

PrintStation::PrintStation(TDMdata* dm, PplaApi& ppla, PrinterFeedback* feedback,
                           StripJournal* journal, QString name, int32_t codePage)
    : dm_(dm), ppla_(ppla), feedback_(feedback), journal_(journal), codePage_(codePage) {
    settings_.codePage = codePage;
    if (dm_)
        claims_.emplace(dm_->qryEXEC(), dm_->conADO(), std::move(name));
    name_ = claims_ ? claims_->station() : name;
}

RecordClaims& PrintStation::claims() {
    if (!claims_)
        throw AppError(QStringLiteral("This station has no label database to print from"));
    return *claims_;
}

ListPrintResult PrintStation::printList(LabelList& list, const TLabelLayout& layout,
                                        LabelFormat format, PrintProgress& progress, int limit) {
    return PrintLabelList({list, dm_->qryEXEC(), ppla_, layout, format, progress, claims()}, limit,
                          feedback_, settings_, journal_);
}

ListPrintResult PrintStation::printTyped(const std::vector<LabelRow>& strips,
                                         const TLabelLayout& layout, LabelFormat format,
                                         PrintProgress& progress) {
    return printHandTypedList(strips, layout, format, ppla_, progress, feedback_, settings_,
                              journal_);
}

ListPrintResult PrintStation::printStrips(StripSource& strips, const TLabelLayout& layout,
                                          LabelFormat format, PrintProgress& progress) {
    return runStrips(strips, layout, format, ppla_, progress, feedback_, settings_, journal_);
}

ReprintResult PrintStation::reprint(PrintJournal& journal, const JournalEntry& original,
                                    const ReprintRequest& request) {
    return reprintStrip(journal, ppla_, original, request, feedback_, settings_);
}

QList<ClaimedRecord> PrintStation::holdLeftovers() {
    const bool zh = codePage_ == 936;
    claims().holdLeftovers(zh ? QStringLiteral(u"工作站在打印途中停止：可能已打出，也可能没有")
                              : QStringLiteral("the station stopped with the strip in flight: it "
                                               "may or may not have come out"));
    QList<ClaimedRecord> mine;
    for (const ClaimedRecord& c : claims_->all())
        if (c.station == name())
            mine << c;
    return mine;
}

QString PrintStation::leftoversText(const QList<ClaimedRecord>& mine) const {
    if (mine.isEmpty())
        return {};
    QStringList records;
    for (const ClaimedRecord& c : mine)
        records << QStringLiteral("%1 (Iden_id %2)").arg(c.labelText).arg(c.id);
    const bool forgotten = journal_ && journal_->journal() && journal_->journal()->madeAtOpen();
    if (codePage_ == 936)
        return QStringLiteral(
                   u"数据库中有 %1 条记录由工作站 %2 保留，在有人决定之前不会打印%3：%4。"
                   u"请在“未完成的标签条”中选择“标记为已打印”或“重新打印”。")
            .arg(mine.size())
            .arg(name_,
                 forgotten ? QStringLiteral(u"（打印日志缺失或为空，无法说明它们的结果）")
                           : QString(),
                 records.join(QStringLiteral(", ")));
    return QStringLiteral("%1 records of station %2 are held in the database, not printed until "
                          "a person decides%3: %4. Decide in Unfinished strips (Mark printed or "
                          "Print again).")
        .arg(mine.size())
        .arg(name_,
             forgotten ? QStringLiteral(" (the print journal is missing or empty, so it cannot "
                                        "say what became of them)")
                       : QString(),
             records.join(QStringLiteral(", ")));
}
