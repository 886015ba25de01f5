#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <functional>
#include <vector>

// qryLable: the label list the main window shows and printing walks. A static
// snapshot of the rows the label query gave, in their order, with a current
// record. Edits made in the grid are written to PrintLabel by Iden_id.
class LabelList : public QAbstractTableModel {
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
    void close();
    bool isOpen() const { return open_; }
    bool isEmpty() const { return rows_.empty(); }
    int count() const { return int(rows_.size()); }
    const QString& statement() const { return statement_; }

    QVariant value(int row, Field field) const { return rows_.at(size_t(row))[field]; }

    // The current record: -1 when the list is empty or closed.
    int currentRow() const { return current_; }
    void setCurrentRow(int row);

    // Adds a record to PrintLabel with the given size and shows it last.
    void insertRecord(const QString& labelSize);
    // Removes the record of the row from PrintLabel and from the list.
    void deleteRecord(int row);

    // Called with the driver's text when an edit made through the grid is
    // refused by the database (the row keeps the database's value).
    std::function<void(const QString&)> onWriteError;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

signals:
    void currentRowChanged(int row);

private:
    // Writes one field of one record; raises AppError on failure.
    void writeField(int row, Field field, const QVariant& value);

    QString connection_;
    QString statement_;
    bool open_ = false;
    int current_ = -1;
    std::vector<std::array<QVariant, FieldCount>> rows_;
};
