#include "app/Startup.h"

#include "core/AppError.h"
#include "core/DataModule.h"
#include "core/ErrorReport.h"
#include "core/Language.h"
#include "core/Prompts.h"
#include "db/DbDescription.h"
#include "db/DbLocation.h"
#include "forms/umainBarcode.h"
#include "journal/PrintJournal.h"
#include "printer/PplaPrinter.h"
#include "printing/PrintStation.h"
#include "printing/StationPresence.h"
#include "printing/StripJournal.h"
#include "settings/SettingsFile.h"

#include <QApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

#include <optional>

int runVornell(Prompts& prompts, const QProcessEnvironment& env) {
    QApplication::setApplicationName(QStringLiteral("Vornell"));
    UICodePage = codePageForLanguageId(systemDefaultLanguageId());
    // Qt's own texts (OK, Cancel, Yes, No, the date picker) in the interface
    // language; without the translation files they stay English.
    QTranslator qtTexts;
    if (UICodePage == 936 && qtTexts.load(QStringLiteral("qtbase_zh_CN"),
                                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);

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

    const bool connected = CheckDatabaseConnection(*dm, prompts);

    int result = 0;
    {
        PplaPrinter printer;
        // The journal lives beside the settings file unless VORNELL_JOURNAL
        // says otherwise; one that cannot be opened stops every print run. A
        // station that is ending for want of its database makes no file.
        const auto journal =
            connected ? StripJournal::forStation(env, QFileInfo(settingsFilePath()).absolutePath(),
                                                 database)
                      : nullptr;
        TmainBarcode mainBarcode(*dm, prompts, printer);
        mainBarcode.printerFeedback = &printer;
        mainBarcode.journal = journal.get();
        // The claims this station left when it stopped with strips in flight
        // are held for a person from now on; a journal that lost them says so.
        // Another process of this station (the same name and folder) that is
        // alive still prints what it claimed.
        std::optional<StationPresence> presence;
        if (connected)
            presence.emplace(QFileInfo(settingsFilePath()).absolutePath());
        if (presence && presence->alone())
            guarded(prompts, [&] {
                PrintStation station = mainBarcode.printStation();
                const QString text = station.leftoversText(station.holdLeftovers());
                if (!text.isEmpty() && journal && journal->journal() &&
                    journal->journal()->madeAtOpen())
                    prompts.message(text);
            });
        if (presence)
            presence->share();
        mainBarcode.setDatabaseDescription(database);
        mainBarcode.show();
        result = QApplication::exec();
    }
    DMdata = nullptr;
    return result;
}
