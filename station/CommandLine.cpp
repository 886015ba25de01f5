#include "station/CommandLine.h"

#include <pwd.h>
#include <unistd.h>

namespace {

// Who runs the command: the login user, else the user of the process.
QString loginName() {
    if (const char* name = ::getlogin())
        return QString::fromLocal8Bit(name);
    if (const passwd* pw = ::getpwuid(::geteuid()))
        return QString::fromLocal8Bit(pw->pw_name);
    return QStringLiteral("uid %1").arg(::geteuid());
}

Command usage(const QString& error) {
    Command c;
    c.kind = Command::Kind::Usage;
    c.error = error;
    return c;
}

// Options that take a value accept "--name VALUE" and "--name=VALUE".
bool takeValue(const QStringList& args, qsizetype& i, const QString& name, QString* value,
               QString* error) {
    const QString& arg = args[i];
    if (arg.startsWith(name + QLatin1Char('='))) {
        *value = arg.mid(name.size() + 1);
        return true;
    }
    if (arg != name)
        return false;
    if (i + 1 >= args.size()) {
        *error = QStringLiteral("%1 needs a value").arg(name);
        return true;
    }
    *value = args[++i];
    return true;
}

} // namespace

Command parseCommandLine(const QStringList& args) {
    Command c;
    if (args.isEmpty())
        return c;
    const QString& first = args[0];
    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        c.kind = args.size() == 1 ? Command::Kind::Help : Command::Kind::Usage;
        if (args.size() > 1)
            c.error = QStringLiteral("--help takes nothing after it");
        return c;
    }
    if (first == QLatin1String("--version")) {
        c.kind = args.size() == 1 ? Command::Kind::Version : Command::Kind::Usage;
        if (args.size() > 1)
            c.error = QStringLiteral("--version takes nothing after it");
        return c;
    }
    if (first == QLatin1String("print-list"))
        c.kind = Command::Kind::PrintList;
    else if (first == QLatin1String("auto"))
        c.kind = Command::Kind::Auto;
    else if (first == QLatin1String("status"))
        c.kind = Command::Kind::Status;
    else if (first == QLatin1String("held"))
        c.kind = Command::Kind::Held;
    else if (first == QLatin1String("decide"))
        c.kind = Command::Kind::Decide;
    else if (first == QLatin1String("history"))
        c.kind = Command::Kind::History;
    else if (first.startsWith(QLatin1Char('-')))
        return usage(QStringLiteral("unknown option %1").arg(first));
    else
        return usage(QStringLiteral("unknown command %1").arg(first));

    bool haveFile = false;
    QStringList positional; // decide: the strips, then the answer
    const bool jsonAllowed = c.kind == Command::Kind::Status || c.kind == Command::Kind::Held ||
                             c.kind == Command::Kind::History;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        QString value;
        QString error;
        if (jsonAllowed && arg == QLatin1String("--json")) {
            c.json = true;
        } else if (c.kind == Command::Kind::Decide &&
                   takeValue(args, i, QStringLiteral("--reason"), &value, &error)) {
            if (!error.isEmpty())
                return usage(error);
            c.reason = value.trimmed();
        } else if (c.kind == Command::Kind::Decide &&
                   takeValue(args, i, QStringLiteral("--by"), &value, &error)) {
            if (!error.isEmpty())
                return usage(error);
            c.by = value.trimmed();
        } else if (c.kind == Command::Kind::History &&
                   takeValue(args, i, QStringLiteral("--label"), &value, &error)) {
            if (!error.isEmpty())
                return usage(error);
            c.labelLike = value;
        } else if (c.kind == Command::Kind::History &&
                   takeValue(args, i, QStringLiteral("--days"), &value, &error)) {
            if (!error.isEmpty())
                return usage(error);
            bool ok = false;
            c.days = value.toInt(&ok);
            if (!ok || c.days < 0 || c.days > 3660)
                return usage(
                    QStringLiteral("--days %1: a whole number of days, 0 to 3660").arg(value));
        } else if (c.kind == Command::Kind::Decide && !arg.startsWith(QLatin1Char('-'))) {
            positional << arg;
        } else if (c.kind == Command::Kind::PrintList &&
                   takeValue(args, i, QStringLiteral("--format"), &value, &error)) {
            if (!error.isEmpty())
                return usage(error);
            if (value != QLatin1String("barcode") && value != QLatin1String("text"))
                return usage(QStringLiteral("--format %1: choose barcode or text").arg(value));
            c.textFormat = value == QLatin1String("text");
        } else if (c.kind == Command::Kind::Auto &&
                   takeValue(args, i, QStringLiteral("--label-size"), &value, &error)) {
            if (!error.isEmpty())
                return usage(error);
            if (value.trimmed().isEmpty())
                return usage(QStringLiteral("--label-size needs a value"));
            c.labelSize = value;
        } else if (c.kind == Command::Kind::Auto &&
                   takeValue(args, i, QStringLiteral("--like"), &value, &error)) {
            if (!error.isEmpty())
                return usage(error);
            c.labelLike = value;
        } else if (c.kind == Command::Kind::PrintList && !haveFile &&
                   (arg == QLatin1String("-") || !arg.startsWith(QLatin1Char('-')))) {
            c.listFile = arg;
            haveFile = true;
        } else if (arg.startsWith(QLatin1Char('-')) && arg != QLatin1String("-")) {
            return usage(QStringLiteral("%1: unknown option %2").arg(first, arg));
        } else {
            return usage(QStringLiteral("%1: unexpected argument %2").arg(first, arg));
        }
    }
    if (c.kind == Command::Kind::PrintList && !haveFile)
        return usage(QStringLiteral("print-list needs a list file, or - for standard input"));
    if (c.kind == Command::Kind::Decide) {
        const QString answer = positional.isEmpty() ? QString() : positional.takeLast();
        if (answer != QLatin1String("mark") && answer != QLatin1String("print-again"))
            return usage(QStringLiteral("decide: end with mark or print-again"));
        c.markPrinted = answer == QLatin1String("mark");
        if (positional.isEmpty())
            return usage(
                QStringLiteral("decide: name the strips (vornell held lists them) or all"));
        if (positional.contains(QLatin1String("all"))) {
            if (positional.size() > 1)
                return usage(QStringLiteral("decide: all takes no strips beside it"));
            c.decideAll = true;
        }
        c.strips = c.decideAll ? QStringList() : positional;
        if (c.reason.isEmpty())
            return usage(QStringLiteral("decide needs --reason: why, in a few words"));
        if (c.by.isEmpty())
            c.by = loginName();
    }
    return c;
}

QString programVersion() {
    return QStringLiteral(VORNELL_VERSION);
}

QString usageText() {
    return QStringLiteral(
        "Usage: vornell [COMMAND [OPTIONS]]\n"
        "\n"
        "Without a command the station's window opens.\n"
        "\n"
        "Commands (no display needed):\n"
        "  print-list FILE|-      print a hand-typed list: one label text per line (the\n"
        "                         window's separators apply), three labels a strip, to the\n"
        "                         layout's port; - reads standard input\n"
        "      --format barcode|text   barcode with its SN: line (default) or text alone\n"
        "  auto                   print unprinted labels every 60 seconds and mark them\n"
        "                         printed, until SIGTERM or SIGINT (the strip in hand is\n"
        "                         finished and marked first)\n"
        "      --label-size SIZE       label size of the query (default 30X10)\n"
        "      --like TEXT             label text filter, as the window's\n"
        "  status                 check the database and every configured port\n"
        "      --json                  the same as JSON\n"
        "  held                   the held strips of the database, every station's: strip,\n"
        "                         station, since, port, records, why, evidence\n"
        "      --json                  the same as JSON\n"
        "  decide STRIP...|all mark|print-again --reason TEXT [--by NAME]\n"
        "                         a person's decision on held strips: mark their records\n"
        "                         printed, or give them back to be printed again; the reason\n"
        "                         and who (the login user unless --by) are journaled\n"
        "  history                the print journal, newest first, with each strip's evidence\n"
        "      --label TEXT            strips with a label text holding TEXT\n"
        "      --days N                the last N days (default 7)\n"
        "      --json                  the same as JSON\n"
        "  --help                 this text\n"
        "  --version              the program's version\n"
        "\n"
        "Settings come from the environment (VORNELL_DB, VORNELL_PRINTER_USB1 ...) and the\n"
        "layout from Quillet.ini in the working directory, as for the window.\n"
        "\n"
        "Exit codes:\n"
        "  0  done (auto: stopped by SIGTERM or SIGINT; held: also when none is held)\n"
        "  1  printing ended on an error (the port, the printer, a refused field, marking);\n"
        "     decide: a strip was refused (a station prints it now) or not decided;\n"
        "     history: the journal cannot be read\n"
        "  2  unknown command or option, or a missing or bad value; decide: a strip that\n"
        "     is not held\n"
        "  3  the list file is missing, cannot be read or holds no label\n"
        "  4  the database cannot be reached\n"
        "  5  status: the layout's port is not usable\n"
        "  6  status: neither the database nor the layout's port is usable\n");
}
