#pragma once

#include "db/SnapshotModel.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <functional>

// qryLable: the label list the main window shows and printing walks. A static
// snapshot of the rows the label query gave, in their order, with a current
// record. Edits made in the grid are written to PrintLabel by Iden_id.
//
// The operator may also open one new row in the grid. It lives only here, as
// the model's last row, until it is left: then it is saved to PrintLabel when
// it has a label text and dropped otherwise. It is no record: count() and
// value() see the records only, so printing never meets it.
class LabelList : public SnapshotModel {
    Q_OBJECT
public:
    enum Field {
        Iden_id,
        CreateTime,
        LabelSize,
        TitleText,
        LabelText,
        Barcode,
        PrintFlag,
        PrintTime,
        FieldCount
    };
    static const std::array<const char*, FieldCount> fieldNames;

    explicit LabelList(QString connectionName, QObject* parent = nullptr);

    // Runs the statement (its lines joined by CR LF) and holds its rows; the
    // first row becomes current. Raises AppError with the driver's text; the
    // list is then closed.
    void open(const QStringList& lines);
    // Closes the list, saving an open new row that has a label text first.
    // Raises AppError when that save is refused; the list then stays open.
    void close();
    bool isEmpty() const { return count() == 0; }
    // The records, without an open new row.
    int count() const { return int(rows_.size()) - (newRow_ >= 0 ? 1 : 0); }

    // A field of a record; nothing for any other row, the new row included.
    QVariant value(int row, Field field) const;

    // The current row (currentRow()) is -1 when the list is empty or closed,
    // the new row's index while it is open.
    // Moving off the new row saves or drops it first. False when the row is
    // not in the list or the save was refused: the new row then stays current,
    // and further moves stay on it without trying again until it is edited.
    bool setCurrentRow(int row);

    // Opens the new row (CreateTime now, the given size, PrintFlag 0) after
    // the records and makes it current; an open one becomes current instead.
    void insertRecord(const QString& labelSize);
    // The new row's index in the model: -1 when none is open.
    int newRow() const { return newRow_; }
    // Leaves the new row: saved when it has a label text, dropped otherwise.
    // A refused save is reported through onWriteError and the row stays open
    // and current (false).
    bool postNewRow();
    // Drops the new row unsaved; the row above it becomes current.
    void cancelNewRow();
    // Removes the record of the row from PrintLabel and from the list. While
    // a new row is open only that one can go (it is dropped).
    void deleteRecord(int row);

    // Called with the driver's text when an edit made through the grid, or
    // the save of a new row, is refused by the database (an edited record
    // keeps the database's value).
    std::function<void(const QString&)> onWriteError;

    // The new row's header shows "*".
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    // Writes one field of one record; raises AppError on failure.
    void writeField(int row, Field field, const QVariant& value);
    bool newRowHasText() const;
    // Inserts the new row into PrintLabel and makes it a record holding what
    // the database stored; raises AppError on failure.
    void saveNewRow();
    // saveNewRow, a refusal reported through onWriteError.
    bool trySaveNewRow();
    void dropNewRow();

    int newRow_ = -1;
    bool newRowRefused_ = false; // its last save was refused, unedited since
};
