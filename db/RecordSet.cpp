#include "db/RecordSet.h"

#include "app/AppError.h"
#include "app/DataModule.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

RecordSet::RecordSet(QString connectionName, QList<FieldDef> fields, QObject* parent)
    : QAbstractTableModel(parent), connection_(std::move(connectionName)),
      fields_(std::move(fields)) {}

int RecordSet::fieldIndex(const QString& name) const {
    for (int i = 0; i < fieldCount(); ++i)
        if (fields_[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void RecordSet::open(const QStringList& lines) {
    close();
    statement_ = lines.join(QStringLiteral("\r\n"));
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.setForwardOnly(true);
    if (!q.exec(statement_))
        throw AppError(sqlErrorText(q.lastError()));
    const QSqlRecord rec = q.record();
    std::vector<int> column;
    for (const FieldDef& f : fields_) {
        const int c = rec.indexOf(f.name);
        if (c < 0)
            throw AppError(QStringLiteral("Field '%1' not found").arg(f.name));
        column.push_back(c);
    }
    std::vector<std::vector<QVariant>> records;
    while (q.next()) {
        std::vector<QVariant>& r = records.emplace_back();
        r.reserve(column.size());
        for (int c : column)
            r.push_back(q.value(c));
    }
    if (q.lastError().isValid())
        throw AppError(sqlErrorText(q.lastError()));
    beginResetModel();
    records_ = std::move(records);
    open_ = true;
    current_ = -1;
    shown_.clear();
    endResetModel();
    rebuild(-1);
}

void RecordSet::close() {
    if (!open_ && records_.empty())
        return;
    beginResetModel();
    records_.clear();
    shown_.clear();
    open_ = false;
    current_ = -1;
    endResetModel();
    emit currentRowChanged(current_);
}

QVariant RecordSet::recordValue(int record, int field) const {
    return records_.at(size_t(record)).at(size_t(field));
}

QVariant RecordSet::value(int row, int field) const {
    return recordValue(shown_.at(size_t(row)), field);
}

void RecordSet::setCurrentRow(int row) {
    if (row < -1 || row >= count() || row == current_)
        return;
    const int old = current_;
    current_ = row;
    if (old >= 0)
        emit headerDataChanged(Qt::Vertical, old, old);
    if (row >= 0)
        emit headerDataChanged(Qt::Vertical, row, row);
    emit currentRowChanged(current_);
}

QVariant RecordSet::fieldValue(int field) const {
    if (current_ < 0 || field < 0 || field >= fieldCount())
        return {};
    return value(current_, field);
}

QVariant RecordSet::fieldValue(const QString& name) const {
    return fieldValue(fieldIndex(name));
}

bool RecordSet::locate(int field, const QString& value) {
    if (field < 0 || field >= fieldCount())
        return false;
    for (int row = 0; row < count(); ++row) {
        const QVariant v = this->value(row, field);
        if (!v.isNull() && v.toString() == value) {
            setCurrentRow(row);
            return true;
        }
    }
    return false;
}

void RecordSet::setFilterRecord(FilterRecord filter) {
    filter_ = std::move(filter);
    if (filtered_)
        refilter();
}

void RecordSet::setFiltered(bool on) {
    filtered_ = on;
    refilter();
}

void RecordSet::refilter() {
    const int keep = current_ >= 0 ? shown_[size_t(current_)] : -1;
    rebuild(keep);
}

void RecordSet::rebuild(int keepRecord) {
    beginResetModel();
    shown_.clear();
    const bool filtering = filtered_ && filter_;
    for (int r = 0; r < recordCount(); ++r)
        if (!filtering || filter_(*this, r))
            shown_.push_back(r);
    int row = shown_.empty() ? -1 : 0;
    for (size_t i = 0; i < shown_.size(); ++i)
        if (shown_[i] == keepRecord)
            row = int(i);
    current_ = row;
    endResetModel();
    emit currentRowChanged(current_);
}

int RecordSet::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

int RecordSet::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : fieldCount();
}

QVariant RecordSet::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count() || index.column() >= fieldCount())
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const QVariant v = value(index.row(), index.column());
    if (role == Qt::DisplayRole && v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return v;
}

QVariant RecordSet::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        if (role == Qt::DisplayRole)
            return section == current_ ? QStringLiteral("\u25B6") : QString();
        return {};
    }
    if (section < 0 || section >= fieldCount())
        return {};
    if (role == Qt::DisplayRole)
        return fields_[section].name;
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    return {};
}
