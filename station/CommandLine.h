#pragma once

#include <QString>
#include <QStringList>

// What the program was asked to do on its command line. No arguments at all
// opens the window; everything else is a command that runs without one.
struct Command {
    enum class Kind {
        Window,
        Help,
        Version,
        PrintList,
        Auto,
        Status,
        Held,
        Decide,
        History,
        Usage
    };
    Kind kind = Kind::Window;
    // print-list: the list file, "-" for standard input.
    QString listFile;
    bool textFormat = false; // --format text; barcode otherwise
    // auto: the label query's filters.
    QString labelSize = QStringLiteral("30X10");
    QString labelLike; // history: --label
    bool json = false; // status, held, history: --json
    // decide: the strips (ids vornell held lists) or all, the answer, why
    // and who (the login user unless --by).
    QStringList strips;
    bool decideAll = false;
    bool markPrinted = false;
    QString reason;
    QString by;
    int days = 7; // history: --days
    // Usage: why the command line was refused (one line).
    QString error;
};

// How the program ends; --help and the README list them.
namespace ExitCode {
inline constexpr int Ok = 0;
inline constexpr int Failed = 1;          // a print run ended on an error, nothing more to do
inline constexpr int Usage = 2;           // unknown option or command, a missing or bad value
inline constexpr int BadList = 3;         // the list file is missing, unreadable or empty
inline constexpr int Database = 4;        // the database cannot be reached
inline constexpr int Port = 5;            // status: the layout's port is not usable
inline constexpr int DatabaseAndPort = 6; // status: neither is usable
} // namespace ExitCode

// Reads the arguments after the program name.
Command parseCommandLine(const QStringList& arguments);

// The text of --help: commands, options and exit codes.
QString usageText();

// The program's version, as --version prints it after the name.
QString programVersion();
