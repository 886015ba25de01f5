// vornell-demo-db PATH [COUNT]: creates the embedded database at PATH when it
// is missing and adds COUNT (default 30) unprinted labels created today.

#include "core/AppError.h"
#include "core/DataModule.h"
#include "db/DbLocation.h"
#include "db/DemoData.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: vornell-demo-db PATH [COUNT]\n");
        return 2;
    }
    const int count = args.size() > 2 ? args[2].toInt() : 30;
    try {
        DbLocation loc;
        loc.path = QFileInfo(args[1]).absoluteFilePath();
        auto dm = createDataModule(loc);
        dm->reopen();
        QSqlDatabase db = dm->conADO();
        addDemoLabels(db, count);
        std::printf("%s: %d demo labels added\n", qPrintable(loc.path), count);
    } catch (const AppError& e) {
        std::fprintf(stderr, "vornell-demo-db: %s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
