#include "db/DemoData.h"

#include "app/AppError.h"
#include "app/DataModule.h"
#include "db/EmbeddedDatabase.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {
void check(bool ok, const QSqlQuery& q) {
    if (!ok)
        throw AppError(sqlErrorText(q.lastError()));
}
} // namespace

void addDemoLabels(QSqlDatabase& db, int count) {
    if (!db.transaction())
        throw AppError(sqlErrorText(db.lastError()));
    try {
        QSqlQuery type(db);
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

        QSqlQuery ins(db);
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
        QSqlQuery upd(db);
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
