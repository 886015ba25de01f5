#include "forms/uNewOrder.h"

#include "core/DataModule.h"
#include "core/ErrorReport.h"
#include "core/Language.h"
#include "db/Dialect.h"
#include "db/OrderStatements.h"
#include "db/RecordSet.h"
#include "forms/ModalDriver.h"
#include "forms/SrchDlg.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString u8(const char* text) {
    return QString::fromUtf8(text);
}

// The order grid's columns (the order list's fields in this order) and their
// widths; 0 keeps the default width.
constexpr int kOrderColumnWidths[] = {57, 0, 94, 140, 50, 101, 94, 0, 74, 121, 134};

} // namespace

TFNewOrder::TFNewOrder(TDMdata& dm, Prompts& prompts, QWidget* parent)
    : FormDialog(prompts, parent,
                 Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                     Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      dm_(dm), prompts_(prompts) {
    setObjectName(QStringLiteral("FNewOrder"));
    setWindowTitle(u8("IC生产管理"));
    resize(842, 531);
    adoQryOrder = new RecordSet(dm_.connectionName(), orderListFields(), this);
    adoQryOrder->setObjectName(QStringLiteral("adoQryOrder"));
    adoQryICType = new RecordSet(dm_.connectionName(), icTypeListFields(), this);
    adoQryICType->setObjectName(QStringLiteral("adoQryICType"));
    buildControls();

    const auto run = [this](void (TFNewOrder::*handler)()) {
        return [this, handler] { guarded(prompts_, [this, handler] { (this->*handler)(); }); };
    };
    connect(BitBtn1, &QPushButton::clicked, this, run(&TFNewOrder::BitBtn1Click));
    connect(SpeedButton1, &QToolButton::clicked, this, run(&TFNewOrder::SpeedButton1Click));
    connect(btnSaveData, &QPushButton::clicked, this, run(&TFNewOrder::btnSaveDataClick));
}

void TFNewOrder::buildControls() {
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(41);

    auto* panel3 = new QFrame(this);
    panel3->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel3 = panel3;
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel4 = new QWidget(Panel3);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    Panel4->setFixedHeight(41);
    BitBtn1 = new QPushButton(u8("新生产订单"), Panel4);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    auto* bar = new QHBoxLayout(Panel4);
    bar->addWidget(BitBtn1);
    bar->addStretch(1);
    DBGrid1 = new QTableView(Panel3);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setModel(adoQryOrder);
    for (int c = 0; c < int(std::size(kOrderColumnWidths)); ++c)
        if (kOrderColumnWidths[c] > 0)
            DBGrid1->setColumnWidth(c, kOrderColumnWidths[c]);
    auto* middle = new QVBoxLayout(Panel3);
    middle->setContentsMargins(1, 1, 1, 1);
    middle->addWidget(Panel4);
    middle->addWidget(DBGrid1, 1);

    Panel2 = new QWidget(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedHeight(77);
    Label1 = new QLabel(u8("IC型号"), Panel2);
    Label1->setObjectName(QStringLiteral("Label1"));
    QPalette info = palette();
    info.setColor(QPalette::Base, info.color(QPalette::ToolTipBase));
    edICType = new QLineEdit(Panel2);
    edICType->setObjectName(QStringLiteral("edICType"));
    edICType->setReadOnly(true);
    edICType->setPalette(info);
    SpeedButton1 = new QToolButton(Panel2);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(QStringLiteral("..."));
    SpeedButton1->setAutoRaise(true);
    edICTypeDesc = new QLineEdit(Panel2);
    edICTypeDesc->setObjectName(QStringLiteral("edICTypeDesc"));
    edICTypeDesc->setReadOnly(true);
    edICTypeDesc->setPalette(info);
    edICTypeDesc->setMinimumWidth(320);
    Label2 = new QLabel(u8("数量"), Panel2);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edAmount = new QLineEdit(Panel2);
    edAmount->setObjectName(QStringLiteral("edAmount"));
    btnSaveData = new QPushButton(u8("保存"), Panel2);
    btnSaveData->setObjectName(QStringLiteral("btnSaveData"));
    btnSaveData->setMinimumHeight(49);
    btnSaveData->setAutoDefault(false);
    BitBtn1->setAutoDefault(false);
    auto* entry = new QHBoxLayout(Panel2);
    entry->addWidget(Label1);
    entry->addWidget(edICType);
    entry->addWidget(SpeedButton1);
    entry->addWidget(edICTypeDesc, 1);
    entry->addWidget(Label2);
    entry->addWidget(edAmount);
    entry->addWidget(btnSaveData);
    Panel2->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addWidget(Panel3, 1);
    layout->addWidget(Panel2);
}

int TFNewOrder::showModal() {
    return ::showModal(*this, modalDriver);
}

void TFNewOrder::openOrders() {
    adoQryOrder->close();
    adoQryOrder->open(orderListLines(dialectOf(dm_.conADO())));
}

// A restored manager keeps the entry and the lists (see FormDialog).
void TFNewOrder::FormShow() {
    openOrders();
    adoQryICType->close();
    adoQryICType->open(icTypeListLines(dialectOf(dm_.conADO())));
    Panel2->hide();
}

void TFNewOrder::FormClose() {
    adoQryOrder->close();
    adoQryICType->close();
}

void TFNewOrder::BitBtn1Click() {
    Panel2->show();
}

void TFNewOrder::SpeedButton1Click() {
    if (!FSrchDlg)
        FSrchDlg = new TFSrchDlg(prompts_, this);
    adoQryICType->close();
    adoQryICType->open(icTypeListLines(dialectOf(dm_.conADO())));
    FSrchDlg->AttachDataSet(adoQryICType);
    FSrchDlg->LocateKey(edICType->text());
    if (FSrchDlg->showModal() != QDialog::Accepted)
        return;
    const QString key = FSrchDlg->GetSelectedKey();
    const auto field = [this](const char* name) {
        return adoQryICType->fieldValue(QLatin1String(name)).toString();
    };
    // The procedure would leave an order of this chip type without serials;
    // the operator learns why here, and the previous choice stays.
    const QString headFlag = field("HeadFlag");
    if (!headFlagFitsSerials(headFlag)) {
        const QString refusal =
            UICodePage == 936
                ? u8("IC型号 %1 的头标志是“%2”：头标志必须正好是 %3 个字符，否则它的序列号会"
                     "重复条码。")
                : QStringLiteral("Chip type %1 has the head flag '%2'; a head flag must be "
                                 "exactly %3 characters, or its serial numbers would repeat "
                                 "barcodes.");
        prompts_.message(refusal.arg(key, headFlag, QString::number(kHeadFlagLength)));
        return;
    }
    edICType->setText(key);
    edICTypeDesc->setText(
        QStringList{field("TypeDesc"), field("HeadFlag"), field("LastFullSN"), field("ICModel")}
            .join(QLatin1Char(' ')));
    FICType = field("ICType");
    FTypeDesc = field("TypeDesc");
    FICVer = field("LastVer");
    FVerDesc = u8("生产版本");
    FRemark = u8("标签打印程序");
    edAmount->setFocus();
}

void TFNewOrder::btnSaveDataClick() {
    if (edICType->text().isEmpty()) {
        prompts_.message(u8("请先输入设备类别!"));
        return;
    }
    // A quantity that is not a whole number from 1 to a million is refused
    // here rather than left to the server.
    const auto amount = orderAmount(edAmount->text());
    if (!amount) {
        prompts_.message(u8("请输入数量!"));
        return;
    }
    const NewOrder order{FICType, *amount, FTypeDesc, FICVer, FVerDesc, FRemark};
    const BoundStatement insert = newOrderInsert(order, dialectOf(dm_.conADO()));
    // A refused INSERT raises: the general error report shows it and the
    // entry panel stays as it is, so the operator can save again.
    dm_.qryEXEC().run(insert.lines, insert.bindings);
    openOrders();
    edICType->clear();
    edAmount->clear();
    Panel2->hide();
}
