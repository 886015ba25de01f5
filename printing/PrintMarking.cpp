#include "printing/PrintMarking.h"

#include "core/AppError.h"
#include "core/DataModule.h"

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
