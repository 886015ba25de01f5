#include "forms/LabelGrid.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace {

class LineDelegate : public QStyledItemDelegate {
public:
    explicit LineDelegate(LabelGrid& grid) : QStyledItemDelegate(&grid), grid_(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex&) const override {
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        return editor;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        static_cast<QLineEdit*>(editor)->setText(index.data(Qt::DisplayRole).toString());
    }
    void setModelData(QWidget* editor, QAbstractItemModel*,
                      const QModelIndex& index) const override {
        const QString text = static_cast<QLineEdit*>(editor)->text();
        if (text != index.data(Qt::DisplayRole).toString() && grid_.commit)
            grid_.commit(index, text);
    }

private:
    LabelGrid& grid_;
};

} // namespace

LabelGrid::LabelGrid(QWidget* parent) : QTableView(parent) {
    setItemDelegate(new LineDelegate(*this));
}

bool LabelGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    const bool opens = index.isValid() && model() && (model()->flags(index) & Qt::ItemIsEditable) &&
                       (trigger == AllEditTriggers || (editTriggers() & trigger));
    if (opens) {
        if (trigger == AnyKeyPressed && !armed_)
            return false;
        if (mayEdit && !mayEdit(index))
            return false;
    }
    return QTableView::edit(index, trigger, event);
}

void LabelGrid::keyboardSearch(const QString&) {
    // Typing that opened no editor moves nothing either.
    QApplication::beep();
}

void LabelGrid::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        armed_ = true;
        break;
    default:
        break;
    }
    QTableView::keyPressEvent(event);
}

void LabelGrid::mousePressEvent(QMouseEvent* event) {
    armed_ = true;
    QTableView::mousePressEvent(event);
}

void LabelGrid::focusInEvent(QFocusEvent* event) {
    switch (event->reason()) {
    case Qt::MouseFocusReason:
        armed_ = true;
        break;
    case Qt::ActiveWindowFocusReason: // back from a message box
    case Qt::PopupFocusReason:
    case Qt::MenuBarFocusReason:
        break;
    default:
        if (!closingEditor_)
            armed_ = false;
        break;
    }
    QTableView::focusInEvent(event);
}

void LabelGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    closingEditor_ = true;
    QTableView::closeEditor(editor, hint);
    closingEditor_ = false;
}
