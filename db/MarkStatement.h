#pragma once

#include <QStringList>
#include <array>
#include <cstdint>

// The statement that marks the records of one strip printed, with the
// server's time (getdate(); the embedded database registers its own). An
// empty slot has the id 0.
inline QStringList printMarkingLines(const std::array<int64_t, 3>& ids) {
    return {QStringLiteral("UPDATE PrintLabel SET PrintFlag=1, PrintTime=getdate() "),
            QStringLiteral("WHERE iden_id in (%1,%2,%3) ").arg(ids[0]).arg(ids[1]).arg(ids[2])};
}
