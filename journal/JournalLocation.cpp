#include "journal/JournalLocation.h"

#include "core/AppError.h"

#include <QDir>

QString journalPath(const QProcessEnvironment& env, const QString& settingsDir) {
    const QString set = env.value(QStringLiteral("VORNELL_JOURNAL"));
    if (!set.isEmpty())
        return set;
    return QDir(settingsDir).absoluteFilePath(QStringLiteral("vornell-journal.db"));
}

int journalKeepDays(const QProcessEnvironment& env) {
    const QString set = env.value(QStringLiteral("VORNELL_JOURNAL_DAYS")).trimmed();
    if (set.isEmpty())
        return 90;
    bool ok = false;
    const int days = set.toInt(&ok);
    if (!ok || days < 1)
        throw AppError(
            QStringLiteral("VORNELL_JOURNAL_DAYS: \"%1\" is not a whole number of days (1 or more)")
                .arg(set));
    return days;
}
