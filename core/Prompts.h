#pragma once

#include <QString>
#include <optional>

// Every modal prompt the program shows goes through this interface, so that
// tests can answer them. All boxes are titled with the application title
// unless a title is given.
class Prompts {
public:
    virtual ~Prompts() = default;

    // A plain message: one OK button, no icon.
    virtual void message(const QString& text) = 0;
    // The general error report: the error icon and an OK button.
    virtual void error(const QString& text) = 0;
    // A question with Yes and No and the question icon; true for Yes.
    virtual bool question(const QString& text, const QString& title) = 0;
    // The input box; nothing when the operator cancels.
    virtual std::optional<QString> input(const QString& caption, const QString& prompt,
                                         const QString& value) = 0;
};
