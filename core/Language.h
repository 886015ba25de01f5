#pragma once

#include <QString>
#include <cstdint>

// The interface language of the run: 936 for Chinese captions and messages,
// 437 for English. Set once at start, before any window exists.
extern int32_t UICodePage;

// The Windows language identifier of a locale name such as "zh_CN" or "en_US".
uint16_t windowsLanguageId(const QString& localeName);

// The system default language identifier, derived from the system locale.
uint16_t systemDefaultLanguageId();

// 936 for 0x0804 (Chinese, People's Republic of China), 437 for any other id.
int32_t codePageForLanguageId(uint16_t langId);

// Length of a text in bytes of the ANSI code page: under 936 every character
// outside ASCII takes two bytes, under 437 every character takes one.
int ansiByteLength(const QString& text, int32_t codePage);
