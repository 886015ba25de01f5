#pragma once

#include "db/SnapshotModel.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <vector>

// One field of a record set: its name (also its label), its declared size
// (the maximum length of a text field, 0 for other kinds) and whether it can
// only be read.
struct FieldDef {
    QString name;
    int size = 0;
    bool readOnly = false;
};

// A row query held as a snapshot (SnapshotModel): the rows a statement gave,
// with the fields the caller declares, in the caller's order. Like the datasets the
// forms are written against it has a current record and an optional record
// filter: a callback that decides for each record whether it is shown, used
// only while filtering is switched on. The model shows the records that are
// shown, one column per field, titled with the field's name.
class RecordSet : public SnapshotModel {
    Q_OBJECT
public:
    // Decides whether record (an index into all records) passes.
    using FilterRecord = std::function<bool(const RecordSet&, int record)>;

    RecordSet(QString connectionName, QList<FieldDef> fields, QObject* parent = nullptr);

    // Runs the statement (its lines joined by CR LF) and holds its rows; the
    // first shown record becomes current. Every declared field must be a
    // column of the result. Raises AppError with the driver's text; the set is
    // then closed.
    void open(const QStringList& lines);
    void close();

    // Fields (fieldCount(), fieldName() and):
    const FieldDef& field(int index) const { return fields_.at(index); }
    int fieldIndex(const QString& name) const;

    // All records, whatever the filter.
    int recordCount() const { return int(rows_.size()); }
    QVariant recordValue(int record, int field) const;

    // The records shown: all of them, or those the filter lets pass.
    int count() const { return int(shown_.size()); }
    bool isEmpty() const { return shown_.empty(); }
    QVariant value(int row, int field) const;

    // The current record (currentRow()) is a row among those shown; -1 when
    // none is shown.
    void setCurrentRow(int row);
    void first() { setCurrentRow(isEmpty() ? -1 : 0); }
    // The value of a field of the current record; null when there is none.
    QVariant fieldValue(int field) const;
    QVariant fieldValue(const QString& name) const;
    // Makes the first shown record whose field equals value (as text, whole)
    // current; false, and nothing moves, when none does.
    bool locate(int field, const QString& value);

    // The record filter.
    void setFilterRecord(FilterRecord filter);
    bool hasFilterRecord() const { return bool(filter_); }
    bool filtered() const { return filtered_; }
    // Switches filtering on or off and applies it afresh. The current record
    // stays current when it is still shown, otherwise the first shown one is.
    void setFiltered(bool on);
    // Applies the filter afresh (when filtering is on).
    void refilter();

    int rowCount(const QModelIndex& parent = {}) const override;
    // Column titles are centred.
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

protected:
    int snapshotRow(int modelRow) const override { return shown_.at(size_t(modelRow)); }

private:
    void rebuild(int keepRecord);

    QList<FieldDef> fields_;
    std::vector<int> shown_; // record indexes of the rows shown
    FilterRecord filter_;
    bool filtered_ = false;
};
