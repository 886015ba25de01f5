#pragma once

#include <QAbstractTableModel>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

// A statement's rows held in memory as a static snapshot, shown in a grid: one
// column per field, in the order the owner names the fields, and a current
// row marked in the row header. The label list and the record sets of the
// order manager and the search dialog are snapshots; each adds what only it
// needs (edits written back, a new row, a record filter).
//
// The model's rows are the snapshot's rows unless a subclass shows only some
// of them (snapshotRow maps the one to the other).
class SnapshotModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using Row = std::vector<QVariant>;

    // What a field the statement's result lacks becomes.
    enum class MissingField {
        Null,   // every row holds null there
        Refused // the open fails
    };

    bool isOpen() const { return open_; }
    const QString& statement() const { return statement_; }
    int fieldCount() const { return int(fieldNames_.size()); }
    const QString& fieldName(int field) const { return fieldNames_.at(field); }

    // The current row among the model's rows: -1 when there is none.
    int currentRow() const { return current_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    // DisplayRole shows date-times as yyyy-MM-dd HH:mm:ss; EditRole gives the value.
    QVariant data(const QModelIndex& index, int role) const override;
    // The row header marks the current row; the column header shows the
    // field's title.
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    void currentRowChanged(int row);

protected:
    // titles: the column headers, the field names when empty.
    SnapshotModel(QString connectionName, QStringList fieldNames, QStringList titles,
                  MissingField missing, QObject* parent);

    QSqlDatabase database() const;

    // Runs the statement (its lines joined by CR LF) and returns its rows, one
    // value per field. Raises AppError with the driver's text; the model is
    // left as it was, with the statement remembered.
    std::vector<Row> read(const QStringList& lines);
    // The longest text each field of the last read can hold, as the driver
    // reports it for the result (varchar(100): 100); 0 where it reports none
    // (SQLite) or the field is not text.
    const std::vector<int>& resultTextSizes() const { return resultSizes_; }
    // Between beginResetModel and endResetModel: the rows the model holds
    // from now on (open), or none (closed). The current row becomes -1.
    void setRows(std::vector<Row> rows, bool open);

    // Makes the row current and tells the header and the listeners.
    void moveCurrent(int row);

    // The snapshot row behind a row of the model.
    virtual int snapshotRow(int modelRow) const { return modelRow; }

    std::vector<Row> rows_;
    int current_ = -1;

private:
    QString connection_;
    QStringList fieldNames_;
    QStringList titles_;
    MissingField missing_;
    QString statement_;
    std::vector<int> resultSizes_;
    bool open_ = false;
};
