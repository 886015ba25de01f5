#pragma once

// SIGTERM and SIGINT ask the unattended station to stop: the strip in hand
// is finished and marked, then the program ends. The handler only sets a
// flag; the run looks at it after every strip and while it waits.
namespace StopSignal {

// Installs the handler for SIGTERM and SIGINT.
void install();
// Whether a stop was asked for.
bool requested();
// Milliseconds since the stop was asked for; 0 before.
long long msSinceRequest();
// Asks for a stop as the signal would (tests, the watchdog).
void request();
// Sleeps up to ms milliseconds; returns early, true, when a stop is asked.
bool waitFor(long long ms);
// Once a stop was asked for and the run has not ended graceMs later, the
// process ends with exitCode after calling lastWords (which must be safe to
// call from another thread at any time). Started once, before a run.
void startWatchdog(int graceMs, int exitCode, void (*lastWords)());

} // namespace StopSignal
