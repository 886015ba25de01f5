#include "station/CommandLine.h"
#include "station/StationLog.h"

#include <QTest>

// The command line as the program reads it, and the log lines of the
// unattended station.

Q_DECLARE_METATYPE(Command::Kind)

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void parses_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<Command::Kind>("kind");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("text");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("like");
        using K = Command::Kind;
        const QString d = "30X10";
        QTest::newRow("nothing: the window")
            << QStringList{} << K::Window << "" << false << d << "";
        QTest::newRow("help") << QStringList{"--help"} << K::Help << "" << false << d << "";
        QTest::newRow("-h") << QStringList{"-h"} << K::Help << "" << false << d << "";
        QTest::newRow("version") << QStringList{"--version"} << K::Version << "" << false << d
                                 << "";
        QTest::newRow("print-list file")
            << QStringList{"print-list", "a.txt"} << K::PrintList << "a.txt" << false << d << "";
        QTest::newRow("print-list stdin text") << QStringList{"print-list", "--format", "text", "-"}
                                               << K::PrintList << "-" << true << d << "";
        QTest::newRow("print-list format=barcode")
            << QStringList{"print-list", "l", "--format=barcode"} << K::PrintList << "l" << false
            << d << "";
        QTest::newRow("auto defaults") << QStringList{"auto"} << K::Auto << "" << false << d << "";
        QTest::newRow("auto filters") << QStringList{"auto", "--label-size", "50X20", "--like=VA"}
                                      << K::Auto << "" << false << "50X20"
                                      << "VA";
        QTest::newRow("status") << QStringList{"status"} << K::Status << "" << false << d << "";
    }
    void parses() {
        QFETCH(QStringList, args);
        QFETCH(Command::Kind, kind);
        const Command c = parseCommandLine(args);
        QVERIFY2(c.error.isEmpty(), qPrintable(c.error));
        QCOMPARE(c.kind, kind);
        QTEST(c.listFile, "file");
        QTEST(c.textFormat, "text");
        QTEST(c.labelSize, "size");
        QTEST(c.labelLike, "like");
    }

    void refuses_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("error");
        QTest::newRow("unknown command") << QStringList{"prnt"} << "unknown command prnt";
        QTest::newRow("unknown option") << QStringList{"--verbose"} << "unknown option --verbose";
        QTest::newRow("option of another command")
            << QStringList{"status", "--like", "VA"} << "status: unknown option --like";
        QTest::newRow("list without file")
            << QStringList{"print-list"} << "print-list needs a list file, or - for standard input";
        QTest::newRow("two files")
            << QStringList{"print-list", "a", "b"} << "print-list: unexpected argument b";
        QTest::newRow("bad format") << QStringList{"print-list", "a", "--format", "qr"}
                                    << "--format qr: choose barcode or text";
        QTest::newRow("format without value")
            << QStringList{"print-list", "a", "--format"} << "--format needs a value";
        QTest::newRow("empty label size")
            << QStringList{"auto", "--label-size="} << "--label-size needs a value";
        QTest::newRow("auto argument")
            << QStringList{"auto", "now"} << "auto: unexpected argument now";
        QTest::newRow("help with more")
            << QStringList{"--help", "auto"} << "--help takes nothing after it";
    }
    void refuses() {
        QFETCH(QStringList, args);
        const Command c = parseCommandLine(args);
        QCOMPARE(c.kind, Command::Kind::Usage);
        QTEST(c.error, "error");
    }

    void logLines_data() {
        QTest::addColumn<QStringList>("env");
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("line");
        QTest::newRow("plain") << QStringList{} << 3 << "Open USB fail!"
                               << "Open USB fail!";
        QTest::newRow("journal stream error")
            << QStringList{"JOURNAL_STREAM=8:1234"} << 3 << "Open USB fail!"
            << "<3>Open USB fail!";
        QTest::newRow("invocation warning") << QStringList{"INVOCATION_ID=abc"} << 4 << "held"
                                            << "<4>held";
        QTest::newRow("info, two lines made one")
            << QStringList{"INVOCATION_ID=abc"} << 6 << "Can not connect.\r\nError message:\r\nx"
            << "<6>Can not connect. Error message: x";
        QTest::newRow("empty variables are no systemd")
            << QStringList{"JOURNAL_STREAM="} << 6 << "a\nb"
            << "a b";
    }
    void logLines() {
        QFETCH(QStringList, env);
        QFETCH(int, level);
        QProcessEnvironment e;
        for (const QString& kv : env)
            e.insert(kv.section('=', 0, 0), kv.section('=', 1));
        QFETCH(QString, text);
        const StationLog log(stdout, stderr, StationLog::underSystemd(e));
        QTEST(log.line(StationLog::Level(level), text), "line");
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
