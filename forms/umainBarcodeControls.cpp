// The main window's controls, their layout and tab order.
#include "forms/umainBarcode.h"

#include "core/DataModule.h"
#include "db/LabelList.h"
#include "forms/LabelGrid.h"
#include "forms/StatusLine.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
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
    BtnHistory = button("BtnHistory", QStringLiteral("History"));

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
    grid->addWidget(BtnHistory, 3, 6, Qt::AlignTop);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    PageControl1 = new QTabWidget(central);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    TabSheet1 = new QWidget(PageControl1);
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    auto* page = new QVBoxLayout(TabSheet1);
    page->setContentsMargins(2, 2, 2, 2);
    labelGrid_ = new LabelGrid(TabSheet1);
    DBGridEh1 = labelGrid_;
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

    // Its texts never size the window: they are cut to fit, whole in the
    // tooltip.
    auto* statusLine = new StatusLine(this);
    StatusBar1 = statusLine;
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    setStatusBar(StatusBar1);
    stationInfo = new ElidedLabel(StatusBar1);
    stationInfo->setObjectName(QStringLiteral("stationInfo"));
    statusLine->setInfo(stationInfo);

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
