#include "app/Startup.h"

#include "core/AppError.h"
#include "core/DataModule.h"
#include "core/Language.h"
#include "core/Prompts.h"
#include "db/DbDescription.h"
#include "db/DbLocation.h"
#include "forms/umainBarcode.h"
#include "printer/PplaPrinter.h"

#include <QApplication>

int runVornell(Prompts& prompts, const QProcessEnvironment& env) {
    QApplication::setApplicationName(QStringLiteral("Vornell"));
    UICodePage = codePageForLanguageId(systemDefaultLanguageId());

    std::unique_ptr<TDMdata> dm;
    QString database;
    try {
        const DbLocation location = resolveDbLocation(env);
        database = describeDbLocation(location);
        dm = createDataModule(location);
    } catch (const AppError& e) {
        prompts.message(e.text());
        return 2;
    }
    DMdata = dm.get();

    CheckDatabaseConnection(*dm, prompts);

    int result = 0;
    {
        PplaPrinter printer;
        TmainBarcode mainBarcode(*dm, prompts, printer);
        mainBarcode.printerFeedback = &printer;
        mainBarcode.setDatabaseDescription(database);
        mainBarcode.show();
        result = QApplication::exec();
    }
    DMdata = nullptr;
    return result;
}
