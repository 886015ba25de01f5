#include "tests/forms/BarSettingFixture.h"
#include "tests/support/DataTable.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

class TestBarSetting : public QObject, BarSettingFixture {
    Q_OBJECT

private slots:
    void init() { resetFixture(); }

    // --- the dialog ---

    void names() {
        TBarSetting d;
        QCOMPARE(d.objectName(), QString("BarSetting"));
        const char* controls[] = {
            "GroupBox1",        "Label23",   "edTitle",          "chk_ShowPrintDialog",
            "PageControl1",     "TabSheet1", "grp1_PageSetting", "grp1_BarCodeSetting",
            "grp1_TextSetting", "cbprinter", "cbbFontName",      "cbbFontbellow",
            "Panel3",           "BitBtn1",   "btnLoadDefault",   "BitBtn2",
            "StatusBar1",       "EDheight4", "bUDheight3",       "fedheight3",
            "fudheight3",       "FUdLeft1",  "FedLeft1",         "Label28"};
        for (const char* name : controls)
            QVERIFY2(d.findChild<QWidget*>(name), name);
        // Each edit is the up-down's own read-only edit.
        QCOMPARE(d.upDown("bUDheight3")->findChild<QLineEdit*>(), d.edit("EDheight4"));
        for (QLineEdit* e : d.edits)
            QVERIFY(e->isReadOnly());
        QVERIFY(!d.cbprinter->isEditable());
        QVERIFY(!d.cbbFontName->isEditable());
        QVERIFY(!d.cbbFontbellow->isEditable());
        QVERIFY(!d.BitBtn1->isDefault() && !d.BitBtn2->isDefault());
    }

    void captions_data() {
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("caption");
        struct Row {
            const char *control, *en, *zh;
        };
        const Row rows[] = {
            {"grp1_PageSetting", "PageSetting", "页面设置"},
            {"grp1_BarCodeSetting", "BarcodeSetting(Unit is dot)", "条码设置(单位为点)"},
            {"grp1_TextSetting", "FontSetting(Unit is dot)", "文字设置(单位为点)"},
            {"Label1", "Left1:", "1_左边距:"},
            {"Label9", "Left1:", "1_左边距:"},
            {"Label4", "Height1:", "1_高度:"},
            {"Label12", "Height1:", "1_高度:"},
            {"Label5", "Left2:", "2_左边距:"},
            {"Label7", "Width2:", "2_宽度:"},
            {"Label16", "Height2:", "2_高度:"},
            {"Label21", "Left3:", "Left3:"},
            {"Label22", "Top3:", "Top3:"},
            {"Label27", "Width3:", "Width3:"},
            {"Label28", "Height3:", "Height3:"},
            {"Label17", "Left3:", "Left3:"},
            {"Label20", "Height3:", "Height3:"},
            {"Label23", "Tite:", "标题:"},
            {"Label26", "Printer setting:", "打印机设置:"},
            {"Label24", "Type name:", "字体:"},
            {"Label25", "Thickness bellow:", "密度:"},
            {"chk_ShowPrintDialog", "Show Print Dialog", "显示打印对话框"},
            {"BitBtn1", "OK", "确认"},
            {"btnLoadDefault", "Load default", "载入缺省"},
            {"BitBtn2", "Cancel", "取消"},
            {"", "BarSetting", "条码打印设置"},
        };
        for (const Row& r : rows) {
            QTest::addRow("437 %s", *r.control ? r.control : "form")
                << 437 << QString(r.control) << QString::fromUtf8(r.en);
            QTest::addRow("936 %s", *r.control ? r.control : "form")
                << 936 << QString(r.control) << QString::fromUtf8(r.zh);
        }
    }
    void captions() {
        QFETCH(int, codePage);
        QFETCH(QString, control);
        QFETCH(QString, caption);
        TBarSetting d;
        open(d, codePage);
        QString shown;
        if (control.isEmpty())
            shown = d.windowTitle();
        else if (auto* l = d.findChild<QLabel*>(control))
            shown = l->text();
        else if (auto* g = d.findChild<QGroupBox*>(control))
            shown = g->title();
        else if (auto* b = d.findChild<QAbstractButton*>(control))
            shown = b->text();
        else
            QFAIL(qPrintable("no control " + control));
        QCOMPARE(shown, caption);
    }

    void showsTheLayout() {
        const auto customise = [](TLabelLayout& l) {
            l.options.shopTitle = "Chip Works";
            l.port = "usb3";
            l.font = LabelFont::of("liberation serif", "700 THICK");
            l.options.showPrintDialog = true;
            l.columns[2].barcode.height = 77;
            l.columns[2].text.height = 55;
        };
        customise(stored_);
        TBarSetting d;
        open(d);
        QCOMPARE(d.edTitle->text(), QString("Chip Works"));
        QCOMPARE(d.cbprinter->currentText(), QString("USB3"));
        QCOMPARE(d.cbbFontbellow->currentText(), QString("700 thick"));
        QCOMPARE(d.cbbFontName->currentText(), QString("Liberation Serif"));
        QVERIFY(d.chk_ShowPrintDialog->isChecked());
        QCOMPARE(d.edit("EDheight4")->text(), QString("77"));
        QCOMPARE(d.edit("fedheight3")->text(), QString("55"));
        QCOMPARE(d.edit("EDleft3")->text(), QString("240"));
        QCOMPARE(d.edit("fedtop2")->text(), QString("18"));
        // Showing changes nothing in the layout.
        TLabelLayout expected = loadedDefaults();
        customise(expected);
        QVERIFY(d.labelLayout() == expected);
    }

    void fontListIsTheInstalledFontsRefilledAtEveryOpening() {
        TBarSetting d;
        open(d);
        QStringList shown;
        for (int i = 0; i < d.cbbFontName->count(); ++i)
            shown << d.cbbFontName->itemText(i);
        QVERIFY(shown.contains("Liberation Serif"));
        QCOMPARE(shown, sortedFontNames(shown));
        QStringList installed = QFontDatabase::families();
        installed.removeIf([](const QString& f) { return QFontDatabase::isPrivateFamily(f); });
        QCOMPARE(shown.size(), installed.size());
        d.reject();
        d.cbbFontName->clear();
        open(d);
        QCOMPARE(d.cbbFontName->count(), shown.size());
    }

    void clampsStoredValuesAndOkStoresThem() {
        stored_.columns[0].barcode.width = 30;
        stored_.columns[0].barcode.left = 0;
        stored_.columns[1].text.height = 1000;
        TBarSetting d;
        open(d);
        QCOMPARE(d.edit("bEDwidth1")->text(), QString("24"));
        QCOMPARE(d.edit("bEDleft1")->text(), QString("1"));
        QCOMPARE(d.edit("fedheight2")->text(), QString("999"));
        QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(!d.isVisible());
        QCOMPARE(d.labelLayout().columns[0].barcode.width, 24);
        QCOMPARE(d.labelLayout().columns[0].barcode.left, 1);
        QCOMPARE(d.labelLayout().columns[1].text.height, 999);
    }

    void upDownArrows_data() {
        DataTable<QString, int, int, int, int>({"upDown", "start", "key", "presses", "shown"})
            .row("up by one", "bUDleft2", 240, int(Qt::Key_Up), 3, 243)
            .row("down by one", "fudtop1", 18, int(Qt::Key_Down), 2, 16)
            .row("stops at width max", "bUDwidth1", 23, int(Qt::Key_Up), 3, 24)
            .row("stops at min, no wrap", "bUDtop3", 2, int(Qt::Key_Down), 4, 1)
            .row("stops at height max", "bUDheight3", 998, int(Qt::Key_Up), 2, 999)
            .row("typing does nothing", "fudWidth3", 1, int(Qt::Key_5), 2, 1)
            .row("PageUp does nothing", "bUDleft2", 240, int(Qt::Key_PageUp), 2, 240)
            .row("PageDown does nothing", "fudtop1", 18, int(Qt::Key_PageDown), 1, 18)
            .row("mouse wheel does nothing", "bUDleft1", 30, 0, 3, 30);
    }
    void upDownArrows() {
        QFETCH(QString, upDown);
        QFETCH(int, start);
        QFETCH(int, key);
        QFETCH(int, presses);
        QFETCH(int, shown);
        TBarSetting d;
        open(d);
        QSpinBox* spin = d.findChild<QSpinBox*>(upDown);
        QVERIFY(spin);
        spin->setValue(start);
        QLineEdit* edit = spin->findChild<QLineEdit*>();
        for (int i = 0; i < presses; ++i) {
            if (key == 0) { // a notch of the mouse wheel, away from the operator
                const QPointF at = spin->rect().center();
                QWheelEvent wheel(at, spin->mapToGlobal(at), {}, {0, 120}, Qt::NoButton,
                                  Qt::NoModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(spin, &wheel);
            } else {
                QTest::keyClick(edit, Qt::Key(key));
            }
        }
        QCOMPARE(spin->value(), shown);
        QCOMPARE(edit->text(), QString::number(shown));
    }

    void pickListWithoutMatchGivesEmptyText_data() {
        DataTable<QString, QString, QString>({"field", "stored", "afterOk"})
            .row("font not installed", "font", "No Such Face 123", "")
            .row("300 thin without blanks", "weight", "300 thin", "")
            .row("600 half thick without blanks", "weight", "600 half thick", "")
            .row("USB5", "port", "USB5", "")
            .row("USB6", "port", "USB6", "")
            .row("weight other case", "weight", "300 THIN   ", "300 thin   ")
            .row("port other case", "port", "usbx", "USBX")
            .row("font other case", "font", "LIBERATION MONO", "Liberation Mono")
            .row("font drawn with its alias", "font", "Times New Roman", "Times New Roman");
    }
    void pickListWithoutMatchGivesEmptyText() {
        QFETCH(QString, field);
        QFETCH(QString, stored);
        QFETCH(QString, afterOk);
        if (field == "font")
            stored_.font = LabelFont::of(stored, stored_.font.weightText);
        else if (field == "weight")
            stored_.font = LabelFont::of(stored_.font.face, stored);
        else
            stored_.port = stored;
        TBarSetting d;
        open(d);
        QComboBox* list = field == "font"     ? d.cbbFontName
                          : field == "weight" ? d.cbbFontbellow
                                              : d.cbprinter;
        QCOMPARE(list->currentIndex() < 0, afterOk.isEmpty());
        QCOMPARE(list->currentText(), afterOk);
        QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
        const TLabelLayout& after = d.labelLayout();
        QCOMPARE(field == "font"     ? after.font.face
                 : field == "weight" ? after.font.weightText
                                     : after.port,
                 afterOk);
    }

    // The stored default "Times New Roman" is drawn with its metric-compatible
    // alias: it stays chosen after OK, and the dialog names the face drawn.
    void aliasedFontIsKeptAndNamed_data() {
        DataTable<QString, int, QString>({"face", "codePage", "drawn"})
            .row("alias", "Times New Roman", 437, "drawn with Liberation Serif (same metrics)")
            .row("alias, Chinese", "Times New Roman", 936,
                 QString::fromUtf8("实际使用字体 Liberation Serif (字宽相同)"))
            .row("installed", "Liberation Serif", 437, "")
            .row("missing", "No Such Face 123", 437, "");
    }
    void aliasedFontIsKeptAndNamed() {
        QFETCH(QString, face);
        QFETCH(int, codePage);
        QFETCH(QString, drawn);
        stored_.font = LabelFont::of(face, stored_.font.weightText);
        TBarSetting d;
        open(d, codePage);
        QCOMPARE(d.lblFontDrawn->text(), drawn);
        d.findChild<QSpinBox*>("bUDleft1")->setValue(77); // any change, then OK
        QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
        QCOMPARE(d.labelLayout().font.face, face.startsWith("No Such") ? QString() : face);
    }

    void loadDefaultThenCancelChangesNothing_data() {
        DataTable<QString>({"how"})
            .row("Cancel button", "cancel")
            .row("Escape", "escape")
            .row("close box", "close");
    }
    void loadDefaultThenCancelChangesNothing() {
        QFETCH(QString, how);
        const TLabelLayout before = stored_;
        TBarSetting d;
        open(d);
        QTest::mouseClick(d.btnLoadDefault, Qt::LeftButton);
        QCOMPARE(d.edit("EDleft3")->text(), QString("270"));
        QCOMPARE(d.edit("fedheight1")->text(), QString("36"));
        d.edTitle->setText("changed");
        if (how == "cancel")
            QTest::mouseClick(d.BitBtn2, Qt::LeftButton);
        else if (how == "escape")
            QTest::keyClick(d.edit("bEDleft1"), Qt::Key_Escape);
        else
            d.close();
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QVERIFY(d.labelLayout() == before);
        QVERIFY(!QFile::exists("Quillet.ini"));
        // The next opening shows the layout again.
        open(d);
        QCOMPARE(d.edit("EDleft3")->text(), QString("240"));
        QCOMPARE(d.edit("fedheight1")->text(), QString("30"));
        QCOMPARE(d.edTitle->text(), QString("Your Company Name"));
    }

    void loadDefaultThenOkChangesOnlyTheBoxValues() {
        stored_.port = "USB2";
        stored_.font = LabelFont::of(stored_.font.face, "600 half thick  ");
        stored_.options.showPrintDialog = true;
        TLabelLayout expected = stored_;
        // Barcode left, top, width, height of labels 1-3, then the same for the text.
        const int presets[2][4][3] = {{{20, 145, 270}, {1, 1, 1}, {1, 1, 1}, {24, 24, 24}},
                                      {{20, 145, 270}, {8, 8, 8}, {1, 1, 1}, {36, 36, 36}}};
        for (size_t c = 0; c < 3; ++c) {
            expected.columns[c].barcode = {presets[0][0][c], presets[0][1][c], presets[0][2][c],
                                           presets[0][3][c]};
            expected.columns[c].text = {presets[1][0][c], presets[1][1][c], presets[1][2][c],
                                        presets[1][3][c]};
        }
        TBarSetting d;
        open(d);
        QTest::mouseClick(d.btnLoadDefault, Qt::LeftButton);
        QVERIFY(d.isVisible());
        QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
        QVERIFY(d.labelLayout() == expected);
    }

    void enterMovesTheFocus_data() {
        DataTable<QString, QString>({"from", "to"})
            .row("title to check box", "edTitle", "chk_ShowPrintDialog")
            .row("check box to port", "chk_ShowPrintDialog", "cbprinter")
            .row("weight to first up-down", "cbbFontbellow", "bUDleft1");
    }
    void enterMovesTheFocus() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        TBarSetting d;
        open(d);
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QCOMPARE(QApplication::focusWidget(), d.BitBtn1); // first opening: OK
        QWidget* start = d.findChild<QWidget*>(from);
        start->setFocus();
        QCOMPARE(QApplication::focusWidget(), start);
        QTest::keyClick(start, Qt::Key_Return);
        QVERIFY(d.isVisible());
        QCOMPARE(QApplication::focusWidget()->objectName(), to);
        QVERIFY(d.labelLayout() == loadedDefaults());
    }

    void enterOnAFocusedButtonPressesIt() {
        TBarSetting d;
        open(d);
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        d.btnLoadDefault->setFocus();
        QTest::keyClick(d.btnLoadDefault, Qt::Key_Return);
        QVERIFY(d.isVisible());
        QCOMPARE(d.edit("EDleft2")->text(), QString("145"));
    }

    // --- the main window's Setting button ---

    void settingButtonOpensTheDialogAndSaves_data() {
        DataTable<int, bool>({"codePage", "ok"})
            .row("OK, English", 437, true)
            .row("OK, Chinese", 936, true)
            .row("Cancel", 437, false);
    }
    void settingButtonOpensTheDialogAndSaves() {
        QFETCH(int, codePage);
        QFETCH(bool, ok);
        UICodePage = codePage;
        auto dm = openEmbedded(dir.filePath("main.db"));
        ScriptedPrompts prompts;
        RecordingPpla printer;
        TmainBarcode w(*dm, prompts, printer);
        w.setLabelLayout(fittingLayout());
        QVERIFY(!w.BarSetting);
        int opened = 0;
        auto act = [&] {
            ++opened;
            QVERIFY(w.BarSetting && w.BarSetting->isVisible() && w.BarSetting->isModal());
            QCOMPARE(w.BarSetting->CodePage, codePage);
            w.BarSetting->upDown("bUDleft2")->setValue(333);
            QTest::mouseClick(ok ? w.BarSetting->BitBtn1 : w.BarSetting->BitBtn2, Qt::LeftButton);
        };
        QTimer::singleShot(0, &w, act);
        QTest::mouseClick(w.BtnSetting, Qt::LeftButton);
        QCOMPARE(opened, 1);
        QVERIFY(prompts.shown.empty());
        QVERIFY(!w.BarSetting->isVisible());
        QCOMPARE(w.labelLayout().columns[1].barcode.left,
                 ok ? 333 : fittingLayout().columns[1].barcode.left);
        QCOMPARE(QFile::exists("Quillet.ini"), ok);
        if (ok) {
            TLabelLayout read;
            WindowGeometry geometry{1, 2, 3, 4};
            QVERIFY(!loadSettings(read, geometry).hasError());
            QVERIFY(read == w.labelLayout());
            QCOMPARE(geometry.top, 1); // the dialog save leaves the geometry out
        }
        // A second opening reuses the dialog.
        TBarSetting* first = w.BarSetting;
        QTimer::singleShot(0, &w, [&] { w.BarSetting->reject(); });
        QTest::mouseClick(w.BtnSetting, Qt::LeftButton);
        QCOMPARE(w.BarSetting, first);
        UICodePage = 437;
    }

    void failedDialogSaveReachesTheErrorReport() {
        auto dm = openEmbedded(dir.filePath("main.db"));
        ScriptedPrompts prompts;
        RecordingPpla printer;
        TmainBarcode w(*dm, prompts, printer);
        QVERIFY(QDir(dir.path()).mkdir("Quillet.ini")); // no file can take its place
        QTimer::singleShot(0, &w,
                           [&] { QTest::mouseClick(w.BarSetting->BitBtn1, Qt::LeftButton); });
        QTest::mouseClick(w.BtnSetting, Qt::LeftButton);
        QDir(dir.path()).rmdir("Quillet.ini");
        QCOMPARE(prompts.texts("error").size(), 1);
        QVERIFY2(prompts.texts("error")[0].startsWith("Unable to write to "),
                 qPrintable(prompts.texts("error")[0]));
    }
};

QTEST_MAIN(TestBarSetting)
#include "tst_barsetting.moc"
