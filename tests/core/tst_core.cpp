#include "core/AppError.h"
#include "core/DataModule.h"
#include "core/ErrorReport.h"
#include "core/Language.h"
#include "core/Text.h"
#include "tests/support/DataTable.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/WholeNumberRows.h"

#include <QTest>

class TestCore : public QObject {
    Q_OBJECT
private slots:
    void errorReportAddsFullStop_data() {
        DataTable<QString, QString>({"text", "shown"})
            .row("letter", "'abc' is not a valid integer value",
                 "'abc' is not a valid integer value.")
            .row("full stop", "Unable to write.", "Unable to write.")
            .row("exclamation sorts before", "Open USB fail!", "Open USB fail!")
            .row("closing parenthesis sorts before", "ids (1,2)", "ids (1,2)")
            .row("digit sorts after", "error 42", "error 42.")
            .row("Chinese sorts after", QString::fromUtf8("请输入数量"),
                 QString::fromUtf8("请输入数量."))
            .row("empty", "", "");
    }
    void errorReportAddsFullStop() {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(errorReportText(text), shown);
    }

    void guardedCatchesEverything() {
        ScriptedPrompts prompts;
        QVERIFY(!guarded(prompts, [] { throw AppError::invalidInteger("x1"); }));
        QVERIFY(!guarded(prompts, [] { throw std::runtime_error("boom"); }));
        QVERIFY(!guarded(prompts, [] { throw 7; }));
        QVERIFY(guarded(prompts, [] {}));
        QCOMPARE(prompts.texts("error"),
                 QStringList({"'x1' is not a valid integer value.", "boom.", "Unknown error."}));
    }

    void languageIds_data() {
        DataTable<QString, int, int>({"locale", "langId", "codePage"})
            .row("zh_CN", "zh_CN.UTF-8", 0x0804, 936)
            .row("zh_CN gbk", "zh_CN.GBK", 0x0804, 936)
            .row("zh_TW", "zh_TW.UTF-8", 0x0404, 437)
            .row("zh_HK", "zh_HK", 0x0C04, 437)
            .row("zh_SG", "zh_SG.UTF-8", 0x1004, 437)
            .row("en_US", "en_US.UTF-8", 0x0409, 437)
            .row("de_DE", "de_DE@euro", 0x0407, 437)
            .row("unknown", "xx_YY", 0x0409, 437);
    }
    void languageIds() {
        QFETCH(QString, locale);
        QFETCH(int, langId);
        QFETCH(int, codePage);
        QCOMPARE(int(windowsLanguageId(locale)), langId);
        QCOMPARE(codePageForLanguageId(windowsLanguageId(locale)), codePage);
    }

    void systemLanguageFollowsLocaleVariables() {
        qputenv("LC_ALL", "zh_CN.UTF-8");
        QCOMPARE(int(systemDefaultLanguageId()), 0x0804);
        qputenv("LC_ALL", "en_US.UTF-8");
        QCOMPARE(int(systemDefaultLanguageId()), 0x0409);
        qunsetenv("LC_ALL");
    }

    void ansiLength_data() {
        DataTable<QString, int, int>({"text", "codePage", "bytes"})
            .row("ascii", "ABCDEFG", 936, 7)
            .row("chinese under 936", QString::fromUtf8("标签ABCD"), 936, 8)
            .row("chinese under 437", QString::fromUtf8("标签ABCD"), 437, 6)
            .row("outside BMP", QString::fromUtf8("\U0001F600A"), 936, 2);
    }
    void ansiLength() {
        QFETCH(QString, text);
        QFETCH(int, codePage);
        QFETCH(int, bytes);
        QCOMPARE(ansiByteLength(text, codePage), bytes);
    }

    void wholeNumbers_data() { wholeNumberRows(); }
    void wholeNumbers() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        const auto n = parseInt32(text);
        QCOMPARE(n.has_value(), valid);
        if (valid)
            QCOMPARE(*n, value);
    }

    void trimRemovesControlCharacters() {
        QCOMPARE(trimBlanks(" \t\r\n ab c\x01 "), QString("ab c"));
        QCOMPARE(quoteDoubled("O'Brien''s"), QString("O''Brien''''s"));
    }

    void connectionMessageHasFourLines() {
        const QStringList lines = connectionFailureText("driver says no").split("\r\n");
        QCOMPARE(lines,
                 QStringList({"Can not connect to database. Please check your ODBC Setting of  ",
                              "If you using a network database, please check network "
                              "connection ready or not.",
                              "Error message:", "driver says no"}));
    }
};

QTEST_GUILESS_MAIN(TestCore)
#include "tst_core.moc"
