#include "printing/PrintMarking.h"

#include "core/AppError.h"
#include "core/DataModule.h"

QStringList printMarkingLines(const std::array<int64_t, 3>& ids) {
    // getdate() is the server's clock; the embedded database registers its own.
    return {QStringLiteral("UPDATE PrintLabel SET PrintFlag=1, PrintTime=getdate() "),
            QStringLiteral("WHERE iden_id in (%1,%2,%3) ").arg(ids[0]).arg(ids[1]).arg(ids[2])};
}

void SetPrintFlag(ExecQuery& qryEXEC, int64_t id1, int64_t id2, int64_t id3) {
    try {
        qryEXEC.run(printMarkingLines({id1, id2, id3}));
    } catch (const AppError& e) {
        QStringList printed;
        for (int64_t id : {id1, id2, id3})
            if (id != 0)
                printed << QString::number(id);
        throw AppError(QStringLiteral("Labels were printed but could not be marked as printed "
                                      "(Iden_id %1). Printing stopped. %2")
                           .arg(printed.join(QStringLiteral(", ")), e.text()));
    }
}
