#pragma once

#include "db/Dialect.h"
#include "db/RecordSet.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <optional>

// The statements of the order manager.

// adoQryOrder: the orders for chips of label size 30X10, newest first.
QStringList orderListLines(Dialect dialect);
// The fields of the order list, in the order the manager shows them.
QList<FieldDef> orderListFields();

// adoQryICType: the active chip types of label size 30X10, with the last
// serial number given out (HeadFlag and LastSN as six hexadecimal digits).
QStringList icTypeListLines(Dialect dialect);
QList<FieldDef> icTypeListFields();

// A serial number is the chip type's head flag followed by six hexadecimal
// digits, and its barcode is characters 3 to 8 of it: only a head flag of
// exactly two characters makes the barcode those six digits. With any other
// length the barcodes of a chip type's serials repeat.
inline constexpr int kHeadFlagLength = 2;
inline bool headFlagFitsSerials(const QString& headFlag) {
    return headFlag.size() == kHeadFlagLength;
}

// The values of a new order, as the manager remembers them.
struct NewOrder {
    QString icType;
    int amount = 0;
    QString typeDesc;
    QString icVer;
    QString verDesc;
    QString remark;
};

// A statement with the values bound to its placeholders, in order.
struct BoundStatement {
    QStringList lines;
    QVariantList bindings;
};

// The greatest quantity one order may ask for.
inline constexpr int kMaxOrderAmount = 1000000;

// The quantity typed by the operator: a whole number from 1 to
// kMaxOrderAmount, blanks around it allowed; nothing otherwise.
std::optional<int> orderAmount(const QString& text);

// A T-SQL string literal's contents: every single quote doubled.
QString quotedTSql(const QString& value);

// "INSERT INTO DeviceICRelOrder": for T-SQL the values are written into the
// statement as quoted literals; for SQLite they are bound.
BoundStatement newOrderInsert(const NewOrder& order, Dialect dialect);

// The procedure run after the order manager closes, as sent to SQL Server.
QStringList createDeviceICRelLines();
