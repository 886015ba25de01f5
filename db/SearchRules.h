#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

class RecordSet;

// The rules of the record search dialog (FSrchDlg), free of any window: what
// a search finds, when a record may be picked, and the search history kept in
// the settings file's section FSrchDlg.
namespace SearchRules {

// The section of the settings file that holds the search history.
inline constexpr const char* kSection = "FSrchDlg";
// The number of history entries stored.
inline constexpr int kStored = 10;

// Upper-cases the letters a to z only; every other character stays.
QString upper(const QString& text);
// A field's value as the search reads it: empty for null, date-times as the
// grid shows them, everything else as text.
QString searchedText(const QVariant& value);
// Whether the upper-cased search text occurs in one of the values (taken in
// order, each upper-cased the same way).
bool matches(const QStringList& values, const QString& upperText);
// Whether the upper-cased search text occurs in one of the record's fields
// (record: an index into all records of the set, whatever its filter).
bool recordMatches(const RecordSet& set, int record, const QString& upperText);

// OK and a double click pick a record only while one is shown.
bool canAccept(const RecordSet* set);
// The OK button is enabled at showing when the set holds any record.
bool okEnabled(const RecordSet* set);

// The history after a search for text (trimmed, not empty): the text goes on
// top unless an entry equals it without regard to letter case.
QStringList afterSearch(const QStringList& history, const QString& text);
// FindStr00 .. FindStr09: the key of the entry at position.
QString key(int position);
// The history read from the stored values of FindStr00 upwards: trimmed, the
// blank ones left out.
QStringList fromStored(const QStringList& values);
// The history as stored: storedValue gives the value of a key of the section
// (empty when the key is absent); FindStr00 to FindStr09 are read.
QStringList readHistory(const std::function<QString(const QString& key)>& storedValue);
// What a save writes: key and trimmed text of each of the first ten entries
// that is not blank.
QList<QPair<QString, QString>> toStore(const QStringList& history);

// The width of the grid's second column for the declared size of the second
// field.
int secondColumnWidth(int size);

} // namespace SearchRules
