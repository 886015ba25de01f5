#pragma once

struct Command;

// Runs a command of the command line other than the window: creates the
// application object it needs (none for --help and --version, a core one for
// status, a GUI one on the offscreen platform for printing, which draws its
// texts with the system's fonts; no display either way) and returns the
// program's exit code. Messages go to standard output, errors to standard
// error, one line each.
int runStationCommand(const Command& command, int& argc, char** argv);
