#include "printing/ManualList.h"
#include "station/ListFileStrips.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTest>

// A list file read piece by piece prints exactly the strips the window's
// hand-typed list makes of the same text, wherever the pieces end, and holds
// only a small part of a long list at a time.

namespace {

std::vector<LabelRow> readAll(const QByteArray& bytes, qint64 chunk) {
    QBuffer in;
    in.setData(bytes);
    in.open(QIODevice::ReadOnly);
    ListFileStrips strips(in, chunk);
    std::vector<LabelRow> out;
    while (strips.more())
        out.push_back(strips.next());
    return out;
}

QStringList flat(const std::vector<LabelRow>& rows) {
    QStringList out;
    for (const LabelRow& r : rows)
        out << QStringLiteral("[%1|%2|%3]")
                   .arg(r.labels[0].text, r.labels[1].text, r.labels[2].text);
    return out;
}

// Lines generated as they are read: a list of any length without holding it.
class GeneratedList : public QIODevice {
public:
    explicit GeneratedList(qint64 lines) : lines_(lines) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 max) override {
        qint64 n = 0;
        while (n < max) {
            if (pending_.isEmpty()) {
                if (next_ >= lines_)
                    break;
                pending_ =
                    QByteArray("QZ") + QByteArray::number(next_++).rightJustified(6, '0') + "\r\n";
            }
            const qint64 take = qMin<qint64>(max - n, pending_.size());
            memcpy(data + n, pending_.constData(), size_t(take));
            pending_.remove(0, take);
            n += take;
        }
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    qint64 lines_;
    qint64 next_ = 0;
    QByteArray pending_;
};

} // namespace

class TestListFileStrips : public QObject {
    Q_OBJECT
private slots:
    void sameAsTheWindow_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("four items") << QByteArray("A,B,C,D");
        QTest::newRow("CR LF lines, trailing") << QByteArray("A\r\nB\r\nC\r\n");
        QTest::newRow("blank line") << QByteArray("A\n\nB");
        QTest::newRow("only a line break") << QByteArray("\r\n");
        QTest::newRow("space kept") << QByteArray("A, B");
        QTest::newRow("LF CR one, CR CR LF two") << QByteArray("A\n\rB\r\r\nC");
        QTest::newRow("CR LF CR LF CR") << QByteArray("A\r\n\r\n\rB\n\r\n\rC\r");
        QTest::newRow("full-width and slashes")
            << QString::fromUtf8("甲，乙；丙\\丁/戊;己").toUtf8();
        QTest::newRow("no separator") << QByteArray("ABCDEFGH");
        QTest::newRow("comma only") << QByteArray(",");
        // Line breaks in every order, as a hand-edited file may hold them.
        QRandomGenerator rng(20261209);
        for (int n = 0; n < 20; ++n) {
            QByteArray b;
            for (int i = 0; i < 200; ++i) {
                const quint32 r = rng.bounded(6);
                b += r == 0   ? "\r"
                     : r == 1 ? "\n"
                     : r == 2 ? ","
                     : r == 3 ? "x"
                     : r == 4 ? "y"
                              : "\r\n";
            }
            QTest::newRow(qPrintable(QStringLiteral("mixed %1").arg(n))) << b;
        }
    }
    void sameAsTheWindow() {
        QFETCH(QByteArray, bytes);
        const QStringList expected = flat(manualListStrips(QString::fromUtf8(bytes)));
        for (qint64 chunk : {1, 2, 3, 5, 7, 64 * 1024})
            QCOMPARE(flat(readAll(bytes, chunk)), expected);
    }

    // A line that never ends: the reading stops at the text too long for a
    // label, names its line, and the lines before it print.
    void endlessLineStopsTheReading() {
        struct Endless : QIODevice {
            QByteArray head = "A1\r\nB2\nC3\nD4,";
            Endless() { open(QIODevice::ReadOnly); }
            bool isSequential() const override { return true; }
            qint64 readData(char* data, qint64 max) override {
                const QByteArray part = head.left(int(max));
                head.remove(0, part.size());
                memcpy(data, part.constData(), size_t(part.size()));
                memset(data + part.size(), 'X', size_t(max - part.size()));
                return max;
            }
            qint64 writeData(const char*, qint64) override { return -1; }
        } in;
        ListFileStrips strips(in, 4096);
        QStringList texts;
        while (strips.more())
            for (const LabelSlot& slot : strips.next().labels)
                texts << slot.text;
        QCOMPARE(texts, (QStringList{"A1", "B2", "C3", "D4", "", ""}));
        QVERIFY2(strips.readError().startsWith("line 4 holds a label text of more than 255"),
                 qPrintable(strips.readError()));
    }

    // A list far longer than any piece read: every line is printed, in order,
    // while the strips waiting stay one strip's worth.
    void longListStaysSmall() {
        const qint64 lines = 300000;
        GeneratedList in(lines);
        ListFileStrips strips(in, 4096);
        qint64 items = 0;
        qint64 mostHeld = 0;
        while (strips.more()) {
            mostHeld = qMax(mostHeld, strips.heldChars());
            const LabelRow row = strips.next();
            for (const LabelSlot& slot : row.labels) {
                if (slot.text.isEmpty())
                    continue;
                QCOMPARE(slot.text, QStringLiteral("QZ%1").arg(items, 6, 10, QLatin1Char('0')));
                ++items;
            }
        }
        QCOMPARE(items, lines);
        QVERIFY(strips.complete());
        QCOMPARE(strips.stripsTaken(), (lines + 2) / 3);
        // One piece read and the items it completed, never the list.
        QVERIFY2(mostHeld <= 2 * 4096, qPrintable(QString::number(mostHeld)));
    }
};

QTEST_GUILESS_MAIN(TestListFileStrips)
#include "tst_listfilestrips.moc"
