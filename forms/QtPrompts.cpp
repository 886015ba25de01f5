#include "forms/QtPrompts.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

QString applicationTitle() {
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("Vornell") : name;
}

namespace {
void show(QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, applicationTitle(), text, QMessageBox::Ok, QApplication::activeWindow());
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
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> QtPrompts::input(const QString& caption, const QString& prompt,
                                        const QString& value) {
    bool ok = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(), caption, prompt,
                                               QLineEdit::Normal, value, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}
