#pragma once

#include "core/Prompts.h"

class QWidget;

// The prompts as the operator sees them: Qt message boxes and the input box,
// titled with the application title. No box is narrower than its title bar
// needs (titleBarWidth).
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

// The squares of a title bar beside its text: the window icon and the
// minimize, maximize and close buttons.
inline constexpr int kTitleBarSquares = 4;

// The width a box needs to show its whole title in a title bar: the title in
// the title bar font, the squares beside it (each as wide as the bar is
// high) and the frame on both sides.
int titleBarWidth(const QWidget& box);
