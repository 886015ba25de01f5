#pragma once

#include "core/Prompts.h"

class QWidget;

// The prompts as the operator sees them: Qt message boxes and the input box,
// titled with the application title.
class QtPrompts : public Prompts {
public:
    void message(const QString& text) override;
    void error(const QString& text) override;
    bool question(const QString& text, const QString& title) override;
    std::optional<QString> input(const QString& caption, const QString& prompt,
                                 const QString& value) override;
};

// The application title every untitled box carries.
QString applicationTitle();
