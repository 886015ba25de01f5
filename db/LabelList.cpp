#include "db/LabelList.h"

#include "app/AppError.h"
#include "app/DataModule.h"
#include "app/Text.h"
#include "db/Dialect.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

const std::array<const char*, LabelList::FieldCount> LabelList::fieldNames = {
    "Iden_id",   "CreateTime", "LabelSize", "TitleText",
    "LabelText", "Barcode",    "PrintFlag", "PrintTime"};

namespace {
QVariant displayed(const QVariant& v) {
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return v;
}
} // namespace

LabelList::LabelList(QString connectionName, QObject* parent)
    : QAbstractTableModel(parent), connection_(std::move(connectionName)) {}

void LabelList::open(const QStringList& lines) {
    close();
    statement_ = lines.join(QStringLiteral("\r\n"));
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.setForwardOnly(true);
    if (!q.exec(statement_))
        throw AppError(sqlErrorText(q.lastError()));
    const QSqlRecord rec = q.record();
    std::array<int, FieldCount> column{};
    for (int f = 0; f < FieldCount; ++f)
        column[size_t(f)] = rec.indexOf(QLatin1String(fieldNames[size_t(f)]));
    std::vector<std::array<QVariant, FieldCount>> rows;
    while (q.next()) {
        std::array<QVariant, FieldCount>& row = rows.emplace_back();
        for (int f = 0; f < FieldCount; ++f)
            if (column[size_t(f)] >= 0)
                row[size_t(f)] = q.value(column[size_t(f)]);
    }
    if (q.lastError().isValid())
        throw AppError(sqlErrorText(q.lastError()));
    beginResetModel();
    rows_ = std::move(rows);
    open_ = true;
    current_ = rows_.empty() ? -1 : 0;
    endResetModel();
    emit currentRowChanged(current_);
}

void LabelList::close() {
    if (newRow_ >= 0 && newRowHasText())
        saveNewRow();
    if (!open_ && rows_.empty())
        return;
    beginResetModel();
    rows_.clear();
    open_ = false;
    current_ = -1;
    newRow_ = -1;
    newRowRefused_ = false;
    endResetModel();
    emit currentRowChanged(current_);
}

QVariant LabelList::value(int row, Field field) const {
    if (row < 0 || row >= count())
        return {};
    return rows_[size_t(row)][size_t(field)];
}

bool LabelList::setCurrentRow(int row) {
    if (row < -1 || row >= rowCount())
        return false;
    if (row == current_)
        return true;
    if (newRow_ >= 0 && current_ == newRow_) {
        if (!newRowHasText())
            dropNewRow();
        else if (newRowRefused_ || !trySaveNewRow())
            return false;
    }
    const int old = current_;
    current_ = row;
    if (old >= 0 && old < rowCount())
        emit headerDataChanged(Qt::Vertical, old, old);
    if (row >= 0)
        emit headerDataChanged(Qt::Vertical, row, row);
    emit currentRowChanged(current_);
    return true;
}

void LabelList::writeField(int row, Field field, const QVariant& value) {
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("UPDATE PrintLabel SET %1=? WHERE Iden_id=?")
                  .arg(QLatin1String(fieldNames[size_t(field)])));
    q.addBindValue(value);
    q.addBindValue(rows_.at(size_t(row))[Iden_id]);
    if (!q.exec())
        throw AppError(sqlErrorText(q.lastError()));
}

void LabelList::insertRecord(const QString& labelSize) {
    if (!open_)
        return;
    if (newRow_ < 0) {
        std::array<QVariant, FieldCount> row;
        row[CreateTime] = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch());
        row[LabelSize] = labelSize;
        row[PrintFlag] = 0;
        const int at = int(rows_.size());
        beginInsertRows({}, at, at);
        rows_.push_back(std::move(row));
        newRow_ = at;
        newRowRefused_ = false;
        endInsertRows();
    }
    setCurrentRow(newRow_);
}

bool LabelList::newRowHasText() const {
    return !trimBlanks(rows_.at(size_t(newRow_))[LabelText].toString()).isEmpty();
}

bool LabelList::postNewRow() {
    if (newRow_ < 0)
        return true;
    if (!newRowHasText()) {
        cancelNewRow();
        return true;
    }
    return trySaveNewRow();
}

bool LabelList::trySaveNewRow() {
    try {
        saveNewRow();
    } catch (const AppError& e) {
        newRowRefused_ = true;
        if (onWriteError)
            onWriteError(e.text());
        return false;
    }
    return true;
}

void LabelList::saveNewRow() {
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    const Dialect dialect = dialectOf(db);
    std::array<QVariant, FieldCount>& row = rows_.at(size_t(newRow_));
    // Only the fields that hold something: the others take the table's
    // defaults, as they do for rows other programs add.
    QStringList columns;
    QVariantList values;
    for (int f = CreateTime; f < FieldCount; ++f) {
        QVariant v = row[size_t(f)];
        if (!v.isValid())
            continue;
        // The embedded database keeps date-times as local-time text.
        if (dialect == Dialect::Sqlite && v.typeId() == QMetaType::QDateTime)
            v = v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        columns << QLatin1String(fieldNames[size_t(f)]);
        values << v;
    }
    QString insert =
        QStringLiteral("INSERT INTO PrintLabel (%1) VALUES (%2)")
            .arg(columns.join(QStringLiteral(", ")),
                 QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
    if (dialect == Dialect::TSql)
        insert = QStringLiteral("SET NOCOUNT ON; ") + insert +
                 QStringLiteral("; SELECT CAST(SCOPE_IDENTITY() AS int)");
    QSqlQuery q(db);
    q.prepare(insert);
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        throw AppError(sqlErrorText(q.lastError()));
    QVariant id = q.lastInsertId();
    if (dialect == Dialect::TSql && q.next())
        id = q.value(0);

    // The row is a record from here on: it shows what the database stored.
    std::array<QVariant, FieldCount> saved = row;
    saved[Iden_id] = id;
    QSqlQuery r(db);
    r.prepare(QStringLiteral("SELECT * FROM PrintLabel WHERE Iden_id=?"));
    r.addBindValue(id);
    if (r.exec() && r.next())
        for (int f = 0; f < FieldCount; ++f)
            saved[size_t(f)] = r.value(QLatin1String(fieldNames[size_t(f)]));
    row = std::move(saved);
    const int at = newRow_;
    newRow_ = -1;
    newRowRefused_ = false;
    emit dataChanged(index(at, 0), index(at, FieldCount - 1), {Qt::DisplayRole, Qt::EditRole});
    emit headerDataChanged(Qt::Vertical, at, at);
}

void LabelList::dropNewRow() {
    const int at = newRow_;
    // Settled before the removal: the view moves its cursor to the row above
    // while the row goes, and that move must find no new row to leave.
    newRow_ = -1;
    newRowRefused_ = false;
    if (current_ == at)
        current_ = at - 1;
    beginRemoveRows({}, at, at);
    rows_.pop_back();
    endRemoveRows();
}

void LabelList::cancelNewRow() {
    if (newRow_ < 0)
        return;
    const bool wasCurrent = current_ == newRow_;
    dropNewRow();
    if (!wasCurrent)
        return;
    if (current_ >= 0)
        emit headerDataChanged(Qt::Vertical, current_, current_);
    emit currentRowChanged(current_);
}

void LabelList::deleteRecord(int row) {
    if (newRow_ >= 0) {
        if (row == newRow_)
            cancelNewRow();
        return;
    }
    if (row < 0 || row >= count())
        return;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("DELETE FROM PrintLabel WHERE Iden_id=?"));
    q.addBindValue(rows_.at(size_t(row))[Iden_id]);
    if (!q.exec())
        throw AppError(sqlErrorText(q.lastError()));
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
    if (current_ >= count())
        current_ = count() - 1;
    emit currentRowChanged(current_);
}

int LabelList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int LabelList::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FieldCount;
}

QVariant LabelList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const QVariant& v = rows_[size_t(index.row())][size_t(index.column())];
    if (role == Qt::DisplayRole)
        return displayed(v);
    if (role == Qt::EditRole)
        return v;
    return {};
}

QVariant LabelList::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical) {
        if (section == newRow_)
            return QStringLiteral("*");
        return section == current_ ? QStringLiteral("\u25B6") : QString();
    }
    static const char* const titles[FieldCount] = {
        "序号", "日期时间", "标签大小", "标题", "标签内容", "条形码", "PrintFlag", "PrintTime"};
    if (section >= 0 && section < FieldCount)
        return QString::fromUtf8(titles[section]);
    return {};
}

Qt::ItemFlags LabelList::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() != Iden_id)
        f |= Qt::ItemIsEditable;
    return f;
}

bool LabelList::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || index.column() == Iden_id)
        return false;
    const int row = index.row();
    const auto field = Field(index.column());
    if (rows_[size_t(row)][size_t(field)] == value)
        return true;
    if (row == newRow_) {
        // Kept here until the row is left.
        rows_[size_t(row)][size_t(field)] = value;
        newRowRefused_ = false;
        emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
        return true;
    }
    try {
        writeField(row, field, value);
    } catch (const AppError& e) {
        if (onWriteError)
            onWriteError(e.text());
        return false;
    }
    rows_[size_t(row)][size_t(field)] = value;
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}
