#pragma once

#include <QProcessEnvironment>

class Prompts;

// The program after the application object exists: the interface language,
// the data module, the connection check, the main window and the event loop.
// Returns the event loop's result.
int runVornell(Prompts& prompts, const QProcessEnvironment& env);
