#include "core/ErrorReport.h"

QString errorReportText(const QString& text) {
    if (!text.isEmpty() && text.back() > QLatin1Char('.'))
        return text + QLatin1Char('.');
    return text;
}

void reportError(Prompts& prompts, const QString& text) {
    try {
        prompts.error(errorReportText(text));
    } catch (...) {
        // A report that cannot be shown must not take the program down.
    }
}
