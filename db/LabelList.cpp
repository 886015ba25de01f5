#include "db/LabelList.h"

#include "core/AppError.h"
#include "core/DataModule.h"
#include "core/Text.h"
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
QStringList names() {
    QStringList out;
    for (const char* name : LabelList::fieldNames)
        out << QLatin1String(name);
    return out;
}

QStringList titles() {
    QStringList out;
    for (const char* title :
         {"序号", "日期时间", "标签大小", "标题", "标签内容", "条形码", "PrintFlag", "PrintTime"})
        out << QString::fromUtf8(title);
    return out;
}
} // namespace

LabelList::LabelList(QString connectionName, QObject* parent)
    : SnapshotModel(std::move(connectionName), names(), titles(), MissingField::Null, parent) {}

void LabelList::open(const QStringList& lines) {
    close();
    std::vector<Row> rows = read(lines);
    beginResetModel();
    setRows(std::move(rows), true);
    current_ = rows_.empty() ? -1 : 0;
    endResetModel();
    emit currentRowChanged(current_);
}

void LabelList::close() {
    if (newRow_ >= 0 && newRowHasText())
        saveNewRow();
    if (!isOpen() && rows_.empty())
        return;
    beginResetModel();
    setRows({}, false);
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
    moveCurrent(row);
    return true;
}

void LabelList::writeField(int row, Field field, const QVariant& value) {
    QSqlQuery q = forwardOnlyQuery(database());
    q.prepare(QStringLiteral("UPDATE PrintLabel SET %1=? WHERE Iden_id=?")
                  .arg(QLatin1String(fieldNames[size_t(field)])));
    q.addBindValue(value);
    q.addBindValue(rows_.at(size_t(row))[Iden_id]);
    if (!q.exec())
        throw AppError(sqlErrorText(q.lastError()));
}

void LabelList::insertRecord(const QString& labelSize) {
    if (!isOpen())
        return;
    if (newRow_ < 0) {
        Row row(FieldCount);
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
    QSqlDatabase db = database();
    const Dialect dialect = dialectOf(db);
    Row& row = rows_.at(size_t(newRow_));
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
    QSqlQuery q = forwardOnlyQuery(db);
    q.prepare(insert);
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        throw AppError(sqlErrorText(q.lastError()));
    QVariant id = q.lastInsertId();
    if (dialect == Dialect::TSql && q.next())
        id = q.value(0);

    // The row is a record from here on: it shows what the database stored.
    Row saved = row;
    saved[Iden_id] = id;
    QSqlQuery r = forwardOnlyQuery(db);
    r.prepare(QStringLiteral("SELECT * FROM PrintLabel WHERE Iden_id=?"));
    r.addBindValue(id);
    // The record is stored whatever the read-back gives: a failure is told,
    // and the row keeps the values as typed (saving again would add it twice).
    const bool readBack = r.exec();
    if (readBack && r.next())
        for (int f = 0; f < FieldCount; ++f)
            saved[size_t(f)] = r.value(QLatin1String(fieldNames[size_t(f)]));
    row = std::move(saved);
    const int at = newRow_;
    newRow_ = -1;
    newRowRefused_ = false;
    emit dataChanged(index(at, 0), index(at, FieldCount - 1), {Qt::DisplayRole, Qt::EditRole});
    emit headerDataChanged(Qt::Vertical, at, at);
    if (!readBack && onWriteError)
        onWriteError(sqlErrorText(r.lastError()));
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
    QSqlQuery q = forwardOnlyQuery(database());
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

QVariant LabelList::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical && role == Qt::DisplayRole && section == newRow_)
        return QStringLiteral("*");
    return SnapshotModel::headerData(section, orientation, role);
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
