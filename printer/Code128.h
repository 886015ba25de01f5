#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Builds the data field of a PPLA Code 128 record (symbology E/e) so that the
// printed bars carry exactly the given bytes.
//
// How the printer reads the field:
// - A first character A, B or C selects the starting code subset; without one
//   it starts in B. The field therefore always begins with the subset letter,
//   so data that itself begins with "A", "B" or "C" stays data.
// - "&" followed by A to G is a function: &C SHIFT, &D CODE C (in B), &E
//   CODE B (in A and C), &F CODE A. Any other "&" is the character itself.
//   An "&" that is followed by one of A to G in the data is therefore sent
//   with the letter after it SHIFTed into subset A, where A to G are the same
//   characters, so the printer never sees "&A" ... "&G".
// - In subset A the control characters are written as printable stand-ins:
//   ` for NUL, a-z for 1-26, { | } ~ for 27-30, DEL for 31. Control
//   characters are sent as SHIFT + stand-in from subset B.
// - Runs of digits go in subset C (pairs), which keeps numbers short: at the
//   start of the data from four digits, inside it from six, at its end from four.
namespace Code128 {

// The data field for `data`; empty with `error` set when a byte is outside
// 0-127: Code 128 carries 7-bit characters only. Control characters,
// CR and LF included, are sent through their subset A stand-ins.
QByteArray encodeField(QByteArrayView data, QString* error = nullptr);

// Number of Code 128 symbols (start, data, switches, check, stop) the field
// makes, for width calculations: modules = 11 x symbols + 2.
int symbolCount(QByteArrayView field);

} // namespace Code128
