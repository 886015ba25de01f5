#include "db/SearchRules.h"

#include "db/RecordSet.h"

#include <QDateTime>

namespace SearchRules {

QString upper(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    return out;
}

QString searchedText(const QVariant& value) {
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return value.toString();
}

bool matches(const QStringList& values, const QString& upperText) {
    for (const QString& v : values)
        if (upper(v).contains(upperText))
            return true;
    return false;
}

bool recordMatches(const RecordSet& set, int record, const QString& upperText) {
    for (int f = 0; f < set.fieldCount(); ++f)
        if (upper(searchedText(set.recordValue(record, f))).contains(upperText))
            return true;
    return false;
}

bool canAccept(const RecordSet* set) {
    return set && !set->isEmpty();
}

bool okEnabled(const RecordSet* set) {
    return set && set->recordCount() > 0;
}

QStringList afterSearch(const QStringList& history, const QString& text) {
    for (const QString& entry : history)
        if (entry.compare(text, Qt::CaseInsensitive) == 0)
            return history;
    QStringList out = history;
    out.prepend(text);
    return out;
}

QString key(int position) {
    return QStringLiteral("FindStr") +
           QStringLiteral("%1").arg(position, 2, 16, QLatin1Char('0')).toUpper();
}

QStringList fromStored(const QStringList& values) {
    QStringList out;
    for (const QString& v : values)
        if (!v.trimmed().isEmpty())
            out << v.trimmed();
    return out;
}

QStringList readHistory(const std::function<QString(const QString& key)>& storedValue) {
    QStringList values;
    for (int i = 0; i < kStored; ++i)
        values << storedValue(key(i));
    return fromStored(values);
}

QList<QPair<QString, QString>> toStore(const QStringList& history) {
    QList<QPair<QString, QString>> out;
    for (int i = 0; i < history.size() && i < kStored; ++i) {
        const QString v = history[i].trimmed();
        if (!v.isEmpty())
            out.append({key(i), v});
    }
    return out;
}

int secondColumnWidth(int size) {
    return size <= 10 ? size * 10 : 176;
}

} // namespace SearchRules
