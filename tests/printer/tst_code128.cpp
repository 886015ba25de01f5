#include "printer/Code128.h"
#include "printer/PplaDecoder.h"
#include "tests/support/DataTable.h"

#include <QTest>

// The Code 128 data field: what the encoder sends, and that the printer's way
// of reading it (the virtual printer's decoder) gives back the exact text.
class TestCode128 : public QObject {
    Q_OBJECT
private slots:
    void encodesField_data() {
        DataTable<QByteArray, QByteArray>({"data", "field"})
            .row("letters and digits", QByteArray("AB12x5"), QByteArray("BAB12x5"))
            .row("begins with A", QByteArray("Axyz"), QByteArray("BAxyz"))
            .row("begins with B", QByteArray("Bxyz"), QByteArray("BBxyz"))
            .row("begins with C", QByteArray("C9"), QByteArray("BC9"))
            .row("six digits", QByteArray("123456"), QByteArray("C123456"))
            .row("five digits", QByteArray("12345"), QByteArray("C1234&E5"))
            .row("three digits", QByteArray("123"), QByteArray("B123"))
            .row("digits at the end", QByteArray("AB1234"), QByteArray("BAB&D1234"))
            .row("odd digits at the end", QByteArray("A12345"), QByteArray("BA1&D2345"))
            .row("ampersand alone", QByteArray("x&y"), QByteArray("Bx&y"))
            .row("ampersand before A", QByteArray("1&A"), QByteArray("B1&&CA"))
            .row("ampersand before G", QByteArray("&G"), QByteArray("B&&CG"))
            .row("two ampersands", QByteArray("&&B"), QByteArray("B&&&CB"))
            .row("ampersand at the end", QByteArray("AB&"), QByteArray("BAB&"))
            .row("control character", QByteArray("a\tb"), QByteArray("Ba&Cib"))
            .row("NUL and ESC", QByteArray("x\0\x1b", 3), QByteArray("Bx&C`&C{"))
            .row("ampersand before switch to C", QByteArray("x&123456"), QByteArray("Bx&&D123456"));
    }
    void encodesField() {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, field);
        QCOMPARE(Code128::encodeField(data), field);
    }

    void decoderReadsBackExactly_data() {
        QTest::addColumn<QByteArray>("data");
        for (const char* s : {"A12345", "B", "C", "CCCCCC", "&A&B&C", "&&&&", "ab&Gcd", "123&D4",
                              "0123456789", "9&E", "~`{|}", "A&F", " space", "x1234567y"})
            QTest::newRow(s) << QByteArray(s);
        QTest::newRow("controls") << QByteArray("\x01\x1f\x7f&\x1a", 5);
    }
    void decoderReadsBackExactly() {
        QFETCH(QByteArray, data);
        const QByteArray field = Code128::encodeField(data);
        QString error;
        const auto back = decodeCode128Field(field, &error);
        QVERIFY2(back.has_value(), qPrintable(error));
        QCOMPARE(*back, data);
    }

    void refusesEightBitBytes() {
        QString error;
        QVERIFY(Code128::encodeField("ab\xc3\xa9", &error).isEmpty());
        QVERIFY(!error.isEmpty());
    }

    void countsSymbols_data() {
        DataTable<QByteArray, int>({"field", "symbols"})
            .row("B six", QByteArray("BAB12x5"), 9)
            // start 6 check stop
            .row("C six", QByteArray("C123456"), 6)
            // start 3 check stop
            .row("shift", QByteArray("B1&&CA"), 7)
            // start 1 & SHIFT A check stop
            .row("switch", QByteArray("BA1&D2345"), 8)
            // start A 1 CODEC 23 45 check stop
            ;
    }
    void countsSymbols() {
        QFETCH(QByteArray, field);
        QFETCH(int, symbols);
        QCOMPARE(Code128::symbolCount(field), symbols);
    }
};

QTEST_MAIN(TestCode128)
#include "tst_code128.moc"
