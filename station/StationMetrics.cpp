#include "station/StationMetrics.h"

#include "core/SafeWrite.h"

namespace {

// A label value: backslash, quote and line end escaped.
QString labelValue(const QString& value) {
    QString out = value;
    out.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    out.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    out.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return out;
}

} // namespace

QString StationMetrics::text() const {
    const QString labels =
        QStringLiteral("{station=\"%1\",port=\"%2\"}").arg(labelValue(station), labelValue(port));
    QString out;
    const auto metric = [&](const char* name, const char* type, const char* help, qint64 value) {
        out += QStringLiteral("# HELP %1 %2\n# TYPE %1 %3\n%1%4 %5\n")
                   .arg(QLatin1String(name), QLatin1String(help), QLatin1String(type), labels)
                   .arg(value);
    };
    metric("vornell_strips_printed_total", "counter", "Strips printed and marked.", stripsPrinted);
    metric("vornell_records_marked_total", "counter", "Label records marked printed.",
           recordsMarked);
    metric("vornell_runs_failed_total", "counter", "Print runs that ended on an error.",
           runsFailed);
    metric("vornell_records_held", "gauge", "Label records held for a person to decide.",
           recordsHeld);
    metric("vornell_printer_ready", "gauge", "1 when the last run's printer was ready.",
           printerReady ? 1 : 0);
    metric("vornell_last_run_timestamp_seconds", "gauge", "When the last run ended (Unix time).",
           lastRun.isValid() ? lastRun.toSecsSinceEpoch() : 0);
    return out;
}

bool StationMetrics::write(const QString& path, QString* error) const {
    return writeFileSafely(path, text().toUtf8(), error);
}
