#include "core/AppError.h"
#include "core/Language.h"
#include "settings/LayoutKeys.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsLoad.h"
#include "settings/SettingsSave.h"
#include "settings/SettingsValues.h"
#include "tests/support/DataTable.h"
#include "tests/support/WholeNumberRows.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>

namespace {

TLabelLayout sample() {
    TLabelLayout l;
    for (int32_t c = 0; c < 3; ++c) {
        l.columns[size_t(c)].barcode = {11 + c, 21 + c, 31 + c, 41 + c};
        l.columns[size_t(c)].text = {51 + c, 61 + c, 71 + c, 81 + c};
    }
    l.font = LabelFont::of("Arial", "700 bold");
    l.options.shopTitle = QString::fromUtf8("标签");
    l.port = "USB3", l.options.style = 5, l.options.option = -6, l.options.option2 = 7;
    l.options.showPrintDialog = true;
    return l;
}

const QByteArray boxLines = "_bleft1=11\r\n_bleft2=12\r\n_bleft3=13\r\n_btop1=21\r\n_btop2=22\r\n"
                            "_btop3=23\r\n_bwidth1=31\r\n_bwidth2=32\r\n_bwidth3=33\r\n"
                            "_bhight1=41\r\n_bhight2=42\r\n_bhight3=43\r\n_fleft1=51\r\n"
                            "_fleft2=52\r\n_fleft3=53\r\n_ftop1=61\r\n_ftop2=62\r\n_ftop3=63\r\n"
                            "_fwidth1=71\r\n_fwidth2=72\r\n_fwidth3=73\r\n_fhight1=81\r\n"
                            "_fhight2=82\r\n_fhight3=83\r\n";
const QByteArray gbkLabel = "\xb1\xea\xc7\xa9"; // 标签

void put(const QString& name, const QByteArray& bytes) {
    QFile f(name);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot prepare %s", qPrintable(name));
}
QByteArray contents(const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
QStringList entries() {
    return QDir::current().entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;

    SettingsLoadResult loadFile(const QByteArray& body, TLabelLayout& l, WindowGeometry& g) {
        put("Quillet.ini", "[mainBarcode]\r\n" + body);
        return loadSettings(l, g);
    }

private slots:
    void init() {
        UICodePage = 936;
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(dir_->path()));
    }

    void defaultsWithoutFile() {
        TLabelLayout l;
        WindowGeometry g{1, 2, 3, 4};
        QVERIFY(!loadSettings(l, g).hasError());
        QCOMPARE(g, (WindowGeometry{1, 2, 3, 4}));
        const int32_t boxes[24] = {30, 240, 240, 30, 30, 30, 1, 1, 1, 30, 30, 30,
                                   30, 240, 240, 18, 18, 18, 1, 1, 1, 30, 30, 30};
        for (int i = 0; i < 24; ++i)
            QCOMPARE(kBoxKeys[i].of(l), boxes[i]);
        QCOMPARE(l.columns[2].barcode.left, 240);
        QCOMPARE(l.columns[2].text.left, 240);
        QCOMPARE(l.columns[0].text.top, 18);
        QCOMPARE(l.options.shopTitle, "Your Company Name");
        QCOMPARE(l.font.face, "Times New Roman");
        QCOMPARE(l.font.weightText, "400 standard");
        QCOMPARE(l.font.weight, std::optional<int32_t>(400));
        QCOMPARE(l.port, "USB1");
        QCOMPARE(l.options.style + l.options.option + l.options.option2, 0);
        QCOMPARE(l.options.showPrintDialog, false);
        QVERIFY(entries().isEmpty()); // a load creates nothing
    }

    // The weight is read once, from the first three characters of the stored
    // text; the text itself is kept as stored.
    void fontWeightReadAtLoad_data() {
        DataTable<QByteArray, bool, int>({"stored", "number", "weight"})
            .row("list entry", QByteArray("700 thick"), true, 700)
            .row("three digits only", QByteArray("9001"), true, 900)
            .row("short", QByteArray("55"), true, 55)
            .row("signed", QByteArray("-12x"), true, -12)
            .row("words", QByteArray("bold"), false, 0);
    }
    void fontWeightReadAtLoad() {
        QFETCH(QByteArray, stored);
        QFETCH(bool, number);
        QFETCH(int, weight);
        TLabelLayout l;
        WindowGeometry g;
        QVERIFY(!loadFile("_fBellow=" + stored + "\r\n", l, g).hasError());
        QCOMPARE(l.font.weightText, QString::fromLatin1(stored));
        QCOMPARE(l.font.weight, number ? std::optional<int32_t>(weight) : std::nullopt);
        QCOMPARE(l.font.weightDigits(), QString::fromLatin1(stored.left(3)));
    }

    void wholeNumber_data() { wholeNumberRows(); }
    void wholeNumber() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        const auto n = parseWholeNumber(text);
        QCOMPARE(n.has_value(), valid);
        QCOMPARE(n.value_or(0), value);
    }

    // The three print numbers and the flag, as they come out of the file.
    void lenientKeysAndFlag_data() {
        DataTable<QByteArray, int, bool>({"value", "number", "flag"})
            .row("1", QByteArray("1"), 1, true)
            .row("blanks and tabs", QByteArray(" \t1\t "), 1, true)
            .row("control characters",
                 QByteArray("\x01"
                            "1\x1f"),
                 0, true)
            .row("01", QByteArray("01"), 1, false)
            .row("true", QByteArray("true"), 0, false)
            .row("empty", QByteArray(""), 0, false)
            .row("x", QByteArray("x"), 0, false)
            .row("past 32 bits", QByteArray("99999999999"), 0, false)
            .row("-12", QByteArray("-12"), -12, false);
    }
    void lenientKeysAndFlag() {
        QFETCH(QByteArray, value);
        QFETCH(int, number);
        QFETCH(bool, flag);
        TLabelLayout l;
        WindowGeometry g;
        const auto r =
            loadFile("_PrintStyle=" + value + "\r\n_PrintOption=" + value +
                         "\r\n_PrintOption2=" + value + "\r\n_ShowPrintDialog=" + value + "\r\n",
                     l, g);
        QVERIFY(!r.hasError());
        QCOMPARE(l.options.style, number);
        QCOMPARE(l.options.option, number);
        QCOMPARE(l.options.option2, number);
        QCOMPARE(l.options.showPrintDialog, flag);
    }

    // A malformed whole number takes its default; the load goes on and names
    // the first offender only.
    void malformedValue_data() {
        DataTable<QByteArray, QByteArray, QString>({"key", "value", "error"})
            .row("letters", QByteArray("_bleft1"), QByteArray(" abc "),
                 "'abc' is not a valid integer value")
            .row("empty", QByteArray("_bleft2"), QByteArray(""), "'' is not a valid integer value")
            .row("past 32 bits", QByteArray("_fhight3"), QByteArray("2147483648"),
                 "'2147483648' is not a valid integer value")
            .row("geometry", QByteArray("top"), QByteArray("1x"),
                 "'1x' is not a valid integer value");
    }
    void malformedValue() {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, value);
        QFETCH(QString, error);
        TLabelLayout l;
        WindowGeometry g{1, 2, 3, 4};
        QByteArray body = "top=5\r\nleft=6\r\nheight=7\r\nwidth=8\r\n" + boxLines +
                          "_ftype_name=Arial\r\n_fBellow=700 bold\r\n_iprinter=USB3\r\n"
                          "_ShopTitle=" +
                          gbkLabel +
                          "\r\n_PrintStyle=5\r\n_PrintOption=-6\r\n"
                          "_PrintOption2=7\r\n_ShowPrintDialog=1\r\n_btop3=bad\r\n";
        body.replace("\r\n" + key + "=", "\r\n" + key + "=" + value + "\r\nignored=");
        if (key == "top")
            body.replace("top=5", "top=" + value);
        const auto r = loadFile(body, l, g);
        QCOMPARE(r.errorText, error);

        TLabelLayout expected = sample();
        WindowGeometry expectedGeometry{5, 6, 7, 8};
        if (key == "top")
            expectedGeometry.top = 1; // the window's own value
        for (const BoxKey& box : kBoxKeys)
            if (key == box.name)
                box.of(expected) = box.defaultValue;
        QCOMPARE(l, expected);
        QCOMPARE(g, expectedGeometry);
    }

    void malformedValueSurvivesExitSave() {
        TLabelLayout l;
        WindowGeometry g;
        const auto r =
            loadFile("_bleft2=zz\r\n_bleft1=abc\r\n_btop1=77\r\n_ShopTitle=Mine\r\n", l, g);
        QCOMPARE(r.errorText, "'abc' is not a valid integer value"); // the first in load order
        QCOMPARE(l.columns[0].barcode.top, 77);
        QVERIFY(saveSettingsExit(l, g));
        QVERIFY(contents("Quillet.ini").contains("\r\n_btop1=77\r\n"));
        QVERIFY(contents("Quillet.ini").contains("\r\n_ShopTitle=Mine\r\n"));
        QVERIFY(contents("Quillet.ini").contains("\r\n_bleft1=30\r\n"));
    }

    void dialogSaveNewFile() {
        saveSettingsDialog(sample());
        QCOMPARE(entries(), QStringList{"Quillet.ini"});
        QCOMPARE(
            contents("Quillet.ini"),
            "[mainBarcode]\r\n_ShopTitle=" + gbkLabel + "\r\n" + boxLines +
                "_ftype_name=Arial\r\n_fBellow=700 bold\r\n_iprinter=USB3\r\n"
                "_PrintStyle=5\r\n_PrintOption=-6\r\n_PrintOption2=7\r\n_ShowPrintDialog=1\r\n");
    }

    void exitSaveNewFileAndLoadBack() {
        QVERIFY(saveSettingsExit(sample(), WindowGeometry{10, 20, 30, 40}));
        QCOMPARE(entries(), QStringList{"Quillet.INI"});
        QCOMPARE(contents("Quillet.INI"),
                 "[mainBarcode]\r\ntop=10\r\nleft=20\r\nheight=30\r\nwidth=40\r\n" + boxLines +
                     "_ftype_name=Arial\r\n_fBellow=700 bold\r\n_ShopTitle=" + gbkLabel +
                     "\r\n_iprinter=USB3\r\n_PrintOption=-6\r\n_PrintOption2=7\r\n"
                     "_ShowPrintDialog=1\r\n");
        TLabelLayout l;
        WindowGeometry g;
        QVERIFY(!loadSettings(l, g).hasError()); // spelled Quillet.ini, finds Quillet.INI
        TLabelLayout expected = sample();
        expected.options.style = 0; // never written at exit
        QCOMPARE(l, expected);
        QCOMPARE(g, (WindowGeometry{10, 20, 30, 40}));
    }

    // Both saves into a file from a station: other sections, unknown keys,
    // blank lines and line ends stay; only the saved keys change.
    void savesIntoExistingFile() {
        const QByteArray head = "; station file\r\n[FSrchDlg]\r\nFindStr00=\xd6\xd0\r\n\r\n"
                                "[MAINBARCODE]\r\nTop=1\r\nleft = 2\r\nheight=3\r\nwidth=4\r\n";
        const QByteArray tail = "\r\n[other]\r\nx=1\r\n";
        put("quillet.ini", head + "_PrintStyle=9\r\n_ShopTitle=\xd6\xd0\r\ncustom=keep\r\n" + tail);

        saveSettingsDialog(sample());
        const QByteArray afterDialog =
            head + "_PrintStyle=5\r\n_ShopTitle=" + gbkLabel + "\r\ncustom=keep\r\n" + boxLines +
            "_ftype_name=Arial\r\n_fBellow=700 bold\r\n_iprinter=USB3\r\n_PrintOption=-6\r\n"
            "_PrintOption2=7\r\n_ShowPrintDialog=1\r\n" +
            tail;
        QCOMPARE(contents("quillet.ini"), afterDialog);

        TLabelLayout l = sample();
        l.options.style = 99;
        l.options.shopTitle = QString::fromUtf8("中");
        l.columns[1].barcode.top = -3;
        QVERIFY(saveSettingsExit(l, WindowGeometry{10, 20, 30, 40}));
        QByteArray afterExit = afterDialog;
        afterExit.replace("Top=1\r\nleft = 2\r\nheight=3\r\nwidth=4",
                          "Top=10\r\nleft=20\r\nheight=30\r\nwidth=40");
        afterExit.replace("_ShopTitle=" + gbkLabel, "_ShopTitle=\xd6\xd0");
        afterExit.replace("_btop2=22", "_btop2=-3");
        QCOMPARE(contents("quillet.ini"), afterExit);
        QCOMPARE(entries(), QStringList{"quillet.ini"});
    }

    void fileNameIgnoresCase() {
        put("QUILLET.INI", "[mainbarcode]\nwidth=800\n");
        put("quillet.ini", "[mainbarcode]\nwidth=700\n");
        for (const char* spelling : {"Quillet.ini", "Quillet.INI", "quillet.ini", "QUILLET.INI"})
            QCOMPARE(settingsFilePath(spelling), QDir::current().absoluteFilePath("QUILLET.INI"));
        QCOMPARE(settingsFilePath("other.ini"), QDir::current().absoluteFilePath("other.ini"));
        TLabelLayout l;
        WindowGeometry g;
        loadSettings(l, g);
        QCOMPARE(g.width, 800);
    }

    // A save that fails leaves the old file whole; tests run as root, so the
    // failures are ones that stop root too.
    void failedSave_data() {
        DataTable<bool, bool>({"atExit", "diskFull"})
            .row("dialog, directory in the way", false, false)
            .row("exit, directory in the way", true, false)
            .row("dialog, disk full", false, true)
            .row("exit, disk full", true, true);
    }
    void failedSave() {
        QFETCH(bool, atExit);
        QFETCH(bool, diskFull);
        const QByteArray old = "[mainBarcode]\r\n_bleft1=5\r\n";
        if (diskFull)
            put("Quillet.ini", old);
        else
            QVERIFY(QDir().mkpath("Quillet.ini/x"));
        rlimit saved{};
        if (diskFull) { // writes past the old file's size fail with EFBIG
            std::signal(SIGXFSZ, SIG_IGN);
            QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
            rlimit small = saved;
            small.rlim_cur = old.size();
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        }
        QString error = "<none>";
        bool exitSaved = true;
        if (atExit)
            exitSaved = saveSettingsExit(sample(), WindowGeometry{});
        else
            try {
                saveSettingsDialog(sample());
            } catch (const AppError& e) {
                error = e.text();
            }
        if (diskFull)
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);

        if (atExit)
            QVERIFY(!exitSaved);
        else
            QCOMPARE(error,
                     "Unable to write to " + QDir::current().absoluteFilePath("Quillet.ini"));
        if (diskFull)
            QCOMPARE(contents("Quillet.ini"), old);
        else
            QVERIFY(QFileInfo("Quillet.ini/x").isDir());
        QCOMPARE(entries(), QStringList{"Quillet.ini"});
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_Settings.moc"
