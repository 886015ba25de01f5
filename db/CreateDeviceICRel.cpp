#include "db/CreateDeviceICRel.h"

#include "core/AppError.h"
#include "core/DataModule.h"
#include "db/Dialect.h"
#include "db/OrderStatements.h"

#include <QSqlError>
#include <QSqlQuery>
#include <vector>

namespace {

void check(QSqlQuery& q, bool ok) {
    if (!ok)
        throw AppError(sqlErrorText(q.lastError()));
}

QSqlQuery prepared(QSqlDatabase& db, const QString& sql) {
    QSqlQuery q = forwardOnlyQuery(db);
    check(q, q.prepare(sql));
    return q;
}

// The label's barcode is the six characters after a two-character HeadFlag, so
// a serial needs to fit six hexadecimal digits: a seventh digit would give a
// barcode that an earlier serial already has (as would a HeadFlag of another
// length).
constexpr qint64 lastSerial = 0xFFFFFF;

// HeadFlag followed by n as inttohex(n,6,0) gives it.
QString serial(const QString& headFlag, qint64 n) {
    return headFlag + QString::number(n, 16).toUpper().rightJustified(6, QLatin1Char('0'));
}

struct Pending {
    qint64 order = 0;
    QString icType;
    qint64 amount = 0;
};

void run(QSqlDatabase& db, int& done) {
    std::vector<Pending> pending;
    {
        QSqlQuery q = forwardOnlyQuery(db);
        check(q, q.exec(QStringLiteral("SELECT o.Iden_id, o.ICType, ifnull(o.Amount,0) "
                                       "FROM DeviceICRelOrder o "
                                       "WHERE o.Flag='0' AND o.ICType IN "
                                       "(SELECT ICType FROM DeviceICType) "
                                       "ORDER BY o.Iden_id")));
        while (q.next())
            pending.push_back(
                {q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toLongLong()});
        if (q.lastError().isValid())
            throw AppError(sqlErrorText(q.lastError()));
    }
    QSqlQuery type = prepared(
        db, QStringLiteral(
                "SELECT ifnull(HeadFlag,''), LastSN, LabelSize FROM DeviceICType WHERE ICType=?"));
    QSqlQuery label = prepared(
        db, QStringLiteral("INSERT INTO PrintLabel (CreateTime, LabelSize, TitleText, LabelText, "
                           "Barcode, PrintFlag) VALUES (getdate(), ?, ?, ?, ?, 0)"));
    QSqlQuery advance =
        prepared(db, QStringLiteral("UPDATE DeviceICType SET LastSN=? WHERE ICType=?"));
    QSqlQuery mark = prepared(
        db, QStringLiteral("UPDATE DeviceICRelOrder SET FullSNFrom=?, FullSNTo=?, HeadFlag=?, "
                           "Flag='1' WHERE Iden_id=?"));
    QSqlQuery skip =
        prepared(db, QStringLiteral("UPDATE DeviceICRelOrder SET Flag='1' WHERE Iden_id=?"));

    for (const Pending& p : pending) {
        if (p.amount < 1) {
            skip.addBindValue(p.order);
            check(skip, skip.exec());
            continue;
        }
        type.addBindValue(p.icType);
        check(type, type.exec());
        if (!type.next())
            throw AppError(QStringLiteral("Chip type '%1' not found").arg(p.icType));
        const QString headFlag = type.value(0).toString();
        const qint64 lastSN = type.value(1).toLongLong();
        const QVariant labelSize = type.value(2);
        type.finish();
        if (!headFlagFitsSerials(headFlag) || lastSN < 0 || lastSN + p.amount > lastSerial)
            continue; // stays new, without serials, for the order list to show

        for (qint64 n = lastSN + 1; n <= lastSN + p.amount; ++n) {
            const QString full = serial(headFlag, n);
            label.addBindValue(labelSize);
            label.addBindValue(p.icType.left(20));
            label.addBindValue(full);
            label.addBindValue(full);
            check(label, label.exec());
        }
        advance.addBindValue(lastSN + p.amount);
        advance.addBindValue(p.icType);
        check(advance, advance.exec());
        mark.addBindValue(serial(headFlag, lastSN + 1));
        mark.addBindValue(serial(headFlag, lastSN + p.amount));
        mark.addBindValue(headFlag);
        mark.addBindValue(p.order);
        check(mark, mark.exec());
        ++done;
    }
}

} // namespace

int createDeviceICRelEmbedded(QSqlDatabase& db) {
    if (!db.isOpen())
        throw AppError(QStringLiteral("Connection is not open"));
    // IMMEDIATE: the write lock is taken before the new orders are read, so a
    // second run at the same moment (another station on the same file) waits
    // for this one's commit, up to the busy timeout, and then reads the
    // orders as this one left them, instead of failing as "database is locked".
    {
        QSqlQuery begin = forwardOnlyQuery(db);
        check(begin, begin.exec(QStringLiteral("BEGIN IMMEDIATE")));
    }
    int done = 0;
    try {
        run(db, done);
        if (!db.commit())
            throw AppError(sqlErrorText(db.lastError()));
    } catch (...) {
        db.rollback();
        throw;
    }
    return done;
}

void runCreateDeviceICRel(TDMdata& dm) {
    QSqlDatabase db = dm.conADO();
    if (dialectOf(db) == Dialect::TSql) {
        dm.qryEXEC().run(createDeviceICRelLines());
        return;
    }
    ExecQuery& exec = dm.qryEXEC();
    if (exec.onExecute)
        exec.onExecute(createDeviceICRelLines().join(QStringLiteral("\r\n")));
    createDeviceICRelEmbedded(db);
}
