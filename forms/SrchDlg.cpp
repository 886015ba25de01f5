#include "forms/SrchDlg.h"

#include "core/AppError.h"
#include "core/ErrorReport.h"
#include "db/RecordSet.h"
#include "db/SearchRules.h"
#include "forms/ModalDriver.h"
#include "settings/IniFile.h"
#include "settings/SettingsFile.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString u8(const char* text) {
    return QString::fromUtf8(text);
}

// The search button's picture: a magnifier (the greyed disabled image is
// derived by the icon).
QIcon searchIcon() {
    QPixmap normal(16, 16);
    normal.fill(Qt::transparent);
    {
        QPainter p(&normal);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::black, 2));
        p.drawEllipse(QRectF(2, 2, 8, 8));
        p.drawLine(QPointF(9.5, 9.5), QPointF(14, 14));
    }
    return QIcon(normal);
}

} // namespace

TFSrchDlg::TFSrchDlg(Prompts& prompts, QWidget* parent)
    : FormDialog(prompts, parent,
                 Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                     Qt::WindowCloseButtonHint),
      prompts_(prompts) {
    setObjectName(QStringLiteral("FSrchDlg"));
    setFixedSize(660, 371);

    Label2 = new QLabel(u8("搜索内容"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    SearchEd = new QComboBox(this);
    SearchEd->setObjectName(QStringLiteral("SearchEd"));
    SearchEd->setEditable(true);
    SearchEd->setInsertPolicy(QComboBox::NoInsert);
    SearchEd->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // The history drops down as soon as the operator types, and the typing
    // goes on in the box.
    auto* dropDown = new QCompleter(SearchEd->model(), SearchEd);
    dropDown->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    dropDown->setCaseSensitivity(Qt::CaseInsensitive);
    SearchEd->setCompleter(dropDown);
    SearchButton = new QToolButton(this);
    SearchButton->setObjectName(QStringLiteral("SearchButton"));
    SearchButton->setAutoRaise(true);
    SearchButton->setIcon(searchIcon());
    SearchButton->setToolTip(QStringLiteral("Search"));

    DBGrid1 = new QTableView(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    DBGrid1->setShowGrid(true);

    OKBtn = new QPushButton(u8("&O 确定"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    CancelBtn = new QPushButton(u8("&C 取消"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    for (QPushButton* b : {OKBtn, CancelBtn}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    auto* top = new QHBoxLayout;
    top->addWidget(Label2);
    top->addWidget(SearchEd, 1);
    top->addWidget(SearchButton);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(OKBtn);
    bottom->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(bottom);

    SearchEd->installEventFilter(this);
    if (SearchEd->lineEdit())
        SearchEd->lineEdit()->installEventFilter(this);

    const auto run = [this](auto handler) {
        return [this, handler] { guarded(prompts_, [this, handler] { (this->*handler)(); }); };
    };
    connect(SearchButton, &QToolButton::clicked, this, run(&TFSrchDlg::SearchButtonClick));
    connect(OKBtn, &QPushButton::clicked, this, run(&TFSrchDlg::OKBtnClick));
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(DBGrid1, &QTableView::doubleClicked, this, run(&TFSrchDlg::DBGrid1DblClick));
    // Enter while the history is dropped down reaches the box past its
    // event filter.
    connect(SearchEd->lineEdit(), &QLineEdit::returnPressed, this,
            [this] { guarded(prompts_, [this] { SearchEdKeyPress(13); }); });

    guarded(prompts_, [this] { FormCreate(); });
}

void TFSrchDlg::FormCreate() {
    setWindowTitle(u8("请选择一个记录"));
}

void TFSrchDlg::AttachDataSet(RecordSet* dataSet) {
    if (!dataSet)
        return;
    if (dataSet_ != dataSet) {
        if (dataSet_)
            disconnect(dataSet_, nullptr, this, nullptr);
        dataSet_ = dataSet;
        DBGrid1->setModel(dataSet_);
        connect(dataSet_, &RecordSet::currentRowChanged, this, [this] { syncSelection(); });
        connect(dataSet_, &QObject::destroyed, this, [this] { dataSet_ = nullptr; });
        connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this](const QModelIndex& current) {
                    if (dataSet_ && current.isValid())
                        dataSet_->setCurrentRow(current.row());
                });
    }
    dataSet_->setFilterRecord(
        [this](const RecordSet& set, int record) { return SearchFilterRecord(set, record); });
    syncSelection();
}

void TFSrchDlg::syncSelection() {
    if (!dataSet_ || DBGrid1->model() != dataSet_)
        return;
    const int row = dataSet_->currentRow();
    if (row < 0)
        DBGrid1->selectionModel()->clear();
    else if (DBGrid1->currentIndex().row() != row) {
        DBGrid1->selectRow(row);
        DBGrid1->setCurrentIndex(dataSet_->index(row, 0));
    }
}

void TFSrchDlg::LocateKey(const QString& key) {
    if (dataSet_)
        dataSet_->locate(0, key.trimmed());
}

QString TFSrchDlg::GetSelectedKey() const {
    const QVariant v = dataSet_ ? dataSet_->fieldValue(0) : QVariant();
    if (v.isNull())
        throw AppError(
            QStringLiteral("Could not convert variant of type (Null) into type (String)"));
    return v.toString();
}

bool TFSrchDlg::searchFilterOn() const {
    return dataSet_ && dataSet_->filtered();
}

QStringList TFSrchDlg::history() const {
    QStringList out;
    for (int i = 0; i < SearchEd->count(); ++i)
        out << SearchEd->itemText(i);
    return out;
}

int TFSrchDlg::showModal() {
    return ::showModal(*this, modalDriver);
}

void TFSrchDlg::FormShow() {
    LoadSearchHistory();
    SearchEd->setEditText(QString());
    if (dataSet_) {
        dataSet_->setFiltered(false);
        syncSelection();
    }
    DBGrid1->setColumnWidth(0, 120);
    if (dataSet_ && dataSet_->fieldCount() > 1)
        DBGrid1->setColumnWidth(1, SearchRules::secondColumnWidth(dataSet_->field(1).size));
    OKBtn->setEnabled(SearchRules::okEnabled(dataSet_));
    if (SearchEd->isEnabled() && SearchEd->isVisible())
        SearchEd->setFocus();
}

void TFSrchDlg::SearchButtonClick() {
    const QString text = SearchEd->currentText().trimmed();
    if (text.isEmpty()) {
        if (dataSet_)
            dataSet_->setFiltered(false);
        return;
    }
    const QString typed = SearchEd->currentText();
    const QStringList before = history();
    const QStringList after = SearchRules::afterSearch(before, text);
    if (after != before) {
        SearchEd->clear();
        SearchEd->addItems(after);
        SearchEd->setEditText(typed);
    }
    searchText_ = text;
    searchUpper_ = SearchRules::upper(text);
    if (dataSet_) {
        dataSet_->setFiltered(true);
        dataSet_->first();
    }
}

void TFSrchDlg::SearchEdKeyPress(int key) {
    if (key != 13)
        return;
    SearchButtonClick();
    SearchEd->hidePopup();
    if (QCompleter* dropDown = SearchEd->completer())
        dropDown->popup()->hide();
}

bool TFSrchDlg::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == SearchEd || watched == SearchEd->lineEdit()) &&
        event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            guarded(prompts_, [this] { SearchEdKeyPress(13); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TFSrchDlg::SearchFilterRecord(const RecordSet& dataSet, int record) const {
    return SearchRules::recordMatches(dataSet, record, searchUpper_);
}

void TFSrchDlg::accept_() {
    if (SearchRules::canAccept(dataSet_))
        accept();
}

void TFSrchDlg::DBGrid1DblClick() {
    accept_();
}

void TFSrchDlg::OKBtnClick() {
    accept_();
}

// The history is stored however the dialog ends. A restored dialog keeps the
// search, its filter and the history of this showing (see FormDialog).
void TFSrchDlg::FormClose() {
    // The history first, then the filter: an unfiltered query is left
    // without the callback, also when the history could not be written.
    struct RemoveFilter {
        RecordSet* dataSet;
        ~RemoveFilter() {
            if (dataSet && !dataSet->filtered())
                dataSet->setFilterRecord(nullptr);
        }
    } removeFilter{dataSet_};
    SaveSearchHistory();
}

void TFSrchDlg::LoadSearchHistory() {
    const IniFile ini(settingsFilePath());
    const QStringList history = SearchRules::readHistory([&ini](const QString& key) {
        return ini.readString(QLatin1String(SearchRules::kSection), key);
    });
    SearchEd->clear();
    SearchEd->addItems(history);
}

void TFSrchDlg::SaveSearchHistory() {
    const auto entries = SearchRules::toStore(history());
    if (entries.isEmpty())
        return;
    IniFile ini(settingsFilePath());
    for (const auto& [key, value] : entries)
        ini.writeString(QLatin1String(SearchRules::kSection), key, value);
    ini.save();
}
