#pragma once

#include <QString>
#include <exception>
#include <string>

// The one kind of error the program raises. Its text is exactly what the
// operator reads in the general error report.
class AppError : public std::exception {
public:
    explicit AppError(QString text) : text_(std::move(text)), utf8_(text_.toStdString()) {}

    const QString& text() const noexcept { return text_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

    // The conversion error raised when a text is not a whole number.
    static AppError invalidInteger(const QString& value) {
        return AppError(QStringLiteral("'%1' is not a valid integer value").arg(value));
    }

private:
    QString text_;
    std::string utf8_;
};
