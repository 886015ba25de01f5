#include "forms/QtPrompts.h"

#include <QApplication>
#include <QEvent>
#include <QInputDialog>
#include <QLayout>
#include <QMessageBox>
#include <QScreen>
#include <QStyle>

QString applicationTitle() {
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("Vornell") : name;
}

int titleBarWidth(const QWidget& box) {
    const QFontMetrics title(QApplication::font("QMdiSubWindowTitleBar"));
    const int square = box.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &box);
    const int frame = box.style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, &box);
    return title.horizontalAdvance(box.windowTitle()) + kTitleBarSquares * square + 2 * frame;
}

namespace {

// A box never narrower than its title bar needs (titleBarWidth), up to the
// screen's width. A message box fixes its own size each time it lays itself
// out, with little room for the title; the box is widened after it.
template <typename Box> class TitledBox : public Box {
public:
    using Box::Box;

protected:
    bool event(QEvent* event) override {
        const bool handled = Box::event(event);
        if (event->type() == QEvent::Show || event->type() == QEvent::LayoutRequest)
            fitTitle();
        return handled;
    }

private:
    void fitTitle() {
        if (!this->isVisible())
            return;
        int need = titleBarWidth(*this);
        if (const QScreen* screen = this->screen())
            need = qMin(need, screen->availableGeometry().width());
        if (this->width() >= need)
            return;
        if (this->minimumWidth() == this->maximumWidth()) {
            const QLayout* layout = this->layout();
            const int height = layout && layout->hasHeightForWidth()
                                   ? qMax(layout->totalHeightForWidth(need), 1)
                                   : this->height();
            this->setFixedSize(need, height);
        } else {
            this->resize(need, this->height());
        }
    }
};

void show(QMessageBox::Icon icon, const QString& text) {
    TitledBox<QMessageBox> box(icon, applicationTitle(), text, QMessageBox::Ok,
                               QApplication::activeWindow());
    box.exec();
}

} // namespace

void QtPrompts::message(const QString& text) {
    show(QMessageBox::NoIcon, text);
}

void QtPrompts::error(const QString& text) {
    show(QMessageBox::Critical, text);
}

bool QtPrompts::question(const QString& text, const QString& title) {
    TitledBox<QMessageBox> box(QMessageBox::Question, title, text,
                               QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> QtPrompts::input(const QString& caption, const QString& prompt,
                                        const QString& value) {
    TitledBox<QInputDialog> box(QApplication::activeWindow());
    box.setWindowTitle(caption);
    box.setLabelText(prompt);
    box.setTextValue(value);
    box.setTextEchoMode(QLineEdit::Normal);
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.textValue();
}
