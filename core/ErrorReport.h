#pragma once

#include "core/AppError.h"
#include "core/Prompts.h"

#include <exception>
#include <utility>

// The text the general error report shows: a full stop is appended when the
// last character sorts after ".".
QString errorReportText(const QString& text);

// Shows an error in the general error report.
void reportError(Prompts& prompts, const QString& text);

// Runs an event handler inside the general error report: whatever it throws is
// shown to the operator and goes no further, so no exception ever reaches
// Qt's event loop. Returns false when the handler ended with an error.
template <typename Handler> bool guarded(Prompts& prompts, Handler&& handler) noexcept {
    try {
        std::forward<Handler>(handler)();
        return true;
    } catch (const AppError& e) {
        reportError(prompts, e.text());
    } catch (const std::exception& e) {
        reportError(prompts, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        reportError(prompts, QStringLiteral("Unknown error"));
    }
    return false;
}
