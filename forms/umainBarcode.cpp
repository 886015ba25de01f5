#include "forms/umainBarcode.h"

#include "core/AppError.h"
#include "core/DataModule.h"
#include "core/ErrorReport.h"
#include "core/Language.h"
#include "core/Text.h"
#include "db/CreateDeviceICRel.h"
#include "db/DbDescription.h"
#include "db/Dialect.h"
#include "db/LabelList.h"
#include "db/LabelQuery.h"
#include "db/RecordClaims.h"
#include "forms/HistoryWindow.h"
#include "forms/LabelGrid.h"
#include "forms/QtPrintProgress.h"
#include "forms/Ubarsetting.h"
#include "forms/uNewOrder.h"
#include "printer/PortConfig.h"
#include "printing/ListPrinter.h"
#include "printing/ManualList.h"
#include "printing/PortDevice.h"
#include "printing/PrintLabelRowJob.h"
#include "printing/PrintStation.h"
#include "printing/PrinterStateWatcher.h"
#include "printing/StripJournal.h"
#include "printing/StripRecovery.h"
#include "settings/SettingsLoad.h"
#include "settings/SettingsSave.h"
#include "settings/uBarcode.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {
QString u8(const char* text) {
    return QString::fromUtf8(text);
}
} // namespace

template <typename Handler> void TmainBarcode::run(Handler&& handler) {
    guarded(prompts_, std::forward<Handler>(handler));
}

TmainBarcode::TmainBarcode(TDMdata& dm, Prompts& prompts, PplaApi& printer, QWidget* parent)
    : QMainWindow(parent), dm_(dm), prompts_(prompts), printer_(printer) {
    setObjectName(QStringLiteral("mainBarcode"));
    buildControls();
    printerState = new PrinterStateWatcher(this);
    printerStateTimer = new QTimer(this);
    printerStateTimer->setInterval(PrinterStateIntervalMs);
    setTabOrder();
    connectHandlers();
    run([this] { FormCreate(); });
}

TmainBarcode::~TmainBarcode() {
    // A request still out ends before anything of the window goes.
    delete std::exchange(printerState, nullptr);
}

void TmainBarcode::connectHandlers() {
    connect(BtnQuery, &QPushButton::clicked, this, [this] { run([this] { BtnQueryClick(); }); });
    connect(BtnPrint, &QPushButton::clicked, this, [this] { run([this] { BtnPrintClick(); }); });
    connect(btnBatchPrint, &QPushButton::clicked, this,
            [this] { run([this] { btnBatchPrintClick(); }); });
    connect(BtnSetting, &QPushButton::clicked, this,
            [this] { run([this] { BtnSettingClick(); }); });
    connect(btnOrderInfo, &QPushButton::clicked, this,
            [this] { run([this] { btnOrderInfoClick(); }); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { run([this] { BitBtn1Click(); }); });
    connect(BtnHistory, &QPushButton::clicked, this,
            [this] { run([this] { BtnHistoryClick(); }); });
    connect(cbAutoPrint, &QCheckBox::clicked, this,
            [this] { run([this] { cbAutoPrintClick(); }); });
    connect(Timer1, &QTimer::timeout, this, [this] { run([this] { Timer1Timer(); }); });
    connect(edLabelSize, &QLineEdit::textChanged, this,
            [this] { run([this] { edLabelSizeChange(); }); });
    connect(printerState, &PrinterStateWatcher::stateChanged, this, [this] { showStationInfo(); });
    connect(printerStateTimer, &QTimer::timeout, this, [this] { refreshPrinterState(); });

    // The grid follows the list's current record, and the operator's choice of
    // row becomes the current record.
    connect(qryLable, &LabelList::currentRowChanged, this, [this](int row) {
        if (row >= 0 && DBGridEh1->currentIndex().row() != row)
            DBGridEh1->setCurrentIndex(qryLable->index(row, LabelList::LabelText));
    });
    connect(DBGridEh1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                // A new row whose save was refused keeps the cursor.
                if (current.isValid() && !qryLable->setCurrentRow(current.row()) &&
                    qryLable->newRow() >= 0)
                    QMetaObject::invokeMethod(
                        this,
                        [this] {
                            DBGridEh1->setCurrentIndex(
                                qryLable->index(qryLable->newRow(), LabelList::LabelText));
                        },
                        Qt::QueuedConnection);
            });
    qryLable->onWriteError = [this](const QString& text) { reportError(prompts_, text); };
    labelGrid_->mayEdit = [this](const QModelIndex& cell) { return mayEditRecord(cell); };
    labelGrid_->commit = [this](const QModelIndex& cell, const QString& text) {
        commitGridText(cell, text);
    };
}

void TmainBarcode::FormCreate() {
    edDatime->setDate(QDate::currentDate());
    ApplyLanguage(UICodePage);
    loadWindowSettings();
    showStationInfo();
}

void TmainBarcode::setDatabaseDescription(const QString& text) {
    database_ = text;
    showStationInfo();
}

QString TmainBarcode::stationInfoText() const {
    const bool zh = UICodePage == 936;
    const QString device = portDevice(layout_.port, PortConfig());
    const QString port = layout_.port.isEmpty() ? QStringLiteral("-") : layout_.port;
    QString text;
    if (!database_.isEmpty())
        text = (zh ? u8("数据库: %1") : QStringLiteral("Database: %1"))
                   .arg(dbDescriptionForOperator(database_, UICodePage)) +
               QStringLiteral("   ");
    text += (zh ? u8("打印机 %1: %2") : QStringLiteral("Printer %1: %2")).arg(port, device);
    const QString state = printerState ? printerState->stateText() : QString();
    if (!state.isEmpty())
        text += (zh ? u8("，%1") : QStringLiteral(", %1")).arg(state);
    if (dm_.conADO().isOpen()) {
        RecordClaims claims(dm_.qryEXEC(), dm_.conADO(), QString());
        const QString held = heldStatusText(journal, claims, UICodePage);
        if (!held.isEmpty())
            text += QStringLiteral("   ") + held;
    } else if (journal) {
        const QString held = journalStatusText(*journal, UICodePage);
        if (!held.isEmpty())
            text += QStringLiteral("   ") + held;
    }
    return text;
}

void TmainBarcode::refreshPrinterState() {
    if (printing_ || !printerState)
        return;
    printerState->setFeedback(printerFeedback);
    printerState->refresh(layout_.port, UICodePage);
}

void TmainBarcode::showStationInfo() {
    stationInfo->setText(stationInfoText());
}

WindowGeometry TmainBarcode::currentGeometry() const {
    const QRect g = frameGeometry();
    return {g.top(), g.left(), g.height(), g.width()};
}

void TmainBarcode::applyStoredSize() {
    if (storedSize_.isEmpty())
        return;
    const QSize frame = frameGeometry().size() - geometry().size();
    if (frame.isEmpty())
        return; // not framed yet
    resize(storedSize_ - frame);
    storedSize_ = {};
}

bool TmainBarcode::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        applyStoredSize();
        storedSize_ = {}; // a window without a frame keeps the size as it is
    }
    return QMainWindow::event(event);
}

void TmainBarcode::loadWindowSettings() {
    WindowGeometry geometry = currentGeometry();
    const SettingsLoadResult result = loadSettings(layout_, geometry);
    // The stored position is replaced when the window is centred at its first
    // showing; the stored size holds.
    setGeometry(geometry.left, geometry.top, qMax(geometry.width, 200), qMax(geometry.height, 150));
    storedSize_ = size();
    if (result.hasError())
        reportError(prompts_, result.errorText);
}

void TmainBarcode::ApplyLanguage(int codePage) {
    if (codePage == 936) {
        btnOrderInfo->setText(u8("订单管理"));
        PageControl1->setTabText(0, u8("记录集"));
        LabelSize->setText(u8("标签大小:"));
        BtnQuery->setText(u8("查询"));
        BtnPrint->setText(u8("打印前N条"));
        btnBatchPrint->setText(u8("全部打印"));
        BtnSetting->setText(u8("设置"));
        BtnHistory->setText(u8("历史记录"));
    }
    struct Message {
        QString TmainBarcode::*text;
        const char* chinese;
        const char* english;
    };
    static constexpr Message messages[] = {
        {&TmainBarcode::msgExitPrompt, "真的要退出吗", "Are you sure to exit?"},
        {&TmainBarcode::msgExitCaption, "提问", "Question"},
        {&TmainBarcode::msgCountCaption, "请输入条码的数量", "Please Input Barcode number"},
        {&TmainBarcode::msgCountPrompt, "条码数量", "Barcode number"},
        {&TmainBarcode::msgInvalidCount, "请输入整数.", "Please input valid integer"},
        {&TmainBarcode::msgRunningPrompt, "正在打印。要在当前一条打印完后停止吗?",
         "A print run is going. Stop it after the current strip?"},
        {&TmainBarcode::msgAutoStopped, "自动打印已停止: %1", "Automatic printing stopped: %1"},
        {&TmainBarcode::msgEditPrinted, "%1 已经打印。仍要修改这条记录吗?",
         "%1 is printed already. Change the record all the same?"},
        {&TmainBarcode::msgEditClaimed, "%1 正由工作站 %2 打印。仍要修改这条记录吗?",
         "%1 is being printed by station %2. Change the record all the same?"},
        {&TmainBarcode::msgEditHeld,
         "%1 由工作站 %2 保留，不知道它的标签是否已打印出来。仍要修改这条记录吗?",
         "%1 is held by station %2: nobody knows whether its label came out. Change the record "
         "all the same?"},
        {&TmainBarcode::msgBadDateTime, "%1：“%2”不是日期时间(yyyy-MM-dd HH:mm:ss)，记录未修改",
         "%1: \"%2\" is not a date and time (yyyy-MM-dd HH:mm:ss); the record was not changed"},
        {&TmainBarcode::msgRunSummary, "已打印 %1 条，%2 条记录已标记为已打印，%3 条记录保留待定",
         "Strips printed: %1, records marked: %2, records held: %3"},
        {&TmainBarcode::msgRunSummaryNoCount, "已打印 %1 条，%2 条记录保留待定",
         "Strips printed: %1, records held: %2"},
        {&TmainBarcode::msgTypedSummary, "已打印 %1 条", "Strips printed: %1"},
        {&TmainBarcode::msgPrintedHere, "%1 条记录此前已由本工作站打印，已跳过",
         "Passed over, printed by this station before: %1"},
        {&TmainBarcode::msgClaimedElsewhere, "%1 条记录正由另一台工作站打印或保留，已跳过",
         "Passed over, being printed or held by another station: %1"},
        {&TmainBarcode::msgNotConfirmed, "未确认已打印：%1", "Not confirmed printed: %1"},
        {&TmainBarcode::msgNoFeedback, "无打印机反馈", "no printer feedback"},
        {&TmainBarcode::msgSeparator, "；", "; "},
        {&TmainBarcode::msgTooLong, "%1：最多 %2 个字符(一个汉字算两个)，记录未修改",
         "%1: at most %2 characters (a Chinese character counts two); the record was not changed"},
    };
    for (const Message& m : messages)
        this->*m.text = u8(codePage == 936 ? m.chinese : m.english);
    setWindowTitle(windowTitle() + QStringLiteral(" v") + AppVersion());
}

void TmainBarcode::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    refreshPrinterState();
    printerStateTimer->start();
    if (!shownOnce_) {
        shownOnce_ = true;
        run([this] { FormShow(); });
    }
}

void TmainBarcode::FormShow() {
    BtnPrint->setEnabled(false);
    btnBatchPrint->setEnabled(false);
    // Opens centred on the screen at its loaded size.
    applyStoredSize();
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    DBGridEh1->setFocus();
    // Strips a crash or a fault left unfinished are decided first.
    if (journal)
        QTimer::singleShot(0, this, [this] { run([this] { decideUnfinished(); }); });
}

void TmainBarcode::edLabelSizeChange() {
    BtnPrint->setEnabled(false);
    btnBatchPrint->setEnabled(false);
}

int TmainBarcode::formatIndex() const {
    return rzrdgrp1Items->checkedId();
}

void TmainBarcode::BtnQueryClick() {
    // A print run walks the open list; it is not replaced under the run.
    if (printing_)
        return;
    LabelFilter filter;
    filter.amountText = edAmount->text();
    filter.labelSize = edLabelSize->text();
    filter.createdFrom = edDatime->date();
    filter.toPrint = rbToPrint->isChecked();
    filter.labelLike = edLabelLike->text();
    filter.codePage = UICodePage;
    qryLable->close();
    qryLable->open(labelQueryLines(filter, dialectOf(dm_.conADO())));
    BtnPrint->setEnabled(true);
    btnBatchPrint->setEnabled(true);
}

void TmainBarcode::BtnPrintClick() {
    if (!qryLable->isOpen() || qryLable->currentRow() < 0 ||
        qryLable->value(qryLable->currentRow(), LabelList::LabelText).toString().isEmpty())
        return;
    const auto entered = prompts_.input(msgCountCaption, msgCountPrompt, QStringLiteral("1"));
    if (!entered)
        return;
    // Converted as it stands: blanks around the number make it no integer.
    const auto count = parseInt32(*entered);
    if (!count)
        throw AppError::invalidInteger(*entered);
    if (*count < 1) {
        prompts_.message(msgInvalidCount);
        return;
    }
    // The first count records of the list, from its top.
    printList(*count);
}

void TmainBarcode::BtnSettingClick() {
    if (printing_)
        return;
    if (!BarSetting) {
        // The preview prints the first records of the open list in the
        // format chosen here at the moment the dialog opens.
        BarSetting = new TBarSetting(this, [this] {
            QStringList texts;
            if (qryLable->isOpen())
                for (int row = 0; row < std::min(3, qryLable->count()); ++row)
                    texts << qryLable->value(row, LabelList::LabelText).toString();
            return PreviewSamples{sampleRow(texts),
                                  formatIndex() == 0 ? LabelFormat::Barcode : LabelFormat::Text};
        });
        connect(printerState, &PrinterStateWatcher::stateChanged, BarSetting,
                &TBarSetting::setPrinterState);
    }
    BarSetting->CodePage = UICodePage;
    BarSetting->setLabelLayout(layout_);
    BarSetting->setPrinterState(printerState->stateText());
    refreshPrinterState();
    if (BarSetting->exec() == QDialog::Accepted) {
        layout_ = BarSetting->labelLayout();
        saveSettingsDialog(layout_);
        showStationInfo();
        refreshPrinterState();
    }
}

void TmainBarcode::btnOrderInfoClick() {
    if (printing_)
        return;
    // Automatic printing pauses while the manager is open and while the
    // procedure runs; the timer then gets back the state it had.
    struct Restore {
        QTimer* timer;
        bool wasOn;
        ~Restore() {
            if (wasOn)
                timer->start();
        }
    } restore{Timer1, Timer1->isActive()};
    Timer1->stop();
    if (!FNewOrder)
        FNewOrder = new TFNewOrder(dm_, prompts_, this);
    FNewOrder->showModal();
    // The server's procedure gives the new orders their serial numbers and
    // labels. Its errors reach the general error report: an order it could
    // not convert stays new, and the operator must know that.
    runCreateDeviceICRel(dm_);
}

void TmainBarcode::BtnHistoryClick() {
    if (!HistoryWindow)
        HistoryWindow = new THistoryWindow(
            {prompts_, [this] { return layout_.port; }, [this] { return printing_; },
             [this](PrintJournal& journaled, const JournalEntry& original,
                    const ReprintRequest& request) {
                 return printStation().reprint(journaled, original, request);
             },
             [this] { return journal ? journal->journal() : nullptr; }},
            this);
    HistoryWindow->showHistory(UICodePage);
}

bool TmainBarcode::FormCloseQuery() {
    // A print run in progress finishes (or is stopped after its strip in hand)
    // before the station closes; the close follows when the run has ended.
    if (printing_) {
        if (closeAfterRun_ || !prompts_.question(msgRunningPrompt, msgExitCaption))
            return false;
        stopRequested_ = true;
        closeAfterRun_ = prompts_.question(msgExitPrompt, msgExitCaption);
        return false;
    }
    const bool confirmed = std::exchange(exitConfirmed_, false);
    closeAfterRun_ = false;
    if (!confirmed && !prompts_.question(msgExitPrompt, msgExitCaption))
        return false;
    qryLable->close();
    saveSettingsExit(layout_, currentGeometry());
    return true;
}

void TmainBarcode::closeEvent(QCloseEvent* event) {
    bool mayClose = false;
    if (!guarded(prompts_, [&] { mayClose = FormCloseQuery(); }))
        mayClose = false;
    if (mayClose)
        event->accept();
    else
        event->ignore();
}

void TmainBarcode::deleteCurrentRecord() {
    const int row = DBGridEh1->currentIndex().row();
    if (printing_ || !qryLable->isOpen() || row < 0)
        return;
    if (!prompts_.question(QStringLiteral("Delete record?"), QStringLiteral("Confirm")))
        return;
    qryLable->deleteRecord(row);
}

bool TmainBarcode::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            // Enter on the last shown cell of a new row leaves the row; the
            // save waits for an open editor to hand over its text.
            int last = LabelList::FieldCount - 1;
            while (last > 0 && DBGridEh1->isColumnHidden(last))
                --last;
            const QModelIndex cell = DBGridEh1->currentIndex();
            if ((watched == DBGridEh1 || watched == DBGridEh1->viewport()) &&
                cell.column() == last && cell.row() >= 0 && cell.row() == qryLable->newRow())
                QMetaObject::invokeMethod(
                    this, [this] { qryLable->postNewRow(); }, Qt::QueuedConnection);
            // Enter moves to the next control, as Tab does, everywhere in the
            // window. An in-place grid editor is created later, is not
            // watched, and keeps Enter to finish its edit.
            focusNextChild();
            return true;
        }
        if (watched == DBGridEh1 && key->key() == Qt::Key_Delete &&
            key->modifiers() & Qt::ControlModifier) {
            run([this] { deleteCurrentRecord(); });
            return true;
        }
        if (watched == DBGridEh1 && key->key() == Qt::Key_Insert) {
            labelGrid_->arm(); // the new row's cells are the operator's
            // A new row in the grid only, saved when it is left (LabelList).
            run([this] { qryLable->insertRecord(edLabelSize->text()); });
            return true;
        }
        if (watched == DBGridEh1 && key->key() == Qt::Key_Escape && qryLable->newRow() >= 0) {
            qryLable->cancelNewRow();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
