// The main window's grid: which edits it lets through and what it writes.
#include "forms/umainBarcode.h"

#include "core/AppError.h"
#include "core/DataModule.h"
#include "core/ErrorReport.h"
#include "core/Language.h"
#include "db/LabelList.h"
#include "db/RecordClaims.h"
#include "forms/LabelGrid.h"
#include "journal/PrintJournal.h"
#include "printing/StripJournal.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QTimer>

namespace {

// The widths of the text columns as the label database declares them, in
// bytes of the server's Chinese code page (a Chinese character takes two).
int columnWidth(int column) {
    switch (column) {
    case LabelList::LabelSize:
    case LabelList::TitleText:
        return 20;
    case LabelList::LabelText:
    case LabelList::Barcode:
        return 50;
    default:
        return 0;
    }
}

} // namespace

bool TmainBarcode::mayEditRecord(const QModelIndex& cell) {
    const int row = cell.row();
    if (printing_)
        return false;
    if (row < 0 || row >= qryLable->count())
        return true; // the new row is nobody's yet
    bool may = false;
    guarded(prompts_, [&] {
        const qint64 id = qryLable->value(row, LabelList::Iden_id).toLongLong();
        const QString record =
            QStringLiteral("%1 (Iden_id %2)")
                .arg(qryLable->value(row, LabelList::LabelText).toString().trimmed())
                .arg(id);
        // What the database says now: the list may be older than the last run.
        QString question;
        QSqlQuery q = forwardOnlyQuery(dm_.conADO());
        q.prepare(QStringLiteral("SELECT PrintFlag FROM PrintLabel WHERE Iden_id=?"));
        q.addBindValue(id);
        if (q.exec() && q.next() && q.value(0).toInt() == 1)
            question = msgEditPrinted.arg(record);
        if (question.isEmpty()) {
            RecordClaims claims(dm_.qryEXEC(), dm_.conADO(), QString());
            QList<ClaimedRecord> all;
            try {
                all = claims.all();
            } catch (const AppError&) {
                // Without the claim table no station keeps a claim.
            }
            for (const ClaimedRecord& c : std::as_const(all))
                if (c.id == id)
                    question = (c.state == QLatin1String("held") ? msgEditHeld : msgEditClaimed)
                                   .arg(record, c.station);
        }
        if (question.isEmpty() && journal && journal->journal() &&
            journal->journal()->heldIds().contains(id))
            question =
                msgEditHeld.arg(record, stationName(qEnvironmentVariable("VORNELL_STATION")));
        may = question.isEmpty() || prompts_.question(question, msgExitCaption);
    });
    return may;
}

void TmainBarcode::commitGridText(const QModelIndex& cell, const QString& text) {
    guarded(prompts_, [&] {
        const int column = cell.column();
        const QString title =
            qryLable->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        QVariant value = text;
        QString refusal;
        if (column == LabelList::CreateTime) {
            const QString typed = text.trimmed();
            QDateTime at;
            for (const char* format : {"yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm", "yyyy-MM-dd"})
                if (!at.isValid())
                    at = QDateTime::fromString(typed, QLatin1String(format));
            if (!at.isValid())
                refusal = msgBadDateTime.arg(title, text);
            // The server's column takes a date-time, the embedded one its text.
            else if (cell.data(Qt::EditRole).typeId() == QMetaType::QDateTime)
                value = at;
            else
                value = at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        } else if (const int width = columnWidth(column);
                   width > 0 && ansiByteLength(text, 936) > width) {
            refusal = msgTooLong.arg(title).arg(width);
        }
        if (!refusal.isEmpty()) {
            // Told once the editor has closed: a box shown while it closes
            // would take its focus and have it hand over its text again.
            QTimer::singleShot(0, this, [this, refusal] { reportError(prompts_, refusal); });
            return;
        }
        qryLable->setData(cell, value, Qt::EditRole);
    });
}
