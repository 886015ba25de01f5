#include "core/AppError.h"
#include "core/Language.h"
#include "printing/PrintMarking.h"
#include "printing/StripPlan.h"
#include "settings/PortNames.h"
#include "tests/support/DataTable.h"
#include "tests/support/StripLayout.h"
#include "tests/support/TestDatabase.h"

#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(LabelFormat)

// The plan of one strip: what goes where, and what the printer would refuse.
class TestStripPlan : public QObject {
    Q_OBJECT
private slots:
    void portNumbers_data() {
        DataTable<QString, int>({"name", "number"})
            .row("USB1", "USB1", 1)
            .row("USB6", "USB6", 6)
            .row("search", "USBX", kUsbSearchPort)
            .row("lower case", "usb2", 0)
            .row("other", "LPT1", 0)
            .row("empty", "", 0);
    }
    void portNumbers() {
        QFETCH(QString, name);
        QFETCH(int, number);
        TLabelLayout layout = stripLayout();
        layout.port = name;
        const StripPlan plan = planStrip(layout, LabelFormat::Barcode, {});
        QCOMPARE(plan.portName, name);
        QCOMPARE(plan.portNumber, number);
        QCOMPARE(plan.darkness, 12);
    }

    void labels_data() {
        // text: x, y, height
        DataTable<LabelFormat, int, bool, QList<int>, QByteArray>(
            {"format", "column", "barcode", "text", "printed"})
            .row("barcode, first", LabelFormat::Barcode, 0, true, QList<int>{40, 18, 30},
                 QByteArray("SN:VA00A001"))
            .row("barcode, third", LabelFormat::Barcode, 2, true, QList<int>{520, 18, 30},
                 QByteArray("SN:VA00A003"))
            .row("text, second", LabelFormat::Text, 1, false, QList<int>{280, -4, 52},
                 QByteArray("VA00A002"));
    }
    void labels() {
        QFETCH(LabelFormat, format);
        QFETCH(int, column);
        QFETCH(bool, barcode);
        QFETCH(QList<int>, text);
        QFETCH(QByteArray, printed);
        TLabelLayout layout = stripLayout();
        layout.columns[1].barcode.width = 9; // only the first label's width counts
        const StripPlan plan =
            planStrip(layout, format, LabelRow::ofTexts("VA00A001", "VA00A002", "VA00A003"));
        const PlannedLabel& label = plan.labels[size_t(column)];
        QCOMPARE(label.barcode.has_value(), barcode);
        if (barcode) {
            const LabelBox& box = layout.columns[size_t(column)].barcode;
            QCOMPARE(label.barcode->x, box.left);
            QCOMPARE(label.barcode->y, box.top);
            QCOMPARE(label.barcode->moduleWidth, 1);
            QCOMPARE(label.barcode->height, box.height);
            QCOMPARE(label.barcode->content, printed.mid(5, 6));
        }
        QCOMPARE((QList<int>{label.text.x, label.text.y, label.text.height}), text);
        QCOMPARE(label.text.text, printed);
        QCOMPARE(label.text.font, QByteArray("Liberation Serif"));
        QCOMPARE(label.text.weight, std::optional<int32_t>(400));
        QCOMPARE(QByteArray(label.text.imageName), QByteArray(column == 0   ? "A3"
                                                              : column == 1 ? "B3"
                                                                            : "C3"));
        QVERIFY(plan.refused.isEmpty());
    }

    void weightThatIsNoNumberIsCarriedToTheTexts() {
        TLabelLayout layout = stripLayout();
        layout.font = LabelFont::of(layout.font.face, "heavy");
        const StripPlan plan = planStrip(layout, LabelFormat::Text, {});
        for (const PlannedLabel& label : plan.labels) {
            QVERIFY(!label.text.weight);
            QCOMPARE(label.text.weightDigits, QString("hea"));
        }
        QVERIFY(plan.refused.isEmpty()); // the strip itself says so when it is sent
    }

    // Every refused field is listed, left to right, barcode before text.
    void refusedFields_data() {
        // refused: "column field"
        DataTable<LabelFormat, int, int, QStringList, QStringList>(
            {"format", "width", "height2", "texts", "refused"})
            .row("too wide", LabelFormat::Barcode, 13, 30,
                 QStringList{"VA00A001", "VA00A002", "VA00A003"},
                 QStringList{"0 barcode", "1 barcode", "2 barcode"})
            .row("no height, NUL", LabelFormat::Barcode, 1, 0,
                 QStringList{QString::fromLatin1("AB\0", 3), "VA00A002", "x"},
                 QStringList{"0 barcode", "0 text", "1 barcode"})
            .row("text format", LabelFormat::Text, 30, 0,
                 QStringList{"VA00A001", "中文", QString::fromLatin1("\0", 1)},
                 QStringList{"2 text"})
            .row("none", LabelFormat::Barcode, 12, 1, QStringList{"", "", ""}, QStringList{});
    }
    void refusedFields() {
        QFETCH(LabelFormat, format);
        QFETCH(int, width);
        QFETCH(int, height2);
        QFETCH(QStringList, texts);
        QFETCH(QStringList, refused);
        TLabelLayout layout = stripLayout();
        layout.columns[0].barcode.width = width;
        layout.columns[1].barcode.height = height2;
        const StripPlan plan =
            planStrip(layout, format, LabelRow::ofTexts(texts[0], texts[1], texts[2]));
        QStringList got;
        for (const RefusedField& r : plan.refused)
            got << QString("%1 %2").arg(r.column).arg(r.field);
        QCOMPARE(got, refused);
    }

    // The operator's message about a refused field, in the interface language.
    void refusalMessages_data() {
        DataTable<int, int, QString, QString>({"codePage", "width", "text", "message"})
            .row("English, too wide", 437, 13, "VA00A001",
                 "Label VA00A001 (Iden_id 17), barcode: Barcode width 13 is wider than the "
                 "printer allows (12). Its strip was not printed.")
            .row("Chinese, too wide", 936, 13, "VA00A001",
                 QString::fromUtf8("标签 VA00A001（Iden_id 17）的条码：条码宽度 13 "
                                   "超过打印机允许的最大值（12）。该标签条未打印。"))
            .row("Chinese, no record", 936, 12, QString::fromUtf8("QZ00中01"),
                 QString::fromUtf8("标签 QZ00中01的条码：标签文字 QZ00中01 "
                                   "含有条码无法表示的字符。该标签条未打印。"));
    }
    void refusalMessages() {
        QFETCH(int, codePage);
        QFETCH(int, width);
        QFETCH(QString, text);
        QFETCH(QString, message);
        UICodePage = codePage;
        TLabelLayout layout = stripLayout();
        layout.columns[0].barcode.width = width;
        LabelRow row = LabelRow::ofTexts(text, "VA00A002", "VA00A003");
        if (text.startsWith("VA"))
            row.labels[0].id = 17;
        const StripPlan plan = planStrip(layout, LabelFormat::Barcode, row);
        UICodePage = 437;
        QVERIFY(!plan.refused.isEmpty());
        QCOMPARE(refusalMessage(plan.row, plan.refused.first(), codePage), message);
    }

    // Labels that came out but could not be marked printed: the records and
    // the database's reason, in the interface language.
    void markingFailure_data() {
        DataTable<int, QString>({"codePage", "opening"})
            .row("English", 437,
                 "Labels were printed but could not be marked as printed (Iden_id 2, 5). "
                 "Printing stopped. ")
            .row("Chinese", 936,
                 QString::fromUtf8("标签已打印，但无法标记为已打印（Iden_id 2, 5）。打印已停止。"));
    }
    void markingFailure() {
        QFETCH(int, codePage);
        QFETCH(QString, opening);
        QTemporaryDir dir;
        auto dm = openEmbedded(dir.filePath("labels.db"));
        QSqlQuery(dm->conADO()).exec("DROP TABLE PrintLabel");
        UICodePage = codePage;
        QString text;
        try {
            SetPrintFlag(dm->qryEXEC(), 2, 0, 5);
        } catch (const AppError& e) {
            text = e.text();
        }
        UICodePage = 437;
        QVERIFY2(text.startsWith(opening), qPrintable(text));
        QVERIFY(text.size() > opening.size()); // the database's reason follows
    }
};

QTEST_GUILESS_MAIN(TestStripPlan)
#include "tst_stripplan.moc"
