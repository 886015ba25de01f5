#include "db/SnapshotModel.h"

#include "core/AppError.h"
#include "core/DataModule.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

SnapshotModel::SnapshotModel(QString connectionName, QStringList fieldNames, QStringList titles,
                             MissingField missing, QObject* parent)
    : QAbstractTableModel(parent), connection_(std::move(connectionName)),
      fieldNames_(std::move(fieldNames)),
      titles_(titles.isEmpty() ? fieldNames_ : std::move(titles)), missing_(missing) {}

QSqlDatabase SnapshotModel::database() const {
    return QSqlDatabase::database(connection_, false);
}

std::vector<SnapshotModel::Row> SnapshotModel::read(const QStringList& lines) {
    statement_ = lines.join(QStringLiteral("\r\n"));
    QSqlQuery q = forwardOnlyQuery(database());
    if (!q.exec(statement_))
        throw AppError(sqlErrorText(q.lastError()));
    const QSqlRecord rec = q.record();
    std::vector<int> column;
    std::vector<int> sizes;
    for (const QString& name : fieldNames_) {
        const int c = rec.indexOf(name);
        if (c < 0 && missing_ == MissingField::Refused)
            throw AppError(QStringLiteral("Field '%1' not found").arg(name));
        column.push_back(c);
        const bool text = c >= 0 && rec.field(c).metaType().id() == QMetaType::QString;
        sizes.push_back(text ? qMax(0, rec.field(c).length()) : 0);
    }
    std::vector<Row> rows;
    while (q.next()) {
        Row& row = rows.emplace_back();
        row.reserve(column.size());
        for (int c : column)
            row.push_back(c >= 0 ? q.value(c) : QVariant());
    }
    if (q.lastError().isValid())
        throw AppError(sqlErrorText(q.lastError()));
    resultSizes_ = std::move(sizes);
    return rows;
}

void SnapshotModel::setRows(std::vector<Row> rows, bool open) {
    rows_ = std::move(rows);
    open_ = open;
    current_ = -1;
}

void SnapshotModel::moveCurrent(int row) {
    const int old = current_;
    current_ = row;
    if (old >= 0 && old < rowCount())
        emit headerDataChanged(Qt::Vertical, old, old);
    if (row >= 0)
        emit headerDataChanged(Qt::Vertical, row, row);
    emit currentRowChanged(current_);
}

int SnapshotModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int SnapshotModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : fieldCount();
}

QVariant SnapshotModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= fieldCount())
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const QVariant& v = rows_.at(size_t(snapshotRow(index.row()))).at(size_t(index.column()));
    if (role == Qt::DisplayRole && v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return v;
}

QVariant SnapshotModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section == current_ ? QStringLiteral("\u25B6") : QString();
    if (section >= 0 && section < fieldCount())
        return titles_.at(section);
    return {};
}
