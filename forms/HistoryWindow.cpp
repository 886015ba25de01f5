#include "forms/HistoryWindow.h"

#include "core/AppError.h"
#include "core/ErrorReport.h"
#include "core/Prompts.h"
#include "forms/StripPreview.h"
#include "journal/PrintJournal.h"
#include "printing/StripHistory.h"
#include "printing/StripReprint.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString u8(const char* text) {
    return QString::fromUtf8(text);
}

constexpr int kDaysShown = 7; // the days searched when the window first opens

} // namespace

template <typename Handler> void THistoryWindow::run(Handler&& handler) {
    guarded(station_.prompts, std::forward<Handler>(handler));
}

THistoryWindow::THistoryWindow(HistoryStation station, QWidget* parent)
    : QDialog(parent), station_(std::move(station)) {
    setObjectName(QStringLiteral("History"));
    buildControls();
    connect(BtnSearch, &QPushButton::clicked, this, [this] { run([this] { BtnSearchClick(); }); });
    connect(edText, &QLineEdit::returnPressed, this, [this] { run([this] { BtnSearchClick(); }); });
    connect(gridHistory, &QTableWidget::itemSelectionChanged, this,
            [this] { run([this] { gridHistorySelect(); }); });
    connect(BtnReprint, &QPushButton::clicked, this,
            [this] { run([this] { BtnReprintClick(); }); });
}

THistoryWindow::~THistoryWindow() = default;

void THistoryWindow::buildControls() {
    resize(980, 560);
    auto* outer = new QVBoxLayout(this);
    auto* filters = new QGridLayout;
    lblText = new QLabel(this);
    edText = new QLineEdit(this);
    edText->setObjectName(QStringLiteral("edText"));
    lblDays = new QLabel(this);
    edFrom = new QDateEdit(QDate::currentDate().addDays(-kDaysShown), this);
    edFrom->setObjectName(QStringLiteral("edFrom"));
    edTo = new QDateEdit(QDate::currentDate(), this);
    edTo->setObjectName(QStringLiteral("edTo"));
    for (QDateEdit* d : {edFrom, edTo}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    }
    lblState = new QLabel(this);
    cbState = new QComboBox(this);
    cbState->setObjectName(QStringLiteral("cbState"));
    BtnSearch = new QPushButton(this);
    BtnSearch->setObjectName(QStringLiteral("BtnSearch"));
    BtnSearch->setDefault(true);
    filters->addWidget(lblText, 0, 0);
    filters->addWidget(edText, 0, 1);
    filters->addWidget(lblDays, 0, 2);
    filters->addWidget(edFrom, 0, 3);
    filters->addWidget(edTo, 0, 4);
    filters->addWidget(lblState, 0, 5);
    filters->addWidget(cbState, 0, 6);
    filters->addWidget(BtnSearch, 0, 7);
    filters->setColumnStretch(1, 1);
    outer->addLayout(filters);

    gridHistory = new QTableWidget(0, 7, this);
    gridHistory->setObjectName(QStringLiteral("gridHistory"));
    gridHistory->setSelectionBehavior(QAbstractItemView::SelectRows);
    gridHistory->setSelectionMode(QAbstractItemView::SingleSelection);
    gridHistory->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gridHistory->verticalHeader()->hide();
    gridHistory->horizontalHeader()->setStretchLastSection(true);
    gridHistory->setColumnWidth(0, 150);
    gridHistory->setColumnWidth(3, 260);
    outer->addWidget(gridHistory, 1);

    preview = new TStripPreview(this);
    outer->addWidget(preview);
    auto* reprint = new QHBoxLayout;
    cbLabel = new QComboBox(this);
    cbLabel->setObjectName(QStringLiteral("cbLabel"));
    cbLabel->setMinimumWidth(240);
    BtnReprint = new QPushButton(this);
    BtnReprint->setObjectName(QStringLiteral("BtnReprint"));
    reprint->addWidget(cbLabel);
    reprint->addWidget(BtnReprint);
    reprint->addStretch();
    outer->addLayout(reprint);
}

void THistoryWindow::ApplyLanguage() {
    const bool zh = codePage_ == 936;
    setWindowTitle(zh ? u8("历史记录") : QStringLiteral("History"));
    lblText->setText(zh ? u8("标签内容:") : QStringLiteral("Label text:"));
    lblDays->setText(zh ? u8("日期:") : QStringLiteral("Days:"));
    lblState->setText(zh ? u8("状态:") : QStringLiteral("State:"));
    BtnSearch->setText(zh ? u8("查询") : QStringLiteral("&Search"));
    BtnReprint->setText(zh ? u8("重打") : QStringLiteral("&Reprint"));
    gridHistory->setHorizontalHeaderLabels(
        zh ? QStringList{u8("时间"), u8("类型"), u8("端口"), u8("标签"), u8("状态"), u8("依据"),
                         u8("原因")}
           : QStringList{QStringLiteral("Time"), QStringLiteral("Kind"), QStringLiteral("Port"),
                         QStringLiteral("Labels"), QStringLiteral("State"),
                         QStringLiteral("Evidence"), QStringLiteral("Reason")});
    const int state = cbState->currentIndex();
    cbState->clear();
    cbState->addItem(anyStateText(codePage_));
    for (StripState s : historyStates())
        cbState->addItem(stateText(s, codePage_), int(s));
    cbState->setCurrentIndex(std::max(0, state));
    preview->setCodePage(codePage_);
}

PrintJournal& THistoryWindow::journal() {
    if (PrintJournal* station = station_.journal ? station_.journal() : nullptr)
        return *station;
    if (!owned_)
        owned_ = openHistoryJournal(QProcessEnvironment::systemEnvironment(), QDir::currentPath());
    return *owned_;
}

void THistoryWindow::showHistory(int codePage) {
    codePage_ = codePage;
    ApplyLanguage();
    show();
    raise();
    activateWindow();
    run([this] { BtnSearchClick(); });
}

void THistoryWindow::BtnSearchClick() {
    HistorySearch search;
    search.textPart = edText->text();
    search.from = edFrom->date();
    search.to = edTo->date();
    if (cbState->currentIndex() > 0)
        search.state = StripState(cbState->currentData().toInt());
    found_ = findStrips(journal(), search);
    const QSignalBlocker quiet(gridHistory);
    gridHistory->clearSelection();
    gridHistory->setRowCount(int(found_.size()));
    for (int row = 0; row < found_.size(); ++row) {
        const HistoryLine line = historyLine(found_[row], codePage_);
        const QString cells[] = {line.time,  line.kind,     line.port,  line.labels,
                                 line.state, line.evidence, line.reason};
        for (int c = 0; c < 7; ++c)
            gridHistory->setItem(row, c, new QTableWidgetItem(cells[c]));
    }
    clearPreview();
    cbLabel->clear();
    if (!found_.isEmpty())
        gridHistory->selectRow(0);
    gridHistorySelect();
}

void THistoryWindow::clearPreview() {
    preview->lblStrip->clear();
    preview->lblFlags->clear();
}

const JournalEntry* THistoryWindow::selected() const {
    const int row = gridHistory->currentRow();
    if (row < 0 || row >= found_.size() || !gridHistory->item(row, 0)->isSelected())
        return nullptr;
    return &found_[row];
}

void THistoryWindow::gridHistorySelect() {
    cbLabel->clear();
    const JournalEntry* entry = selected();
    // A decision on records only the database held printed nothing.
    const bool printed = entry && entry->kind != EntryKind::Decision;
    BtnReprint->setEnabled(printed);
    if (!printed) {
        clearPreview();
        return;
    }
    for (const ReprintChoice& choice : reprintChoices(*entry, codePage_))
        cbLabel->addItem(choice.text, choice.column);
    preview->display(journaledPicture(previewer_, *entry), previewer_.options());
}

void THistoryWindow::BtnReprintClick() {
    const bool zh = codePage_ == 936;
    const JournalEntry* entry = selected();
    if (!entry)
        return;
    if (station_.busy && station_.busy()) {
        station_.prompts.message(zh ? u8("正在打印。请在打印结束后再重打。")
                                    : QStringLiteral("A print run is going: reprint once it "
                                                     "has ended."));
        return;
    }
    const JournalEntry original = *entry;
    const int column = cbLabel->currentIndex() > 0 ? cbLabel->currentData().toInt() : -1;
    const QString what = cbLabel->currentText();
    const auto reason =
        station_.prompts.input(zh ? u8("重打") : QStringLiteral("Reprint"),
                               zh ? u8("为什么再打一次 (%1)?").arg(what)
                                  : QStringLiteral("Why is it printed again (%1)?").arg(what),
                               QString());
    if (!reason)
        return;
    ReprintRequest request;
    request.portName = station_.port();
    if (column >= 0)
        request.column = column;
    request.reason = *reason;
    request.codePage = codePage_;
    const ReprintResult result = station_.reprint(journal(), original, request);
    BtnSearchClick();
    station_.prompts.message(reprintResultText(result, codePage_));
}
