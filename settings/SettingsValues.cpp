#include "settings/SettingsValues.h"

#include "core/Text.h"

std::optional<int32_t> parseWholeNumber(const QString& text) {
    return parseInt32(text);
}

int32_t parseLenientNumber(const QString& text) {
    return parseWholeNumber(text).value_or(0);
}

bool parseFlag(const QString& text) {
    return trimBlanks(text) == QLatin1String("1");
}

QString flagText(bool value) {
    return value ? QStringLiteral("1") : QStringLiteral("0");
}
