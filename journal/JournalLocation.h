#pragma once

#include <QProcessEnvironment>
#include <QString>

// Where the print journal is: VORNELL_JOURNAL when set, else
// vornell-journal.db in settingsDir (the folder of the settings file).
QString journalPath(const QProcessEnvironment& env, const QString& settingsDir);

// How many days the journal keeps its entries: VORNELL_JOURNAL_DAYS, 90 when
// unset. Raises AppError naming the variable when it is no whole number of
// at least 1.
int journalKeepDays(const QProcessEnvironment& env);
