#pragma once

#include "core/Language.h"
#include "db/Dialect.h"
#include "db/MarkStatement.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

class ExecQuery;

// SetPrintFlag: marks the three records printed through qryEXEC. When the
// statement fails, raises AppError naming the records that were printed but
// are not marked, and the database's reason.
void SetPrintFlag(ExecQuery& qryEXEC, int64_t id1, int64_t id2, int64_t id3);

// What the operator reads when labels came out but their records could not be
// marked printed: the records (0 stands for no record and is left out) and the
// database's reason, e.g. "Labels were printed but could not be marked as
// printed (Iden_id 2, 5). Printing stopped. disk I/O error". Chinese under
// code page 936; the database's reason stays as the database gave it.
QString markingFailedText(const QList<int64_t>& ids, const QString& reason,
                          int32_t codePage = UICodePage);
