#pragma once

#include "db/Dialect.h"
#include "printing/LabelRow.h"
#include "printing/StripRun.h"
#include "station/StationMetrics.h"

#include <QDate>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>

class PrintStation;
class ServiceNotify;
class StationLog;
class TDMdata;
struct TLabelLayout;

// What the unattended station prints: unprinted records of one label size,
// created today or later (today at each run), optionally only those whose
// text holds a filter; the window's label query with automatic printing on.
struct AutoSettings {
    QString labelSize = QStringLiteral("30X10");
    QString labelLike;
    int intervalMs = 60000; // from the start of one run to the next
    LabelFormat format = LabelFormat::Barcode;
    // The first day listed: the day the station started, kept across
    // midnight so that a label of 23:59 not yet printed is not dropped (as
    // the window's automatic printing keeps the date it was switched on).
    QDate from = QDate::currentDate();
};

// The label query's lines, without the records given (records held for a
// person to decide: they are never printed by the unattended station).
QStringList autoQueryLines(const AutoSettings& settings, const QSet<int64_t>& held,
                           Dialect dialect);

// vornell auto: runs the label query and prints what it lists through the
// station (claims, journal, printer feedback, marking) every intervalMs
// until a stop signal; the strip in hand is finished and marked first. A run
// that fails (the database, the port, the printer) is logged and the next
// run tries again. Strips the printer did not confirm stay held in the
// database until a person decides, as do the records this station claimed
// when it last stopped with strips in flight. Returns the exit code.
class AutoStation {
public:
    AutoStation(TDMdata& dm, PrintStation& station, const TLabelLayout& layout, StationLog& log,
                AutoSettings settings);

    // Under systemd: READY, STATUS and the watchdog's pings from the loop;
    // with a metrics file, its counts after every run.
    void watchWith(ServiceNotify* notify, QString metricsFile, bool printerReady);
    // Whether the claims this station's name left in flight become held at
    // start (false while another process of the station is alive).
    void setHoldLeftovers(bool hold) { holdLeftovers_ = hold; }

    int run();
    // One query and print run (tests call it directly).
    void runOnce();

    const QSet<int64_t>& held() const { return held_; }

private:
    // At start: what this station left held, said once.
    void reportLeftovers();
    // After a run: the counts, STATUS= and the metrics file.
    void reportRun(int run, const ListPrintResult& result, bool failed);
    // Waits for the next run, alive for the watchdog; true on a stop.
    bool waitForNextRun();

    TDMdata& dm_;
    PrintStation& station_;
    const TLabelLayout& layout_;
    StationLog& log_;
    AutoSettings s_;
    int runs_ = 0;
    bool reopen_ = false; // the connection failed: open it again first
    QSet<int64_t> held_;
    bool holdLeftovers_ = true;
    int journaledHeld_ = 0; // the journal's held records, as last logged
    ServiceNotify* notify_ = nullptr;
    QString metricsFile_;
    StationMetrics metrics_;
};
