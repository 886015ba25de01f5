#pragma once

#include "db/Dialect.h"
#include "db/MarkStatement.h"

#include <QStringList>
#include <array>
#include <cstdint>

class ExecQuery;

// SetPrintFlag: marks the three records printed through qryEXEC. When the
// statement fails, raises AppError naming the records that were printed but
// are not marked, and the database's reason.
void SetPrintFlag(ExecQuery& qryEXEC, int64_t id1, int64_t id2, int64_t id3);
