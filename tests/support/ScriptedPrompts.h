#pragma once

#include "core/Prompts.h"

#include <QStringList>
#include <deque>
#include <functional>

// Prompts answered by the test: every box shown is recorded; questions and
// input boxes take their answers from queues (an empty queue answers No or
// Cancel). onShow runs whenever a box is shown, to act while it is "open".
class ScriptedPrompts : public Prompts {
public:
    struct Shown {
        QString kind; // "message", "error", "question", "input"
        QString text;
        QString title;
    };

    void message(const QString& text) override { record({QStringLiteral("message"), text, {}}); }
    void error(const QString& text) override { record({QStringLiteral("error"), text, {}}); }
    bool question(const QString& text, const QString& title) override {
        record({QStringLiteral("question"), text, title});
        if (answers.empty())
            return false;
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    }
    std::optional<QString> input(const QString& caption, const QString& prompt,
                                 const QString& value) override {
        record({QStringLiteral("input"), prompt, caption});
        lastInputValue = value;
        if (inputs.empty() || !inputs.front().has_value()) {
            if (!inputs.empty())
                inputs.pop_front();
            return std::nullopt;
        }
        const QString answer = *inputs.front();
        inputs.pop_front();
        return answer;
    }

    QStringList texts(const QString& kind) const {
        QStringList out;
        for (const Shown& s : shown)
            if (s.kind == kind)
                out << s.text;
        return out;
    }

    std::deque<bool> answers;
    std::deque<std::optional<QString>> inputs;
    std::vector<Shown> shown;
    QString lastInputValue;
    std::function<void(const Shown&)> onShow;

private:
    void record(Shown s) {
        shown.push_back(s);
        if (onShow)
            onShow(shown.back());
    }
};
