// Vornell: the label print station of the chip production floor. Without
// arguments it opens the station's window; with a command (vornell --help)
// it works without one.

#include "app/Startup.h"
#include "forms/QtPrompts.h"
#include "station/CommandLine.h"
#include "station/StationCommands.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const Command command = parseCommandLine(arguments);
    if (command.kind != Command::Kind::Window)
        return runStationCommand(command, argc, argv);
    QApplication app(argc, argv);
    QtPrompts prompts;
    return runVornell(prompts, QProcessEnvironment::systemEnvironment());
}
