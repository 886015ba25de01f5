#include "db/DbDescription.h"

#include "db/DbLocation.h"

#include <QFileInfo>

QString describeDbLocation(const DbLocation& location) {
    if (location.kind == DbLocation::Kind::Embedded)
        return QStringLiteral("embedded %1").arg(QFileInfo(location.path).absoluteFilePath());
    return QStringLiteral("SQL Server %1,%2 (TovikCust)").arg(location.host).arg(location.port);
}
