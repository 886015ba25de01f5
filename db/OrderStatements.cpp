#include "db/OrderStatements.h"

QStringList orderListLines(Dialect) {
    // The same lines serve both dialects.
    return {QStringLiteral("SELECT Iden_id, Datime, ICType, TypeDesc, ICVer, VerDesc, Amount, "
                           "Remark, FullSNFrom, FullSNTo, HeadFlag "),
            QStringLiteral("FROM DeviceICRelOrder "),
            QStringLiteral("WHERE ICType IN (SELECT ICType FROM DeviceICType WHERE "
                           "LabelSize='30X10') "),
            QStringLiteral("ORDER BY iden_id DESC ")};
}

QList<FieldDef> orderListFields() {
    // In the order of the manager's grid columns.
    return {{QStringLiteral("Iden_id"), 0, true},    {QStringLiteral("Datime"), 0, false},
            {QStringLiteral("ICType"), 20, false},   {QStringLiteral("TypeDesc"), 100, false},
            {QStringLiteral("Amount"), 0, false},    {QStringLiteral("FullSNFrom"), 20, false},
            {QStringLiteral("FullSNTo"), 20, false}, {QStringLiteral("HeadFlag"), 2, false},
            {QStringLiteral("ICVer"), 20, false},    {QStringLiteral("VerDesc"), 100, false},
            {QStringLiteral("Remark"), 100, false}};
}

QStringList icTypeListLines(Dialect dialect) {
    const QString lastFullSN =
        dialect == Dialect::TSql
            ? QStringLiteral("       LastFullSN=HeadFlag+dbo.inttohex(LastSN,6,0)")
            : QStringLiteral("       HeadFlag||inttohex(LastSN,6,0) AS LastFullSN");
    return {QStringLiteral("SELECT ICType, TypeDesc, LastVer, ICModel, HeadFlag, LabelSize, "),
            lastFullSN, QStringLiteral("FROM DeviceICType "),
            QStringLiteral("WHERE LabelSize='30X10'   AND IsActive='1'")};
}

QList<FieldDef> icTypeListFields() {
    return {{QStringLiteral("ICType"), 20, false},    {QStringLiteral("TypeDesc"), 100, false},
            {QStringLiteral("LastFullSN"), 22, true}, {QStringLiteral("HeadFlag"), 3, false},
            {QStringLiteral("LastVer"), 20, false},   {QStringLiteral("ICModel"), 20, false},
            {QStringLiteral("LabelSize"), 20, false}};
}

std::optional<int> orderAmount(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 12)
        return std::nullopt;
    qint64 n = 0;
    for (const QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        n = n * 10 + (c.unicode() - '0');
    }
    if (n < 1 || n > kMaxOrderAmount)
        return std::nullopt;
    return int(n);
}

QString quotedTSql(const QString& value) {
    QString out = value;
    out.replace(QLatin1Char('\''), QStringLiteral("''"));
    return out;
}

BoundStatement newOrderInsert(const NewOrder& order, Dialect dialect) {
    BoundStatement s;
    s.lines << QStringLiteral("INSERT INTO DeviceICRelOrder").leftJustified(60, QLatin1Char(' '))
            << QStringLiteral(" ( Datime, ICType, Amount, TypeDesc,\tICVer, VerDesc, Remark, "
                              "Flag ) ")
            << QStringLiteral("VALUES").leftJustified(60, QLatin1Char(' '));
    const QString amount = QString::number(order.amount);
    if (dialect == Dialect::TSql) {
        const QString sep = QStringLiteral("', '");
        s.lines << QStringLiteral("  ( getdate(), '") + quotedTSql(order.icType) + sep + amount +
                       sep + quotedTSql(order.typeDesc) + sep + quotedTSql(order.icVer) + sep +
                       quotedTSql(order.verDesc) + sep + quotedTSql(order.remark) +
                       QStringLiteral("', '0' ) ");
    } else {
        s.lines << QStringLiteral("  ( getdate(), ?, ?, ?, ?, ?, ?, '0' ) ");
        s.bindings << order.icType << order.amount << order.typeDesc << order.icVer << order.verDesc
                   << order.remark;
    }
    return s;
}

QStringList createDeviceICRelLines() {
    return {QStringLiteral("EXECUTE sp_CreateDeviceICRel")};
}
