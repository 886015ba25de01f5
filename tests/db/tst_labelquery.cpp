#include "db/LabelQuery.h"
#include "tests/support/DataTable.h"
#include "tests/support/TestLabelFilter.h"

#include <QTest>

// The T-SQL lines the label query sends to the plant's server.
class TestLabelQuery : public QObject {
    Q_OBJECT
private:
    static QString first(int n) { return QString("SELECT top %1 * FROM  PrintLabel    ").arg(n); }
    static QString where() { return "WHERE  1=1                                    "; }
    static QString size() { return "      AND  LabelSize='30X10' "; }
    static QString date() { return "      AND  CreateTime >='2026-12-09'"; }
    static QString state(int flag) {
        return QString("      AND  isnull(PrintFlag,0) =%1                 ").arg(flag);
    }
    static QString like(const QString& t) { return "      AND  LabelText LIKE '%" + t + "%' "; }
    static QString order() { return "ORDER BY LabelText                              "; }

private slots:
    void lines_data() {
        const QStringList plain = {first(10000), where(), size(), date(), state(0), order()};
        // Four Chinese characters are eight bytes under 936 but four under 437.
        const QString chinese = QString::fromUtf8("标签内容");
        const QString seven = QString::fromUtf8("标签内A");
        DataTable<QString, bool, QString, int, QStringList>(
            {"amount", "toPrint", "labelLike", "codePage", "expected"})
            .row("empty count", "", true, "", 437, plain)
            .row("letters count", "abc", true, "", 437, plain)
            .row("zero count", "0", true, "", 437, plain)
            .row("negative count", "-5", true, "", 437, plain)
            .row("count too large for 32 bits", "99999999999", true, "", 437, plain)
            .row("count with blanks", " 25 ", true, "", 437,
                 QStringList{first(25), where(), size(), date(), state(0), order()})
            .row("printed", "", false, "", 437,
                 QStringList{first(10000), where(), size(), date(), state(1), order()})
            .row("seven characters", "", true, "VA00012", 437,
                 QStringList{first(10000), where(), size(), date(), state(0), like("VA00012"),
                             order()})
            .row("eight characters", "", true, "VA000123", 437,
                 QStringList{first(10000), where(), size(), like("VA000123"), order()})
            .row("eight blanks", "", true, "        ", 437,
                 QStringList{first(10000), where(), size(), order()})
            .row(
                "quote doubled", "", true, "O'B", 437,
                QStringList{first(10000), where(), size(), date(), state(0), like("O''B"), order()})
            .row(
                "pattern characters kept", "", true, "A%_1", 437,
                QStringList{first(10000), where(), size(), date(), state(0), like("A%_1"), order()})
            .row("chinese 8 bytes under 936", "", true, chinese, 936,
                 QStringList{first(10000), where(), size(), like(chinese), order()})
            .row("chinese 4 characters under 437", "", true, chinese, 437,
                 QStringList{first(10000), where(), size(), date(), state(0), like(chinese),
                             order()})
            .row(
                "chinese 7 bytes under 936", "", true, seven, 936,
                QStringList{first(10000), where(), size(), date(), state(0), like(seven), order()});
    }
    void lines() {
        QFETCH(QString, amount);
        QFETCH(bool, toPrint);
        QFETCH(QString, labelLike);
        QFETCH(int, codePage);
        QFETCH(QStringList, expected);
        QCOMPARE(
            labelQueryLines(testLabelFilter(amount, toPrint, labelLike, codePage), Dialect::TSql),
            expected);
    }

    void fixedLineWidths() {
        QCOMPARE(where().size(), 46);
        QCOMPARE(state(0).size(), 50);
        QCOMPARE(order().size(), 48);
    }
};

QTEST_GUILESS_MAIN(TestLabelQuery)
#include "tst_labelquery.moc"
