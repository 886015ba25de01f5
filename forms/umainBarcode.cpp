#include "forms/umainBarcode.h"

#include "core/AppError.h"
#include "core/DataModule.h"
#include "core/ErrorReport.h"
#include "core/Language.h"
#include "core/Text.h"
#include "db/CreateDeviceICRel.h"
#include "db/Dialect.h"
#include "db/LabelList.h"
#include "db/LabelQuery.h"
#include "forms/QtPrintProgress.h"
#include "forms/Ubarsetting.h"
#include "forms/uNewOrder.h"
#include "printer/PortConfig.h"
#include "printing/ListPrinter.h"
#include "printing/ManualList.h"
#include "printing/PortDevice.h"
#include "printing/PrintLabelRowJob.h"
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
    setTabOrder();
    connectHandlers();
    run([this] { FormCreate(); });
}

TmainBarcode::~TmainBarcode() = default;

void TmainBarcode::buildControls() {
    setWindowTitle(QStringLiteral("Device Barcode Print"));
    setGeometry(273, 144, 979, 646);
    QFont f = font();
    f.setFamily(QStringLiteral("Tahoma"));
    f.setPixelSize(14);
    setFont(f);

    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(4, 4, 4, 0);

    Panel1 = new QWidget(central);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setMinimumHeight(166);
    Panel1->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* grid = new QGridLayout(Panel1);
    grid->setContentsMargins(8, 6, 8, 6);

    auto label = [this](const char* name, const QString& caption) {
        auto* l = new QLabel(caption, Panel1);
        l->setObjectName(QLatin1String(name));
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return l;
    };
    auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, Panel1);
        b->setObjectName(QLatin1String(name));
        b->setMinimumWidth(130);
        return b;
    };

    LabelSize = label("LabelSize", QStringLiteral("Label Size:"));
    edLabelSize = new QLineEdit(QStringLiteral("30X10"), Panel1);
    edLabelSize->setObjectName(QStringLiteral("edLabelSize"));
    edLabelSize->setReadOnly(true);
    edLabelSize->setStyleSheet(QStringLiteral("background-color: #ffffe1;"));

    Label3 = label("Label3", u8("类别:"));
    rbToPrint = new QRadioButton(u8("末打印"), Panel1);
    rbToPrint->setObjectName(QStringLiteral("rbToPrint"));
    rbPrinted = new QRadioButton(u8("已打印"), Panel1);
    rbPrinted->setObjectName(QStringLiteral("rbPrinted"));
    auto* printState = new QButtonGroup(this);
    printState->addButton(rbToPrint);
    printState->addButton(rbPrinted);
    rbToPrint->setChecked(true);
    auto* stateBox = new QHBoxLayout;
    stateBox->addWidget(rbToPrint);
    stateBox->addWidget(rbPrinted);
    stateBox->addStretch();

    Label2 = label("Label2", u8("生成时间:"));
    edDatime = new QDateEdit(Panel1);
    edDatime->setObjectName(QStringLiteral("edDatime"));
    edDatime->setCalendarPopup(true);
    edDatime->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));

    Label4 = label("Label4", u8("标签内容:"));
    edLabelLike = new QLineEdit(Panel1);
    edLabelLike->setObjectName(QStringLiteral("edLabelLike"));
    Label1 = label("Label1", u8("数量:"));
    edAmount = new QLineEdit(Panel1);
    edAmount->setObjectName(QStringLiteral("edAmount"));

    rzrdgrp1 = new QGroupBox(u8("格式"), Panel1);
    rzrdgrp1->setObjectName(QStringLiteral("rzrdgrp1"));
    rzrdgrp1Items = new QButtonGroup(rzrdgrp1);
    auto* formats = new QVBoxLayout(rzrdgrp1);
    const char* items[] = {"条码格式", "文字格式"};
    for (int i = 0; i < 2; ++i) {
        auto* rb = new QRadioButton(u8(items[i]), rzrdgrp1);
        rb->setObjectName(QStringLiteral("rzrdgrp1Item%1").arg(i));
        rzrdgrp1Items->addButton(rb, i);
        formats->addWidget(rb);
    }
    rzrdgrp1Items->button(0)->setChecked(true);

    BtnQuery = button("BtnQuery", QStringLiteral("&Query"));
    BtnSetting = button("BtnSetting", QStringLiteral("&Setting"));
    BtnPrint = button("BtnPrint", QStringLiteral("&PrintBarcode"));
    btnBatchPrint = button("btnBatchPrint", QStringLiteral("&BatchPrint"));
    cbAutoPrint = new QCheckBox(u8("自动打印"), Panel1);
    cbAutoPrint->setObjectName(QStringLiteral("cbAutoPrint"));
    btnOrderInfo = button("btnOrderInfo", QStringLiteral("&Order Manager"));
    BitBtn1 = button("BitBtn1", u8("手动打印"));

    edtPrintList = new QPlainTextEdit(Panel1);
    edtPrintList->setObjectName(QStringLiteral("edtPrintList"));
    edtPrintList->setFixedSize(537, 73);

    grid->addWidget(LabelSize, 0, 0);
    grid->addWidget(edLabelSize, 0, 1);
    grid->addWidget(Label3, 1, 0);
    grid->addLayout(stateBox, 1, 1);
    grid->addWidget(Label2, 1, 2);
    grid->addWidget(edDatime, 1, 3);
    grid->addWidget(Label4, 2, 0);
    grid->addWidget(edLabelLike, 2, 1);
    grid->addWidget(Label1, 2, 2);
    grid->addWidget(edAmount, 2, 3);
    grid->addWidget(edtPrintList, 3, 0, 1, 4, Qt::AlignLeft);
    grid->addWidget(rzrdgrp1, 0, 4, 3, 1);
    grid->addWidget(BtnQuery, 0, 5);
    grid->addWidget(BtnSetting, 0, 6);
    grid->addWidget(BtnPrint, 1, 5);
    grid->addWidget(btnBatchPrint, 1, 6);
    grid->addWidget(cbAutoPrint, 2, 5);
    grid->addWidget(btnOrderInfo, 2, 6);
    grid->addWidget(BitBtn1, 3, 5, Qt::AlignTop);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    PageControl1 = new QTabWidget(central);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    TabSheet1 = new QWidget(PageControl1);
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    auto* page = new QVBoxLayout(TabSheet1);
    page->setContentsMargins(2, 2, 2, 2);
    DBGridEh1 = new QTableView(TabSheet1);
    DBGridEh1->setObjectName(QStringLiteral("DBGridEh1"));
    page->addWidget(DBGridEh1);
    PageControl1->addTab(TabSheet1, QStringLiteral("DataDisplay"));

    qryLable = new LabelList(dm_.connectionName(), this);
    DBGridEh1->setModel(qryLable);
    DBGridEh1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGridEh1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGridEh1->setEditTriggers(QAbstractItemView::DoubleClicked |
                               QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed);
    DBGridEh1->verticalHeader()->setDefaultSectionSize(22);
    DBGridEh1->verticalHeader()->setFixedWidth(18);
    DBGridEh1->setColumnHidden(LabelList::PrintFlag, true);
    DBGridEh1->setColumnHidden(LabelList::PrintTime, true);
    DBGridEh1->setColumnWidth(LabelList::CreateTime, 191);
    DBGridEh1->setColumnWidth(LabelList::LabelSize, 96);
    DBGridEh1->setColumnWidth(LabelList::TitleText, 116);
    DBGridEh1->setColumnWidth(LabelList::LabelText, 185);
    DBGridEh1->setColumnWidth(LabelList::Barcode, 210);

    outer->addWidget(Panel1);
    outer->addWidget(PageControl1, 1);
    setCentralWidget(central);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    setStatusBar(StatusBar1);
    stationInfo = new QLabel(StatusBar1);
    stationInfo->setObjectName(QStringLiteral("stationInfo"));
    StatusBar1->addPermanentWidget(stationInfo);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
}

void TmainBarcode::setTabOrder() {
    QWidget* order[] = {edLabelSize,
                        BtnQuery,
                        BtnPrint,
                        BtnSetting,
                        btnBatchPrint,
                        rbToPrint,
                        rbPrinted,
                        edLabelLike,
                        edAmount,
                        edDatime,
                        cbAutoPrint,
                        btnOrderInfo,
                        rzrdgrp1Items->button(0),
                        BitBtn1,
                        edtPrintList,
                        DBGridEh1};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
    // Every key typed in the window passes here first (Enter moves on).
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
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
    connect(cbAutoPrint, &QCheckBox::clicked, this,
            [this] { run([this] { cbAutoPrintClick(); }); });
    connect(Timer1, &QTimer::timeout, this, [this] { run([this] { Timer1Timer(); }); });
    connect(edLabelSize, &QLineEdit::textChanged, this,
            [this] { run([this] { edLabelSizeChange(); }); });

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
        text = (zh ? u8("数据库: %1") : QStringLiteral("Database: %1")).arg(database_) +
               QStringLiteral("   ");
    return text + (zh ? u8("打印机 %1: %2") : QStringLiteral("Printer %1: %2")).arg(port, device);
}

void TmainBarcode::showStationInfo() {
    stationInfo->setText(stationInfoText());
}

WindowGeometry TmainBarcode::currentGeometry() const {
    const QRect g = geometry();
    return {g.top(), g.left(), g.height(), g.width()};
}

void TmainBarcode::loadWindowSettings() {
    WindowGeometry geometry = currentGeometry();
    const SettingsLoadResult result = loadSettings(layout_, geometry);
    // The stored position is replaced when the window is centred at its first
    // showing; the stored size holds.
    setGeometry(geometry.left, geometry.top, qMax(geometry.width, 200), qMax(geometry.height, 150));
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
        msgExitPrompt = u8("真的要退出吗");
        msgExitCaption = u8("提问");
        msgCountCaption = u8("请输入条码的数量");
        msgCountPrompt = u8("条码数量");
        msgInvalidCount = u8("请输入整数.");
        msgRunningPrompt = u8("正在打印。要在当前一条打印完后停止吗?");
        msgAutoStopped = u8("自动打印已停止: %1");
    } else {
        msgExitPrompt = QStringLiteral("Are you sure to exit?");
        msgExitCaption = QStringLiteral("Question");
        msgCountCaption = QStringLiteral("Please Input Barcode number");
        msgCountPrompt = QStringLiteral("Barcode number");
        msgInvalidCount = QStringLiteral("Please input valid integer");
        msgRunningPrompt = QStringLiteral("A print run is going. Stop it after the current strip?");
        msgAutoStopped = QStringLiteral("Automatic printing stopped: %1");
    }
    setWindowTitle(windowTitle() + QStringLiteral(" v") + AppVersion());
}

void TmainBarcode::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        run([this] { FormShow(); });
    }
}

void TmainBarcode::FormShow() {
    BtnPrint->setEnabled(false);
    btnBatchPrint->setEnabled(false);
    // Opens centred on the screen at its loaded size.
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    DBGridEh1->setFocus();
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
    const auto count = parseInt32(trimBlanks(*entered));
    if (!count)
        throw AppError::invalidInteger(*entered);
    if (*count < 1) {
        prompts_.message(msgInvalidCount);
        return;
    }
    // The first count records of the list, from its top.
    printList(*count);
}

void TmainBarcode::btnBatchPrintClick() {
    if (!qryLable->isOpen())
        return;
    const ListPrintResult result = printList(-1);
    if (!result.failure.isEmpty())
        prompts_.message(result.failure);
}

namespace {

// The run's own progress, stopped also by the operator's answer to a close
// request.
class WindowProgress : public PrintProgress {
public:
    WindowProgress(PrintProgress& shown, const bool& stop) : shown_(shown), stop_(stop) {}
    void begin(int strips) override { shown_.begin(strips); }
    bool advance(int done) override { return shown_.advance(done) && !stop_; }
    void end() override { shown_.end(); }

private:
    PrintProgress& shown_;
    const bool& stop_;
};

} // namespace

template <typename Run> void TmainBarcode::printing(Run&& run) {
    printing_ = true;
    stopRequested_ = false;
    setRunning(true);
    struct Done {
        TmainBarcode& w;
        ~Done() {
            w.printing_ = false;
            w.setRunning(false);
            // The operator asked to close during the run and confirmed it.
            if (w.closeAfterRun_) {
                w.exitConfirmed_ = true;
                QTimer::singleShot(0, &w, [&w = w] { w.close(); });
            }
        }
    } done{*this};
    QtPrintProgress shown(this);
    WindowProgress progress(progressOverride ? *progressOverride : shown, stopRequested_);
    run(progress);
}

ListPrintResult TmainBarcode::printList(int limit) {
    ListPrintResult result;
    if (printing_)
        return result;
    const LabelFormat format = formatIndex() == 0 ? LabelFormat::Barcode : LabelFormat::Text;
    printing([&](PrintProgress& progress) {
        result =
            PrintLabelList({*qryLable, dm_.qryEXEC(), printer_, layout_, format, progress}, limit);
    });
    return result;
}

void TmainBarcode::setRunning(bool running) {
    // While a run goes, nothing that changes the list, the layout, the orders
    // or the timer can be used; the progress dialog's stop is the one command.
    QWidget* commands[] = {BtnQuery,    BtnPrint, btnBatchPrint, BtnSetting, btnOrderInfo,
                           cbAutoPrint, BitBtn1,  edtPrintList,  rbToPrint,  rbPrinted,
                           edLabelLike, edAmount, edDatime,      rzrdgrp1,   DBGridEh1};
    if (running) {
        enabledBeforeRun_.clear();
        for (QWidget* w : commands) {
            enabledBeforeRun_.append({w, w->isEnabled()});
            w->setEnabled(false);
        }
    } else {
        for (const auto& [w, enabled] : std::as_const(enabledBeforeRun_))
            w->setEnabled(enabled);
        enabledBeforeRun_.clear();
    }
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
    }
    BarSetting->CodePage = UICodePage;
    BarSetting->setLabelLayout(layout_);
    if (BarSetting->exec() == QDialog::Accepted) {
        layout_ = BarSetting->labelLayout();
        saveSettingsDialog(layout_);
        showStationInfo();
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
    FNewOrder->ShowModal();
    // The server's procedure gives the new orders their serial numbers and
    // labels. Its errors reach the general error report: an order it could
    // not convert stays new, and the operator must know that.
    runCreateDeviceICRel(dm_);
}

void TmainBarcode::BitBtn1Click() {
    if (printing_)
        return;
    const std::vector<LabelRow> strips = manualListStrips(edtPrintList->toPlainText());
    if (strips.empty())
        return;
    const LabelFormat format = formatIndex() == 0 ? LabelFormat::Barcode : LabelFormat::Text;
    ListPrintResult result;
    printing([&](PrintProgress& progress) {
        result = PrintHandTypedList(strips, layout_, format, printer_, progress);
    });
    if (!result.failure.isEmpty())
        prompts_.message(result.failure);
}

void TmainBarcode::cbAutoPrintClick() {
    const bool on = cbAutoPrint->isChecked();
    if (on) {
        rbToPrint->setChecked(true);
        edLabelLike->clear();
        edAmount->clear();
        edDatime->setDate(QDate::currentDate());
        StatusBar1->clearMessage();
        Timer1->start();
    } else {
        Timer1->stop();
    }
    lockFilters(on);
    for (QPushButton* b : {BtnQuery, BtnSetting, BtnPrint, btnBatchPrint})
        b->setVisible(!on);
}

void TmainBarcode::lockFilters(bool locked) {
    // Unattended runs list unprinted labels only: a filter changed meanwhile
    // would print printed labels again at every run.
    for (QWidget* w : std::initializer_list<QWidget*>{rbToPrint, rbPrinted, edLabelLike, edAmount})
        w->setEnabled(!locked);
}

void TmainBarcode::stopAutoPrinting(const QString& reason) {
    // Off before the error box: a timer left running would print the same
    // strip again at every tick behind it.
    cbAutoPrint->setChecked(false);
    Timer1->stop();
    lockFilters(false);
    for (QPushButton* b : {BtnQuery, BtnSetting, BtnPrint, btnBatchPrint})
        b->setVisible(true);
    const QString text = msgAutoStopped.arg(reason);
    StatusBar1->showMessage(text);
    reportError(prompts_, text);
}

void TmainBarcode::Timer1Timer() {
    ++Timer1Tag;
    if (Timer1Tag % 60 != 57)
        return;
    // A run still going (waiting in a message box, say) keeps its list: this
    // tick is skipped.
    if (printing_)
        return;
    // A run that ends in an error switches automatic printing off: the
    // operator looks before it goes on.
    QString failure;
    try {
        BtnQueryClick();
        if (qryLable->isOpen() && !qryLable->isEmpty())
            failure = printList(-1).failure;
    } catch (const AppError& e) {
        failure = e.text();
    } catch (const std::exception& e) {
        failure = QString::fromLocal8Bit(e.what());
    }
    if (!failure.isEmpty())
        stopAutoPrinting(failure);
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
