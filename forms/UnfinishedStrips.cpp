#include "forms/UnfinishedStrips.h"

#include "core/ErrorReport.h"
#include "forms/ModalDriver.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QString u8(const char* text) {
    return QString::fromUtf8(text);
}
} // namespace

TUnfinishedStrips::TUnfinishedStrips(PrintJournal* journal, RecordClaims& claims, Prompts& prompts,
                                     int codePage, QWidget* parent)
    : QDialog(parent), journal_(journal), claims_(claims), prompts_(prompts), codePage_(codePage) {
    setObjectName(QStringLiteral("UnfinishedStrips"));
    const bool zh = codePage == 936;
    setWindowTitle(zh ? u8("未完成的标签条") : QStringLiteral("Unfinished strips"));
    lblPrompt = new QLabel(
        zh ? u8("以下标签条可能已打出但未标记为已打印。在决定之前，这些记录不会被打印。")
           : QStringLiteral("These strips may have printed without their records being marked. "
                            "Until you decide, no run prints these records."),
        this);
    lblPrompt->setWordWrap(true);
    lstStrips = new QListWidget(this);
    lstStrips->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstStrips->setMinimumWidth(640);
    btnSelectAll = new QPushButton(zh ? u8("全选") : QStringLiteral("Select all"), this);
    btnMarkPrinted =
        new QPushButton(zh ? u8("标记为已打印") : QStringLiteral("Mark printed"), this);
    btnPrintAgain = new QPushButton(zh ? u8("重新打印") : QStringLiteral("Print again"), this);
    btnLater = new QPushButton(zh ? u8("稍后") : QStringLiteral("Later"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnSelectAll);
    buttons->addStretch();
    buttons->addWidget(btnMarkPrinted);
    buttons->addWidget(btnPrintAgain);
    buttons->addWidget(btnLater);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblPrompt);
    layout->addWidget(lstStrips);
    layout->addLayout(buttons);

    connect(btnSelectAll, &QPushButton::clicked, lstStrips, &QListWidget::selectAll);
    connect(btnMarkPrinted, &QPushButton::clicked, this,
            [this] { guarded(prompts_, [this] { btnMarkPrintedClick(); }); });
    connect(btnPrintAgain, &QPushButton::clicked, this,
            [this] { guarded(prompts_, [this] { btnPrintAgainClick(); }); });
    connect(btnLater, &QPushButton::clicked, this, &QDialog::reject);
    reload();
}

int TUnfinishedStrips::showModal() {
    ::showModal(*this, modalDriver);
    return count();
}

bool TUnfinishedStrips::reload() {
    lstStrips->clear();
    strips_ = unfinishedStrips(journal_, claims_, codePage_);
    for (const UnfinishedStrip& s : std::as_const(strips_))
        new QListWidgetItem(s.line, lstStrips);
    return lstStrips->count() > 0;
}

int TUnfinishedStrips::count() const {
    return lstStrips->count();
}

void TUnfinishedStrips::decide(bool markPrinted) {
    QList<UnfinishedStrip> chosen;
    for (int i = 0; i < lstStrips->count(); ++i)
        if (lstStrips->item(i)->isSelected())
            chosen << strips_.at(i);
    if (chosen.isEmpty())
        return;
    // Whatever was decided before a failure stays decided: the list shows
    // what is left.
    const auto refresh = [this] {
        if (!reload())
            accept();
    };
    try {
        decideStrips(journal_, claims_, chosen, markPrinted);
    } catch (...) {
        refresh();
        throw;
    }
    refresh();
}

void TUnfinishedStrips::btnMarkPrintedClick() {
    decide(true);
}

void TUnfinishedStrips::btnPrintAgainClick() {
    decide(false);
}
