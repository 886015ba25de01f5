#pragma once

#include <QTableView>

#include <functional>

// DBGridEh1: the grid over the label list. A cell is edited only by a
// deliberate act on it: F2, a double click, or typing once the operator has
// clicked into the grid or moved its cursor there with the keys. Typing that
// arrives with the focus (Tab or Enter from the print list, say) opens no
// editor and is dropped. Every editor is a plain line edit; what it gives is
// handed to commit, which checks it and writes it, and Escape leaves it
// unwritten.
class LabelGrid : public QTableView {
    Q_OBJECT
public:
    explicit LabelGrid(QWidget* parent = nullptr);

    // Asked before an editor opens on the cell; false keeps it closed.
    std::function<bool(const QModelIndex&)> mayEdit;
    // The text an editor gave for its cell, when it differs from the cell's.
    std::function<void(const QModelIndex&, const QString&)> commit;

    // Typing now starts an edit of the current cell (the operator chose it).
    void arm() { armed_ = true; }
    bool isArmed() const { return armed_; }

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void keyboardSearch(const QString& search) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    bool armed_ = false;
    bool closingEditor_ = false; // the focus comes back from the grid's own editor
};
