#include "db/DbDescription.h"

#include "db/DbLocation.h"

#include <QFileInfo>

namespace {
const QString kEmbedded = QStringLiteral("embedded ");
} // namespace

QString describeDbLocation(const DbLocation& location) {
    if (location.kind == DbLocation::Kind::Embedded)
        return kEmbedded + QFileInfo(location.path).absoluteFilePath();
    return QStringLiteral("SQL Server %1,%2 (TovikCust)").arg(location.host).arg(location.port);
}

QString dbDescriptionForOperator(const QString& description, int32_t codePage) {
    if (codePage == 936 && description.startsWith(kEmbedded))
        return QStringLiteral(u"嵌入式 ") + description.mid(kEmbedded.size());
    return description;
}
