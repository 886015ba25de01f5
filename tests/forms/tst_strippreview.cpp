#include "tests/forms/BarSettingFixture.h"
#include "tests/support/DataTable.h"

// The settings dialog's strip preview: the sample strip, what leaves its
// label, and the picture against the virtual printer's.
class TestStripPreview : public QObject, BarSettingFixture {
    Q_OBJECT

private slots:
    void init() { resetFixture(); }

    void sampleRow_data() {
        const QStringList s = sampleSerials();
        DataTable<QStringList, QStringList>({"list", "texts"})
            .row("no list", QStringList{}, s)
            .row("one record", QStringList{"VB001002"}, QStringList{"VB001002", s[1], s[2]})
            .row("three records", QStringList{"X1", "X2", "X3"}, QStringList{"X1", "X2", "X3"});
    }
    void sampleRow() {
        QFETCH(QStringList, list);
        QFETCH(QStringList, texts);
        const LabelRow row = ::sampleRow(list);
        QCOMPARE((QStringList{row.labels[0].text, row.labels[1].text, row.labels[2].text}), texts);
        QCOMPARE(sampleSerials().size(), 3);
        QVERIFY(!barcodeContent(sampleSerials()[0]).isEmpty());
    }

    void leavesLabel_data() {
        DataTable<int, QRect, QString, bool>({"column", "box", "refused", "leaves"})
            .row("inside first", 0, QRect(20, 10, 200, 30), "", false)
            .row("touching edges", 1, QRect(240, 0, 240, 80), "", false)
            .row("into next label", 0, QRect(100, 10, 141, 30), "", true)
            .row("in wrong label", 2, QRect(240, 10, 100, 30), "", true)
            .row("above top", 1, QRect(300, -1, 10, 10), "", true)
            .row("below bottom", 2, QRect(500, 60, 10, 21), "", true)
            .row("past strip end", 2, QRect(700, 10, 21, 10), "", true)
            .row("refused", 0, QRect(), "bar width too wide", true);
    }
    void leavesLabel() {
        QFETCH(int, column);
        QFETCH(QRect, box);
        QFETCH(QString, refused);
        QFETCH(bool, leaves);
        const StripItem item{StripItem::Barcode, column, box, refused};
        QCOMPARE(::leavesLabel(item, VirtualPrinterOptions{}), leaves);
    }

    // --- the preview ---

    void previewFollowsTheUpDowns() {
        stored_ = fittingLayout();
        TBarSetting d;
        open(d);
        const QImage before = d.StripPreview->picture();
        const int barsBefore = firstInkColumn(d.StripPreview->result().strip, 0, 240);
        QVERIFY(barsBefore >= 0);
        QLineEdit* edit = d.edit("bEDleft1");
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(edit, Qt::Key_Down);
        QVERIFY(d.StripPreview->picture() != before);
        QCOMPARE(firstInkColumn(d.StripPreview->result().strip, 0, 240), barsBefore - 5);
        // Nothing reached the layout.
        QVERIFY(d.labelLayout() == fittingLayout());
        QVERIFY(d.StripPreview->flags().isEmpty());
        // The picture on screen is the preview's picture.
        QCOMPARE(d.StripPreview->lblStrip->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
                 d.StripPreview->picture());
    }

    void previewMatchesTheVirtualPrinter_data() {
        DataTable<LabelFormat, QString, int>({"format", "upDown", "steps"})
            .row("barcode, moved bars", LabelFormat::Barcode, "bUDtop2", 6)
            .row("barcode, wider bars", LabelFormat::Barcode, "bUDwidth1", 1)
            .row("barcode, taller text", LabelFormat::Barcode, "fudheight3", 4)
            .row("text, moved", LabelFormat::Text, "FudLeft2", 9);
    }
    void previewMatchesTheVirtualPrinter() {
        QFETCH(LabelFormat, format);
        QFETCH(QString, upDown);
        QFETCH(int, steps);
        stored_ = fittingLayout();
        const LabelRow row = ::sampleRow({"VB001002", "VA0C0FFE"});
        TBarSetting d(nullptr, [&] { return PreviewSamples{row, format}; });
        open(d);
        QSpinBox* spin = d.findChild<QSpinBox*>(upDown);
        for (int i = 0; i < std::abs(steps); ++i)
            QTest::keyClick(spin->findChild<QLineEdit*>(), steps > 0 ? Qt::Key_Up : Qt::Key_Down);
        const QImage shown = d.StripPreview->picture();
        const QImage strip = d.StripPreview->result().strip;
        const QList<StripItem> items = d.StripPreview->result().items;
        QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
        QTemporaryDir out;
        const QImage printed = virtualPrinterStrip(d.labelLayout(), row, format, out.path());
        QVERIFY(!printed.isNull());
        // The job printed ink, and the preview shows exactly it.
        QVERIFY(firstInkColumn(printed, 0, printed.width()) >= 0);
        QCOMPARE(differingPixels(shown, printed, items, VirtualPrinterOptions{}), 0);
        QCOMPARE(strip.convertToFormat(QImage::Format_Grayscale8),
                 printed.convertToFormat(QImage::Format_Grayscale8));
    }

    void previewFlagsWhatLeavesItsLabel_data() {
        DataTable<QString, int, QString>({"upDown", "value", "flag"})
            .row("barcode into the next label", "bUDleft1", 120,
                 "Label 1: the barcode leaves its label")
            .row("text past the strip", "FudLeft3", 690, "Label 3: the text leaves its label")
            .row("bars below the bottom", "bUDheight2", 60, "Label 2: the barcode leaves its label")
            .row("text under the bottom", "fudtop1", 70, "Label 1: the text leaves its label");
    }
    void previewFlagsWhatLeavesItsLabel() {
        QFETCH(QString, upDown);
        QFETCH(int, value);
        QFETCH(QString, flag);
        stored_ = fittingLayout();
        TBarSetting d;
        open(d);
        QVERIFY(d.StripPreview->flags().isEmpty());
        d.findChild<QSpinBox*>(upDown)->setValue(value);
        QCOMPARE(d.StripPreview->flags(), QStringList{flag});
        QCOMPARE(d.StripPreview->lblFlags->text(), flag);
        // The offending box is outlined in the flag colour.
        bool flagged = false;
        for (const StripItem& item : d.StripPreview->result().items)
            if (::leavesLabel(item, VirtualPrinterOptions{})) {
                const QRect box = item.box.intersected(QRect(0, 0, 720, 80));
                flagged = d.StripPreview->picture().pixel(box.left(), box.top()) == kLeavesLabel;
            }
        QVERIFY(flagged);
    }

    // What the driver refuses is named in the interface language, its reason too.
    void previewNamesWhatTheDriverRefuses_data() {
        DataTable<int, QString>({"codePage", "flag"})
            .row("English", 437,
                 "Label %1: the barcode cannot be printed: bar width 2 x 13 dots is outside 1-24")
            .row("Chinese", 936,
                 QString::fromUtf8("第%1列条码无法打印: 条宽 2 x 13 点超出 1-24 的范围"));
    }
    void previewNamesWhatTheDriverRefuses() {
        QFETCH(int, codePage);
        QFETCH(QString, flag);
        UICodePage = codePage;
        stored_ = fittingLayout();
        TBarSetting d;
        open(d, codePage);
        QVERIFY(d.StripPreview->flags().isEmpty());
        d.findChild<QSpinBox*>("bUDwidth1")->setValue(13);
        QCOMPARE(d.StripPreview->flags(), (QStringList{flag.arg(1), flag.arg(2), flag.arg(3)}));
    }

    void previewPrintsTheListAndFormatOfTheMainWindow_data() {
        DataTable<int>({"formatItem"}).row("barcode format", 0).row("text format", 1);
    }
    void previewPrintsTheListAndFormatOfTheMainWindow() {
        QFETCH(int, formatItem);
        QTemporaryDir dbDir;
        auto dm = openEmbedded(dbDir.filePath("list.db"));
        const QString today = QDate::currentDate().toString("yyyy-MM-dd");
        addLabel(dm->conADO(), today + " 08:00:00", "VB001002");
        addLabel(dm->conADO(), today + " 08:00:01", "VA0C0FFE");
        ScriptedPrompts prompts;
        RecordingPpla printer;
        TmainBarcode w(*dm, prompts, printer);
        w.setLabelLayout(fittingLayout());
        w.BtnQueryClick();
        QCOMPARE(w.qryLable->count(), 2);
        QStringList listTexts;
        for (int r = 0; r < 2; ++r)
            listTexts << w.qryLable->value(r, LabelList::LabelText).toString();
        qobject_cast<QRadioButton*>(w.rzrdgrp1Items->button(formatItem))->setChecked(true);
        QImage shown;
        QList<StripItem> items;
        QTimer::singleShot(0, &w, [&] {
            shown = w.BarSetting->StripPreview->picture();
            items = w.BarSetting->StripPreview->result().items;
            w.BarSetting->reject();
        });
        QTest::mouseClick(w.BtnSetting, Qt::LeftButton);
        QTemporaryDir out;
        const QImage printed = virtualPrinterStrip(
            w.labelLayout(), ::sampleRow(listTexts),
            formatItem == 0 ? LabelFormat::Barcode : LabelFormat::Text, out.path());
        QCOMPARE(differingPixels(shown, printed, items, VirtualPrinterOptions{}), 0);
        // The other format draws a different strip: the comparison can tell.
        const QImage other = virtualPrinterStrip(
            w.labelLayout(), ::sampleRow(listTexts),
            formatItem == 0 ? LabelFormat::Text : LabelFormat::Barcode, out.path());
        QVERIFY(differingPixels(shown, other, items, VirtualPrinterOptions{}) > 0);
    }
};

QTEST_MAIN(TestStripPreview)
#include "tst_strippreview.moc"
