#include "db/DemoData.h"

#include "core/AppError.h"
#include "core/DataModule.h"
#include "db/EmbeddedDatabase.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

void check(bool ok, const QSqlQuery& q) {
    if (!ok)
        throw AppError(sqlErrorText(q.lastError()));
}

// Made-up chip types for a demonstration: three active ones of label size
// 30X10, a retired one and one of another size.
const char* const kDemoTypes =
    "INSERT INTO DeviceICType (ICType, TypeDesc, LastVer, ICModel, HeadFlag, LabelSize, LastSN, "
    "IsActive) VALUES "
    "('VN3010A', 'Power management IC 30X10', 'V1.0', 'QFN-16', 'VA', '30X10', 0, '1'),"
    "('VN3010B', 'Motor driver IC 30X10', 'V2.1', 'SOP-8', 'VB', '30X10', 4096, '1'),"
    "('VN3010C', 'Sensor interface IC 30X10', 'V1.3', '', 'VC', '30X10', 0, '1'),"
    "('VN3010D', 'Retired type 30X10', 'V0.9', 'DIP-8', 'VD', '30X10', 0, '0'),"
    "('VN5020A', 'Controller IC 50X20', 'V1.0', 'LQFP-48', 'WA', '50X20', 0, '1')";

void addDemoTypesWhenNone(QSqlDatabase& db) {
    QSqlQuery q = forwardOnlyQuery(db);
    check(q.exec(QStringLiteral("SELECT count(*) FROM DeviceICType")), q);
    if (q.next() && q.value(0).toLongLong() > 0)
        return;
    q.finish();
    check(q.exec(QString::fromLatin1(kDemoTypes)), q);
}

} // namespace

void addDemoLabels(QSqlDatabase& db, int count) {
    if (!db.transaction())
        throw AppError(sqlErrorText(db.lastError()));
    try {
        addDemoTypesWhenNone(db);
        QSqlQuery type = forwardOnlyQuery(db);
        check(type.exec(QStringLiteral("SELECT ICType, HeadFlag, LastSN FROM DeviceICType "
                                       "WHERE LabelSize='30X10' AND IsActive='1' ORDER BY ICType")),
              type);
        struct Type {
            QString icType, head;
            qint64 last;
        };
        std::vector<Type> types;
        while (type.next())
            types.push_back(
                {type.value(0).toString(), type.value(1).toString(), type.value(2).toLongLong()});
        if (types.empty())
            throw AppError(QStringLiteral("No active 30X10 chip type to make labels for"));

        QSqlQuery ins = forwardOnlyQuery(db);
        check(ins.prepare(QStringLiteral(
                  "INSERT INTO PrintLabel (CreateTime, LabelSize, TitleText, LabelText, Barcode, "
                  "PrintFlag) VALUES (getdate(), '30X10', ?, ?, ?, 0)")),
              ins);
        for (int i = 0; i < count; ++i) {
            Type& t = types[size_t(i) % types.size()];
            ++t.last;
            const QString serial =
                t.head + QStringLiteral("%1").arg(t.last, 6, 16, QLatin1Char('0')).toUpper();
            ins.addBindValue(t.icType);
            ins.addBindValue(serial);
            ins.addBindValue(serial);
            check(ins.exec(), ins);
        }
        QSqlQuery upd = forwardOnlyQuery(db);
        check(upd.prepare(QStringLiteral("UPDATE DeviceICType SET LastSN=? WHERE ICType=?")), upd);
        for (const Type& t : types) {
            upd.addBindValue(t.last);
            upd.addBindValue(t.icType);
            check(upd.exec(), upd);
        }
        if (!db.commit())
            throw AppError(sqlErrorText(db.lastError()));
    } catch (...) {
        db.rollback();
        throw;
    }
}
