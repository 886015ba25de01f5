#pragma once

#include <QDateTime>
#include <QString>

// Counts for a plant's monitoring: with VORNELL_METRICS_FILE set, the
// unattended station rewrites that file (atomically) after every run in
// Prometheus' text format, for node_exporter's textfile collector.
struct StationMetrics {
    QString station;
    QString port;
    // Counters since the station started.
    qint64 stripsPrinted = 0;
    qint64 recordsMarked = 0;
    qint64 runsFailed = 0;
    // Gauges.
    qint64 recordsHeld = 0;
    bool printerReady = false;
    QDateTime lastRun;

    // The file's text.
    QString text() const;
    // Writes it to path; false with why on failure.
    bool write(const QString& path, QString* error) const;
};
