#pragma once

#include "journal/JournalTypes.h"

#include <QDateTime>
#include <QString>

// The journal's own storage forms, shared by its writing and reading halves.

// Times are stored as UTC text, "yyyy-MM-dd HH:mm:ss.zzz", so that they sort
// and compare as text whatever the local clock does.
QString journalTime(const QDateTime& time);
QDateTime fromJournalTime(const QString& text); // local time

EntryKind kindFromName(const QString& name);
