#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// The texts of the settings values and the keys they are stored under.

// A whole number in decimal: an optional sign and digits, nothing else, within
// 32 bits. Anything else, the empty text included, gives nothing.
std::optional<int32_t> parseWholeNumber(const QString& text);

// The print numbers: a text that is not a whole number counts as 0.
int32_t parseLenientNumber(const QString& text);

// The "Show Print Dialog" flag: true exactly for "1" once blanks and control
// characters are removed from both ends.
bool parseFlag(const QString& text);

// How the flag is written: "1" or "0".
QString flagText(bool value);

// The defaults of the layout's texts and the flag.
inline constexpr const char* kDefaultShopTitle = "Your Company Name";
inline constexpr const char* kDefaultFontName = "Times New Roman";
inline constexpr const char* kDefaultFontWeight = "400 standard";
