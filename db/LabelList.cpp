#include "db/LabelList.h"

#include "app/AppError.h"
#include "app/DataModule.h"
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
    if (!open_ && rows_.empty())
        return;
    beginResetModel();
    rows_.clear();
    open_ = false;
    current_ = -1;
    endResetModel();
    emit currentRowChanged(current_);
}

void LabelList::setCurrentRow(int row) {
    if (row < -1 || row >= count() || row == current_)
        return;
    const int old = current_;
    current_ = row;
    if (old >= 0 && old < count())
        emit headerDataChanged(Qt::Vertical, old, old);
    if (row >= 0)
        emit headerDataChanged(Qt::Vertical, row, row);
    emit currentRowChanged(current_);
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
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    QVariant id;
    if (dialectOf(db) == Dialect::Sqlite) {
        q.prepare(QStringLiteral("INSERT INTO PrintLabel (CreateTime, LabelSize, PrintFlag) "
                                 "VALUES (getdate(), ?, 0)"));
        q.addBindValue(labelSize);
        if (!q.exec())
            throw AppError(sqlErrorText(q.lastError()));
        id = q.lastInsertId();
    } else {
        q.prepare(QStringLiteral("SET NOCOUNT ON; INSERT INTO PrintLabel (CreateTime, LabelSize, "
                                 "PrintFlag) VALUES (getdate(), ?, 0); "
                                 "SELECT CAST(SCOPE_IDENTITY() AS int)"));
        q.addBindValue(labelSize);
        if (!q.exec())
            throw AppError(sqlErrorText(q.lastError()));
        if (q.next())
            id = q.value(0);
    }
    QSqlQuery r(db);
    r.prepare(QStringLiteral("SELECT * FROM PrintLabel WHERE Iden_id=?"));
    r.addBindValue(id);
    if (!r.exec() || !r.next())
        throw AppError(sqlErrorText(r.lastError()));
    std::array<QVariant, FieldCount> row;
    for (int f = 0; f < FieldCount; ++f)
        row[size_t(f)] = r.value(QLatin1String(fieldNames[size_t(f)]));
    const int at = count();
    beginInsertRows({}, at, at);
    rows_.push_back(std::move(row));
    endInsertRows();
    setCurrentRow(at);
}

void LabelList::deleteRecord(int row) {
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
    return parent.isValid() ? 0 : count();
}

int LabelList::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FieldCount;
}

QVariant LabelList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count())
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
    if (orientation == Qt::Vertical)
        return section == current_ ? QStringLiteral("\u25B6") : QString();
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
