#include "core/AppError.h"
#include "db/RecordSet.h"
#include "db/SearchRules.h"
#include "tests/support/DataTable.h"
#include "tests/support/TestDatabase.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QTest>

// The rules of the record search dialog, without a window: the search text,
// what a search finds in a record set of a real embedded database, when a
// record may be picked, and the history of the settings file's FSrchDlg section.
class TestSearchRules : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TDMdata> dm;

    std::unique_ptr<RecordSet> openSet(const QStringList& lines) {
        auto set = std::make_unique<RecordSet>(
            dm->connectionName(),
            QList<FieldDef>{{"Code", 20, false}, {"Name", 100, false}, {"Note", 50, false}});
        set->open(lines);
        return set;
    }
    static QStringList rows() {
        return {"SELECT 'K1' AS Code, 'Alpha' AS Name, 'plain' AS Note",
                "UNION ALL SELECT 'K2', 'Beta', 'XAB12'", "UNION ALL SELECT 'K3', 'xab99', NULL",
                "UNION ALL SELECT 'K4', '中文ab', 'Ärger'", "UNION ALL SELECT 'K5', 'Gamma', 2026"};
    }

private slots:
    void initTestCase() { dm = openEmbedded(dir.filePath("rules.db")); }
    void cleanupTestCase() { dm.reset(); }

    void upper_data() {
        DataTable<QString, QString>({"text", "expected"})
            .row("ascii", "abz AZ 09", "ABZ AZ 09")
            .row("accented stay", "äéÿ", "äéÿ")
            .row("chinese stays", "中文ab", "中文AB")
            .row("full-width stays", "ａｂ", "ａｂ");
    }
    void upper() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(SearchRules::upper(text), expected);
    }

    void matches_data() {
        DataTable<QStringList, QString, bool>({"values", "text", "expected"})
            .row("first field", QStringList{"XAB12", "q"}, "ab", true)
            .row("last field", QStringList{"q", "", "XAB12"}, "ab", true)
            .row("upper text", QStringList{"xab12"}, "AB", true)
            .row("not across fields", QStringList{"xa", "b1"}, "ab", false)
            .row("none", QStringList{"xyz"}, "ab", false)
            .row("accent not folded", QStringList{"Ärger"}, "ä", false)
            .row("accent same case", QStringList{"Ärger"}, "Är", true)
            .row("chinese", QStringList{"中文ab"}, "文A", true);
    }
    void matches() {
        QFETCH(QStringList, values);
        QFETCH(QString, text);
        QFETCH(bool, expected);
        QCOMPARE(SearchRules::matches(values, SearchRules::upper(text)), expected);
    }

    void afterSearch_data() {
        DataTable<QStringList, QString, QStringList>({"history", "text", "expected"})
            .row("first", QStringList{}, "ab", QStringList{"ab"})
            .row("newest on top", QStringList{"b", "a"}, "c", QStringList{"c", "b", "a"})
            .row("other case adds nothing", QStringList{"ab"}, "Ab", QStringList{"ab"})
            .row("present stays in place", QStringList{"c", "b", "a"}, "A",
                 QStringList{"c", "b", "a"})
            .row("substring is another entry", QStringList{"abc"}, "ab", QStringList{"ab", "abc"})
            .row("eleventh entry kept in the list",
                 QStringList{"9", "8", "7", "6", "5", "4", "3", "2", "1", "0"}, "10",
                 QStringList{"10", "9", "8", "7", "6", "5", "4", "3", "2", "1", "0"});
    }
    void afterSearch() {
        QFETCH(QStringList, history);
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        QCOMPARE(SearchRules::afterSearch(history, text), expected);
    }

    void keys_data() {
        DataTable<int, QString>({"position", "key"})
            .row("0", 0, "FindStr00")
            .row("9", 9, "FindStr09")
            .row("10 in hexadecimal", 10, "FindStr0A")
            .row("31", 31, "FindStr1F");
    }
    void keys() {
        QFETCH(int, position);
        QFETCH(QString, key);
        QCOMPARE(SearchRules::key(position), key);
    }

    void toStore_data() {
        QTest::addColumn<QStringList>("history");
        QTest::addColumn<QStringList>("expected"); // key=value
        QTest::newRow("empty") << QStringList{} << QStringList{};
        QTest::newRow("trimmed, blank skipped with its key")
            << QStringList{" c ", "  ", "a"} << QStringList{"FindStr00=c", "FindStr02=a"};
        QStringList eleven, ten;
        for (int i = 10; i >= 0; --i)
            eleven << QString::number(i);
        for (int i = 0; i < 10; ++i)
            ten << QString("FindStr%1=%2").arg(i, 2, 10, QChar('0')).arg(10 - i);
        QTest::newRow("only ten") << eleven << ten;
    }
    void toStore() {
        QFETCH(QStringList, history);
        QFETCH(QStringList, expected);
        QStringList got;
        for (const auto& [k, v] : SearchRules::toStore(history))
            got << k + "=" + v;
        QCOMPARE(got, expected);
    }

    void fromStored() {
        QCOMPARE(SearchRules::fromStored({"", " b ", "", "a", "   "}), (QStringList{"b", "a"}));
    }

    void readHistory_data() {
        // stored: key=value
        DataTable<QStringList, QStringList>({"stored", "expected"})
            .row("none", QStringList{}, QStringList{})
            .row("in key order, gaps and blanks skipped",
                 QStringList{"FindStr03=c", "FindStr00= a ", "FindStr01=  "}, QStringList{"a", "c"})
            .row("beyond FindStr09 not read",
                 QStringList{"FindStr09=j", "FindStr0A=k", "FindStr10=q"}, QStringList{"j"})
            .row("decimal-looking key not read", QStringList{"FindStr0A=k", "FindStr10=q"},
                 QStringList{});
    }
    void readHistory() {
        QFETCH(QStringList, stored);
        QFETCH(QStringList, expected);
        QStringList asked;
        const QStringList got = SearchRules::readHistory([&](const QString& key) {
            asked << key;
            for (const QString& entry : stored)
                if (entry.section('=', 0, 0) == key)
                    return entry.section('=', 1);
            return QString();
        });
        QCOMPARE(got, expected);
        QCOMPARE(asked.size(), SearchRules::kStored);
    }

    void widthRule_data() {
        DataTable<int, int>({"size", "width"})
            .row("3", 3, 30)
            .row("10", 10, 100)
            .row("11", 11, 176)
            .row("100", 100, 176);
    }
    void widthRule() {
        QFETCH(int, size);
        QFETCH(int, width);
        QCOMPARE(SearchRules::secondColumnWidth(size), width);
    }

    void searchedText_data() {
        DataTable<QVariant, QString>({"value", "expected"})
            .row("null", QVariant(), "")
            .row("null text", QVariant(QMetaType(QMetaType::QString)), "")
            .row("text", QVariant("ab C"), "ab C")
            .row("number", QVariant(2026), "2026")
            .row("date-time as shown", QVariant(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7))),
                 "2026-03-04 05:06:07");
    }
    void searchedText() {
        QFETCH(QVariant, value);
        QFETCH(QString, expected);
        QCOMPARE(SearchRules::searchedText(value), expected);
    }

    void recordMatches_data() {
        // found: keys of the matching records
        DataTable<QString, QStringList>({"text", "found"})
            .row("any field, any case", "ab", QStringList{"K2", "K3", "K4"})
            .row("key field", "k1", QStringList{"K1"})
            .row("number field", "202", QStringList{"K5"})
            .row("null field skipped", "x", QStringList{"K2", "K3"})
            .row("not across fields", "k1alpha", QStringList{})
            .row("accent not folded", "ä", QStringList{})
            .row("chinese", "文A", QStringList{"K4"});
    }
    void recordMatches() {
        QFETCH(QString, text);
        QFETCH(QStringList, found);
        const auto set = openSet(rows());
        QStringList got;
        for (int r = 0; r < set->recordCount(); ++r)
            if (SearchRules::recordMatches(*set, r, SearchRules::upper(text)))
                got << set->recordValue(r, 0).toString();
        QCOMPARE(got, found);
    }

    // OK needs a record at showing; picking needs one shown after the search.
    void pickRules_data() {
        // search: empty: no filter
        DataTable<QStringList, QString, bool, bool>({"lines", "search", "okEnabled", "canAccept"})
            .row("records", rows(), "", true, true)
            .row("search shows some", rows(), "BETA", true, true)
            .row("search shows none", rows(), "no such text", true, false)
            .row("no records",
                 QStringList{"SELECT 'K' AS Code, 'N' AS Name, 'x' AS Note", "WHERE 1=0"}, "",
                 false, false);
    }
    void pickRules() {
        QFETCH(QStringList, lines);
        QFETCH(QString, search);
        QFETCH(bool, okEnabled);
        QFETCH(bool, canAccept);
        const auto set = openSet(lines);
        const QString upper = SearchRules::upper(search);
        set->setFilterRecord([&upper](const RecordSet& s, int record) {
            return SearchRules::recordMatches(s, record, upper);
        });
        set->setFiltered(!search.isEmpty());
        QCOMPARE(SearchRules::okEnabled(set.get()), okEnabled);
        QCOMPARE(SearchRules::canAccept(set.get()), canAccept);
    }

    void noSetPicksNothing() {
        QVERIFY(!SearchRules::okEnabled(nullptr));
        QVERIFY(!SearchRules::canAccept(nullptr));
    }
};

QTEST_GUILESS_MAIN(TestSearchRules)
#include "tst_searchrules.moc"
