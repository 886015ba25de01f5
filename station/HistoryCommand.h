#pragma once

#include <QProcessEnvironment>

struct Command;
class StationLog;

// vornell history [--label TEXT] [--days N] [--json]: the print journal of
// the working directory as the History window lists it, newest first, each
// strip with its evidence. Exit 0; 1 when the journal cannot be read.
int runHistory(const QProcessEnvironment& env, const Command& command, StationLog& log);
