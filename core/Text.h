#pragma once

#include <QString>
#include <optional>

// Removes blanks and control characters (everything up to U+0020) from both ends.
QString trimBlanks(const QString& text);

// A whole number in plain decimal (an optional sign, digits) that fits 32 bits;
// nothing for any other text, the empty one included.
std::optional<int32_t> parseInt32(const QString& text);

// The text with every single quote doubled, so it stays one SQL literal.
QString quoteDoubled(const QString& text);
