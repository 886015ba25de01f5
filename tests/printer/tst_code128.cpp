#include "printer/Code128.h"
#include "printer/PplaDecoder.h"

#include <QTest>

// The Code 128 data field: what the encoder sends, and that the printer's way
// of reading it (the virtual printer's decoder) gives back the exact text.
class TestCode128 : public QObject {
    Q_OBJECT
private slots:
    void encodesField_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("field");
        QTest::newRow("letters and digits") << QByteArray("AB12x5") << QByteArray("BAB12x5");
        QTest::newRow("begins with A") << QByteArray("Axyz") << QByteArray("BAxyz");
        QTest::newRow("begins with B") << QByteArray("Bxyz") << QByteArray("BBxyz");
        QTest::newRow("begins with C") << QByteArray("C9") << QByteArray("BC9");
        QTest::newRow("six digits") << QByteArray("123456") << QByteArray("C123456");
        QTest::newRow("five digits") << QByteArray("12345") << QByteArray("C1234&E5");
        QTest::newRow("three digits") << QByteArray("123") << QByteArray("B123");
        QTest::newRow("digits at the end") << QByteArray("AB1234") << QByteArray("BAB&D1234");
        QTest::newRow("odd digits at the end") << QByteArray("A12345") << QByteArray("BA1&D2345");
        QTest::newRow("ampersand alone") << QByteArray("x&y") << QByteArray("Bx&y");
        QTest::newRow("ampersand before A") << QByteArray("1&A") << QByteArray("B1&&CA");
        QTest::newRow("ampersand before G") << QByteArray("&G") << QByteArray("B&&CG");
        QTest::newRow("two ampersands") << QByteArray("&&B") << QByteArray("B&&&CB");
        QTest::newRow("ampersand at the end") << QByteArray("AB&") << QByteArray("BAB&");
        QTest::newRow("control character") << QByteArray("a\tb") << QByteArray("Ba&Cib");
        QTest::newRow("NUL and ESC") << QByteArray("x\0\x1b", 3) << QByteArray("Bx&C`&C{");
        QTest::newRow("ampersand before switch to C")
            << QByteArray("x&123456") << QByteArray("Bx&&D123456");
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
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<int>("symbols");
        QTest::newRow("B six") << QByteArray("BAB12x5") << 9;    // start 6 check stop
        QTest::newRow("C six") << QByteArray("C123456") << 6;    // start 3 check stop
        QTest::newRow("shift") << QByteArray("B1&&CA") << 7;     // start 1 & SHIFT A check stop
        QTest::newRow("switch") << QByteArray("BA1&D2345") << 8; // start A 1 CODEC 23 45 check stop
    }
    void countsSymbols() {
        QFETCH(QByteArray, field);
        QFETCH(int, symbols);
        QCOMPARE(Code128::symbolCount(field), symbols);
    }
};

QTEST_MAIN(TestCode128)
#include "tst_code128.moc"
