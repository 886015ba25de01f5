#include "core/Language.h"
#include "forms/HistoryWindow.h"
#include "forms/StripPreview.h"
#include "forms/umainBarcode.h"
#include "journal/PrintJournal.h"
#include "printer/PplaDecoder.h"
#include "printer/PplaPrinter.h"
#include "printing/PrintLabelRowJob.h"
#include "printing/PrintMarking.h"
#include "printing/StripPlan.h"
#include "tests/support/DataTable.h"
#include "tests/support/JournaledStrip.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/StripLayout.h"
#include "tests/support/TestDatabase.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

// The History window, opened from the main window's button: search, the
// picture of the chosen strip, and a reprint of one label with a reason.
class TestHistory : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TDMdata> dm;
    QList<qint64> ids;

    // Prints a strip as a run does, journaled; marks its records printed
    // when it has any.
    void printAndMark(PrintJournal& journal, const LabelRow& row) {
        const bool records = row.labels[0].id != 0;
        printJournaled(journal, row, dir.filePath("first.ppla"),
                       records ? StripState::Marked : StripState::Sent);
        if (records)
            SetPrintFlag(dm->qryEXEC(), row.labels[0].id, row.labels[1].id, row.labels[2].id);
    }

    // Each record's PrintFlag and PrintTime.
    QStringList marks() {
        QStringList out;
        for (qint64 id : ids)
            out << scalar(dm->conADO(),
                          QString("SELECT ifnull(PrintFlag,'') || '/' || ifnull(PrintTime,'') "
                                  "FROM PrintLabel WHERE Iden_id = %1")
                              .arg(id))
                       .toString();
        return out;
    }

    static QByteArray readAll(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static QStringList column(QTableWidget* grid, int c) {
        QStringList out;
        for (int row = 0; row < grid->rowCount(); ++row)
            out << grid->item(row, c)->text();
        return out;
    }

private slots:
    void initTestCase() {
        QDir::setCurrent(dir.path());
        qputenv("VORNELL_JOURNAL", dir.filePath("journal.db").toUtf8());
        dm = openEmbedded(dir.filePath("labels.db"));
        const QString today = QDate::currentDate().toString("yyyy-MM-dd");
        LabelRow row;
        for (int i = 0; i < 3; ++i) {
            const QString text = QString("VA00000%1").arg(i + 1);
            ids << addLabel(dm->conADO(), today + " 08:00:00", text);
            row.labels[size_t(i)] = {ids.last(), text};
        }
        PrintJournal journal;
        journal.open(dir.filePath("journal.db"));
        printAndMark(journal, row);
        printAndMark(journal, LabelRow::ofTexts("HAND-1", "", ""));
    }
    void cleanupTestCase() {
        dm.reset();
        qunsetenv("VORNELL_JOURNAL");
    }

    void captions_data() {
        DataTable<int, QString, QString>({"codePage", "button", "title"})
            .row("437", 437, "History", "History")
            .row("936", 936, "历史记录", "历史记录");
    }
    void captions() {
        QFETCH(int, codePage);
        QFETCH(QString, button);
        QFETCH(QString, title);
        UICodePage = codePage;
        ScriptedPrompts prompts;
        PplaPrinter printer(printerEnv({}));
        TmainBarcode w(*dm, prompts, printer);
        QCOMPARE(w.BtnHistory->text(), button);
        w.BtnHistory->click();
        QVERIFY(w.HistoryWindow);
        QCOMPARE(w.HistoryWindow->windowTitle(), title);
        QCOMPARE(w.HistoryWindow->cbState->count(), 8);
        UICodePage = 437;
        QVERIFY(prompts.shown.empty());
    }

    void searchSelectAndReprintOneLabel() {
        ScriptedPrompts prompts;
        const QString out = dir.filePath("reprint.ppla");
        PplaPrinter printer(usb1Reaches("file:" + out));
        TmainBarcode w(*dm, prompts, printer);
        w.setLabelLayout(stripLayout());
        w.show();
        QTest::mouseClick(w.BtnHistory, Qt::LeftButton);
        THistoryWindow* h = w.HistoryWindow;
        QVERIFY(h && h->isVisible());
        QCOMPARE(column(h->gridHistory, 3),
                 (QStringList{"HAND-1", "VA000001, VA000002, VA000003"}));
        QCOMPARE(column(h->gridHistory, 1), (QStringList{"typed", "list"}));

        QTest::keyClicks(h->edText, "a000002");
        QTest::mouseClick(h->BtnSearch, Qt::LeftButton);
        QCOMPARE(column(h->gridHistory, 3), QStringList{"VA000001, VA000002, VA000003"});
        QCOMPARE(column(h->gridHistory, 4), QStringList{"marked"});
        h->gridHistory->selectRow(0);
        // The picture drawn from the journaled plan: three barcodes, three texts.
        QVERIFY(!h->preview->picture().isNull());
        QCOMPARE(h->preview->result().items.size(), 6);
        QCOMPARE(h->cbLabel->count(), 4);
        h->cbLabel->setCurrentIndex(2);
        QCOMPARE(h->cbLabel->currentText(), QString("Label 2: VA000002"));

        const QStringList marksBefore = marks();
        QVERIFY(!marksBefore.contains("/"));
        const int changes = scalar(dm->conADO(), "SELECT total_changes()").toInt();

        // No reason, no reprint.
        prompts.inputs = {QString("   ")};
        QTest::mouseClick(h->BtnReprint, Qt::LeftButton);
        QCOMPARE(prompts.texts("error"),
                 QStringList{"A reprint needs a reason: type why the strip is printed again. "
                             "Nothing was printed."});
        QVERIFY(!QFile::exists(out));
        QCOMPARE(h->gridHistory->rowCount(), 1);

        prompts.inputs = {QString("label torn off")};
        QTest::mouseClick(h->BtnReprint, Qt::LeftButton);
        QCOMPARE(prompts.texts("message"), QStringList{"Printed again on USB1: VA000002."});
        QCOMPARE(prompts.texts("input").last(), QString("Why is it printed again (Label 2: "
                                                        "VA000002)?"));
        // The list shows the reprint on top, with its reason.
        QCOMPARE(column(h->gridHistory, 1), (QStringList{"reprint", "list"}));
        QCOMPARE(column(h->gridHistory, 3), (QStringList{"VA000002", "VA000001, VA000002, "
                                                                     "VA000003"}));
        QCOMPARE(column(h->gridHistory, 4), (QStringList{"sent", "marked"}));
        // The reprint went to a file: the port took it, nothing confirms it.
        QCOMPARE(column(h->gridHistory, 5).first(), QString("taken by the port, not confirmed"));
        QCOMPARE(column(h->gridHistory, 6), (QStringList{"label torn off", ""}));

        // What came out: that one label.
        PplaDecoder decoder;
        decoder.feed(readAll(out));
        decoder.finish();
        const QList<DecodedLabel> labels = decoder.takeLabels();
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels[0].barcodes.size(), 1);
        QCOMPARE(decodeCode128Field(labels[0].barcodes[0].field), QByteArray("000002"));

        // The records keep their mark and print time; nothing was written.
        QCOMPARE(marks(), marksBefore);
        QCOMPARE(scalar(dm->conADO(), "SELECT total_changes()").toInt(), changes);

        // The state choice finds the reprint only.
        h->cbState->setCurrentIndex(h->cbState->findText("sent"));
        QTest::mouseClick(h->BtnSearch, Qt::LeftButton);
        QCOMPARE(column(h->gridHistory, 1), QStringList{"reprint"});
        QCOMPARE(prompts.texts("error").size(), 1);
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
