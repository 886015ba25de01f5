#pragma once

// A hook for tests that kill the station at a named point of a print run.
// When the environment variable VORNELL_TEST_ABORT_AT names step, the process
// ends at once, as a crash or a power cut would end it: no destructor runs,
// nothing is flushed, no further byte is sent or written. Otherwise nothing
// happens. The steps of a strip, in order: "claimed" (its records reserved
// for this station), "sending" (the journal holds the strip before its first
// byte goes out), "sent" (the printer took the bytes), "confirmed" (the
// printer reported it finished), "marked" (the records are marked printed and
// the journal says so). Each is called right after that step is on disk.
void abortAt(const char* step);

// The exit status of a process ended by abortAt.
inline constexpr int kTestAbortExitCode = 86;
