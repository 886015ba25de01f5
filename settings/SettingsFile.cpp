#include "settings/SettingsFile.h"

#include <QDir>

#include <algorithm>

QString settingsFilePath(const QString& spelledName) {
    const QDir dir = QDir::current();
    const QStringList entries = dir.entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    QStringList matches;
    for (const QString& entry : entries)
        if (entry.compare(spelledName, Qt::CaseInsensitive) == 0)
            matches.append(entry);
    if (matches.isEmpty())
        return dir.absoluteFilePath(spelledName);
    std::sort(matches.begin(), matches.end(),
              [](const QString& a, const QString& b) { return a.toUtf8() < b.toUtf8(); });
    return dir.absoluteFilePath(matches.first());
}
