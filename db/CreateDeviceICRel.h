#pragma once

#include <QSqlDatabase>

class TDMdata;

// The embedded database's sp_CreateDeviceICRel. For each order whose Flag is
// '0', oldest first, whose chip type is known: the order gets the next Amount
// serial numbers of its chip type (HeadFlag followed by the number as six
// hexadecimal digits) as FullSNFrom .. FullSNTo, and the chip type's
// HeadFlag; one unprinted PrintLabel row per serial is added (label size
// from the chip type, title the chip type, label text and barcode the serial,
// created now); the chip type's LastSN moves past the range; the order's Flag
// becomes '1'. An order without a positive Amount gives no serial and is
// marked done all the same. An order whose serials would pass FFFFFF, whose
// chip type's LastSN is negative or whose chip type's HeadFlag is not exactly
// two characters (NULL counts as empty) is left new and untouched: its
// barcodes would repeat those of earlier serials. Everything happens in
// one transaction, which takes the database's write lock before it reads the
// orders, so runs on several connections follow one another: on any failure
// nothing is changed and AppError carries the driver's text.
// Returns the number of orders given serial numbers.
int createDeviceICRelEmbedded(QSqlDatabase& db);

// Runs sp_CreateDeviceICRel on the data module's database: on SQL Server the
// T-SQL "EXECUTE sp_CreateDeviceICRel" through qryEXEC, on the embedded
// database the procedure above (its statement text still reaches qryEXEC's
// onExecute, so a trace shows every run). Raises AppError on failure.
void runCreateDeviceICRel(TDMdata& dm);
