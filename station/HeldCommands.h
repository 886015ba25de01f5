#pragma once

#include <QProcessEnvironment>

struct Command;
class StationLog;

// vornell held [--json]: the held strips of the station's database, every
// station's (from the shared claims) and those this station's journal holds,
// one line each: strip id, station, since, port, records (Iden_id and label
// text), why it is held, its evidence. Exit 0, also when none is held; 4
// when the database cannot be reached.
int runHeld(const QProcessEnvironment& env, const Command& command, StationLog& log);

// vornell decide ID...|all mark|print-again --reason TEXT [--by NAME]: the
// Unfinished strips dialog's two answers. Journaled with who and why. A
// strip whose records a station is printing now is refused, naming it.
// Exit 0 when every strip asked for was decided; 1 when one was refused or
// failed; 2 for an id that is not held.
int runDecide(const QProcessEnvironment& env, const Command& command, StationLog& log);
