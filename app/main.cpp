// Vornell: the label print station of the chip production floor.

#include "app/Startup.h"
#include "forms/QtPrompts.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QtPrompts prompts;
    return runVornell(prompts, QProcessEnvironment::systemEnvironment());
}
