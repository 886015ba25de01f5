#include "station/StationLog.h"

bool StationLog::underSystemd(const QProcessEnvironment& env) {
    return !env.value(QStringLiteral("JOURNAL_STREAM")).isEmpty() ||
           !env.value(QStringLiteral("INVOCATION_ID")).isEmpty();
}

QString StationLog::line(Level level, const QString& text) const {
    const QString body = oneLine(text);
    if (!priorities_)
        return body;
    return QStringLiteral("<%1>").arg(int(level)) + body;
}

void StationLog::write(Level level, const QString& text) {
    const QByteArray bytes = line(level, text).toUtf8() + '\n';
    std::FILE* to = level == Level::Error ? err_ : out_;
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
    std::fflush(to);
}

QString oneLine(const QString& text) {
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    out.replace(QLatin1Char('\r'), QLatin1Char(' '));
    out.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return out.trimmed();
}
