#include "printing/PrintMarking.h"

#include "core/AppError.h"
#include "core/DataModule.h"

QString markingFailedText(const QList<int64_t>& ids, const QString& reason, int32_t codePage) {
    QStringList printed;
    for (int64_t id : ids)
        if (id != 0)
            printed << QString::number(id);
    const QString text = codePage == 936
                             ? QStringLiteral(u"标签已打印，但无法标记为已打印（Iden_id %1）。"
                                              u"打印已停止。%2")
                             : QStringLiteral("Labels were printed but could not be marked as "
                                              "printed (Iden_id %1). Printing stopped. %2");
    return text.arg(printed.join(QStringLiteral(", ")), reason);
}

void SetPrintFlag(ExecQuery& qryEXEC, int64_t id1, int64_t id2, int64_t id3) {
    try {
        qryEXEC.run(printMarkingLines({id1, id2, id3}));
    } catch (const AppError& e) {
        throw AppError(markingFailedText({id1, id2, id3}, e.text()));
    }
}
