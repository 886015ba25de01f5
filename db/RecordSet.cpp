#include "db/RecordSet.h"

namespace {
QStringList namesOf(const QList<FieldDef>& fields) {
    QStringList out;
    for (const FieldDef& f : fields)
        out << f.name;
    return out;
}
} // namespace

RecordSet::RecordSet(QString connectionName, QList<FieldDef> fields, QObject* parent)
    : SnapshotModel(std::move(connectionName), namesOf(fields), {}, MissingField::Refused, parent),
      fields_(std::move(fields)) {}

int RecordSet::fieldIndex(const QString& name) const {
    for (int i = 0; i < fieldCount(); ++i)
        if (fields_[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void RecordSet::open(const QStringList& lines) {
    close();
    std::vector<Row> records = read(lines);
    // A text field's size is the one the database gives for the result where
    // it gives one: the declared sizes stand for the embedded database.
    for (size_t f = 0; f < resultTextSizes().size(); ++f)
        if (resultTextSizes()[f] > 0)
            fields_[qsizetype(f)].size = resultTextSizes()[f];
    beginResetModel();
    setRows(std::move(records), true);
    shown_.clear();
    endResetModel();
    rebuild(-1);
}

void RecordSet::close() {
    if (!isOpen() && rows_.empty())
        return;
    beginResetModel();
    setRows({}, false);
    shown_.clear();
    endResetModel();
    emit currentRowChanged(current_);
}

QVariant RecordSet::recordValue(int record, int field) const {
    return rows_.at(size_t(record)).at(size_t(field));
}

QVariant RecordSet::value(int row, int field) const {
    return recordValue(shown_.at(size_t(row)), field);
}

void RecordSet::setCurrentRow(int row) {
    if (row < -1 || row >= count() || row == current_)
        return;
    moveCurrent(row);
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

QVariant RecordSet::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole && section >= 0 &&
        section < fieldCount())
        return int(Qt::AlignCenter);
    return SnapshotModel::headerData(section, orientation, role);
}
