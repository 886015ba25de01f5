#pragma once

#include "db/Dialect.h"

#include <QStringList>
#include <array>
#include <cstdint>

class ExecQuery;

// The statement that marks the records of one strip printed, with the
// server's time. An empty slot has the id 0.
QStringList printMarkingLines(const std::array<int64_t, 3>& ids);

// SetPrintFlag: marks the three records printed through qryEXEC. When the
// statement fails, raises AppError naming the records that were printed but
// are not marked, and the database's reason.
void SetPrintFlag(ExecQuery& qryEXEC, int64_t id1, int64_t id2, int64_t id3);
