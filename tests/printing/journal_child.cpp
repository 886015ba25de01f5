// A station without a window for the kill tests: prints the unprinted labels
// of an embedded database, journaled, then ends.
//
//   journal_child DB JOURNAL [--feedback] [--fsize-limit BYTES] [--journal-as-nobody]
//
// The port USB1 is whatever VORNELL_PRINTER_USB1 says; VORNELL_TEST_ABORT_AT
// ends it at a step. Prints "printed N" and exits 0 when the run completed;
// prints the run's failure or error and exits 3 otherwise.
#include "core/AppError.h"
#include "core/DataModule.h"
#include "db/DbLocation.h"
#include "db/LabelList.h"
#include "printer/PplaPrinter.h"
#include "printing/ListPrinter.h"
#include "printing/PrintProgress.h"
#include "printing/StripJournal.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/StationRun.h"
#include "tests/support/StripLayout.h"

#include <QGuiApplication>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    const bool feedback = args.contains("--feedback");
    const int limitAt = int(args.indexOf("--fsize-limit"));
    try {
        DbLocation loc;
        loc.path = args[1];
        loc.mustExist = true;
        auto dm = createDataModule(loc);
        dm->reopen();

        // A journal file the station may not write: opened as another user.
        const bool asNobody = args.contains("--journal-as-nobody") && ::geteuid() == 0;
        if (asNobody && ::seteuid(65534) != 0)
            return 2;
        StripJournal journal(args[2], 90, QStringLiteral("embedded ") + args[1]);
        if (asNobody && ::seteuid(0) != 0)
            return 2;

        LabelList list(dm->connectionName());
        list.open({"SELECT * FROM PrintLabel WHERE ifnull(PrintFlag,0)=0 ORDER BY Iden_id"});
        PplaPrinter printer;
        SilentProgress progress;
        const TLabelLayout layout = stripLayout();
        if (limitAt > 0) {
            // A full disk from here on: no file grows past the limit.
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit small{rlim_t(args[limitAt + 1].toLongLong()), RLIM_INFINITY};
            ::setrlimit(RLIMIT_FSIZE, &small);
        }
        const ListPrintResult r =
            printListVia(*dm, list, printer, layout, LabelFormat::Barcode, progress, -1,
                         feedback ? &printer : nullptr, {}, &journal);
        if (!r.completed || !r.failure.isEmpty()) {
            std::printf("%s\n", qPrintable(r.failure));
            return 3;
        }
        std::printf("printed %d\n", r.stripsPrinted);
        return 0;
    } catch (const AppError& e) {
        std::printf("%s\n", qPrintable(e.text()));
        return 3;
    }
}
