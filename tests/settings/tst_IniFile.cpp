#include "core/AppError.h"
#include "settings/IniFile.h"
#include "tests/support/DataTable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

// The profile file rules, on bytes: what a key reads and what a write leaves
// in the file.
class TestIniFile : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString put(const QByteArray& bytes) {
        const QString path = dir_.filePath(QStringLiteral("p.ini"));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
            qFatal("cannot prepare %s", qPrintable(path));
        return path;
    }
    static QByteArray contents(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

private slots:
    void init() { QVERIFY(dir_.isValid()); }

    void readString_data() {
        const QByteArray f = "[a]\r\nk= v 1 \t\r\nempty=\r\nx=1=2\r\n[B]\r\nk=other\r\n";
        DataTable<QByteArray, QString, QString, QString>({"file", "section", "key", "expected"})
            .row("trimmed", f, "a", "k", "v 1")
            .row("names ignore case", f, "A", "K", "v 1")
            .row("second section", f, "b", "k", "other")
            .row("present but empty", f, "a", "empty", "")
            .row("value holds =", f, "a", "x", "1=2")
            .row("missing key", f, "a", "nope", "<def>")
            .row("missing section", f, "c", "k", "<def>")
            .row("key before any section", QByteArray("k=0\n[a]\n"), "a", "k", "<def>")
            .row("first key wins", QByteArray("[a]\nk=1\nK=2\n"), "a", "k", "1")
            .row("first section wins", QByteArray("[a]\nz=1\n[A]\nk=2\n"), "a", "k", "<def>")
            .row("LF, no final end", QByteArray("[a]\nk=lf"), "a", "k", "lf")
            .row("blanks around names", QByteArray(" [ a ] \n  k  =3\n"), "a", "k", "3")
            .row("line without =", QByteArray("[a]\nk\n"), "a", "k", "<def>")
            .row("not text", QByteArray("\x00\xff\x01[a\x00k=\x02", 9), "a", "k", "<def>");
    }
    void readString() {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QCOMPARE(IniFile(put(file)).readString(section, key, QStringLiteral("<def>")), expected);
    }

    void writeString_data() {
        const QByteArray f = "; note\r\n[a]\r\n Key = old \r\nz=1\r\n\r\n[b]\r\nk=2\r\n";
        DataTable<QByteArray, QString, QString, QString, QByteArray>(
            {"before", "section", "key", "value", "after"})
            .row("in place, spelling kept", f, "A", "key", "new",
                 QByteArray("; note\r\n[a]\r\nKey=new\r\nz=1\r\n\r\n[b]\r\nk=2\r\n"))
            .row("new key ends its section", f, "a", "n", "5",
                 QByteArray("; note\r\n[a]\r\n Key = old \r\nz=1\r\nn=5\r\n\r\n[b]\r\nk=2\r\n"))
            .row("new section ends the file", f, "c", "n", "5", QByteArray(f + "[c]\r\nn=5\r\n"))
            .row("LF file stays LF", QByteArray("[a]\nk=1\n"), "a", "m", "2",
                 QByteArray("[a]\nk=1\nm=2\n"))
            .row("unfinished last line", QByteArray("[a]\nk=1"), "b", "m", "2",
                 QByteArray("[a]\nk=1\n[b]\nm=2\n"))
            .row("new file is CRLF", QByteArray(), "s", "k", "v", QByteArray("[s]\r\nk=v\r\n"))
            .row("first duplicate replaced", QByteArray("[a]\nk=1\nk=2\n[a]\nk=3\n"), "a", "k", "9",
                 QByteArray("[a]\nk=9\nk=2\n[a]\nk=3\n"))
            .row("line break becomes blank", QByteArray("[a]\n"), "a", "k", "x\r\ny\nz",
                 QByteArray("[a]\nk=x y z\n"))
            .row("not text kept, section appended", QByteArray("\x00\xfe\x01", 3), "a", "k", "v",
                 QByteArray("\x00\xfe\x01\r\n[a]\r\nk=v\r\n", 15));
    }
    void writeString() {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        const QString path = put(before);
        IniFile ini(path);
        ini.writeString(section, key, value);
        ini.save();
        QCOMPARE(contents(path), after);
    }

    // Text beyond 7 bits: the file keeps its encoding, and untouched bytes
    // stay as they were even where they do not decode.
    void encodings_data() {
        DataTable<int, QByteArray, QString, QString, QByteArray>(
            {"codePage", "before", "read", "written", "after"})
            // GBK: 中文 = D6D0 CEC4, 标签 = B1EA C7A9; \x81\x20 is no GBK pair.
            .row("GBK file", 936, QByteArray("[a]\r\nt=\xd6\xd0\xce\xc4\r\nbad=\x81\x20\r\n"),
                 QString::fromUtf8("中文"), QString::fromUtf8("标签"),
                 QByteArray("[a]\r\nt=\xd6\xd0\xce\xc4\r\nbad=\x81\x20\r\nw=\xb1\xea\xc7\xa9\r\n"))
            .row("UTF-8 file", 936, QByteArray("[a]\nt=\xe4\xb8\xad\xe6\x96\x87\n"),
                 QString::fromUtf8("中文"), QString::fromUtf8("标签"),
                 QByteArray("[a]\nt=\xe4\xb8\xad\xe6\x96\x87\nw=\xe6\xa0\x87\xe7\xad\xbe\n"))
            .row("UTF-8 mark kept", 437, QByteArray("\xef\xbb\xbf[a]\nt=x\n"), "x",
                 QString::fromUtf8("é"), QByteArray("\xef\xbb\xbf[a]\nt=x\nw=\xc3\xa9\n"))
            .row("7-bit file takes GBK", 936, QByteArray("[a]\nt=x\n"), "x",
                 QString::fromUtf8("标签"), QByteArray("[a]\nt=x\nw=\xb1\xea\xc7\xa9\n"))
            .row("English: Windows-1252, ? for the rest", 437, QByteArray("[a]\nt=caf\xe9\n"),
                 QString::fromUtf8("café"), QString::fromUtf8("é中€"),
                 QByteArray("[a]\nt=caf\xe9\nw=\xe9?\x80\n"));
    }
    void encodings() {
        QFETCH(int, codePage);
        QFETCH(QByteArray, before);
        QFETCH(QString, read);
        QFETCH(QString, written);
        QFETCH(QByteArray, after);
        const QString path = put(before);
        IniFile ini(path, codePage);
        QCOMPARE(ini.readString("a", "t"), read);
        ini.writeString("a", "w", written);
        ini.save();
        QCOMPARE(contents(path), after);
    }

    void utf8Validity_data() {
        DataTable<QByteArray, bool>({"bytes", "valid"})
            .row("ascii", QByteArray("abc"), true)
            .row("two, three, four bytes", QByteArray("\xc3\xa9\xe4\xb8\xad\xf0\x9f\x98\x80"), true)
            .row("overlong", QByteArray("\xc0\x80"), false)
            .row("overlong three", QByteArray("\xe0\x80\x80"), false)
            .row("surrogate", QByteArray("\xed\xa0\x80"), false)
            .row("past U+10FFFF", QByteArray("\xf4\x90\x80\x80"), false)
            .row("cut short", QByteArray("a\xe4\xb8"), false)
            .row("GBK", QByteArray("\xd6\xd0\xce\xc4"), false);
    }
    void utf8Validity() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        QCOMPARE(IniText::isValidUtf8(bytes), valid);
    }

    // A save that cannot finish throws the operator's text and leaves the old
    // file whole. Tests run as root, for whom permissions stop nothing, so
    // the failures here are ones root meets too.
    void failedSave_data() {
        DataTable<QString>({"how"})
            .row("folder missing", "folder")
            .row("a directory in the file's place", "directory")
            .row("disk full (file size limit)", "full");
    }
    void failedSave() {
        QFETCH(QString, how);
        const QByteArray old = "[a]\r\nk=old\r\n";
        QString path = put(old);
        if (how == "folder")
            path = dir_.filePath(QStringLiteral("no/such/p.ini"));
        if (how == "directory") {
            path = dir_.filePath(QStringLiteral("d.ini"));
            QVERIFY(QDir().mkpath(path + "/inside"));
        }
        IniFile ini(path);
        ini.writeString("a", "k", QString(4096, QLatin1Char('x')));

        rlimit saved{};
        if (how == "full") {
            // Writes past 100 bytes fail with EFBIG, as on a full disk.
            std::signal(SIGXFSZ, SIG_IGN);
            QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
            rlimit small = saved;
            small.rlim_cur = 100;
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        }
        QString error;
        try {
            ini.save();
        } catch (const AppError& e) {
            error = e.text();
        }
        if (how == "full")
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);

        QCOMPARE(error, QStringLiteral("Unable to write to ") + path);
        if (how == "full")
            QCOMPARE(contents(path), old);
        if (how == "directory")
            QVERIFY(QFileInfo(path + "/inside").isDir());
        QCOMPARE(QDir(dir_.path()).entryList(QDir::Files),
                 QStringList{"p.ini"}); // no temporary left
    }

    void gbkCodecAvailable() {
        // Qt finds GBK through ICU; a Qt built without it could not read the
        // Chinese stations' files.
        QCOMPARE(IniText::decode("\xd6\xd0", IniText::Encoding::Ansi, 936),
                 QString::fromUtf8("中"));
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_IniFile.moc"
