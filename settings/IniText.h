#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// How the settings file's bytes stand for text. Files come from the Windows
// stations, where the profile functions write the ANSI code page of the
// system (GBK on a Chinese system), and from Linux, where editors write UTF-8.
namespace IniText {

enum class Encoding {
    Ascii, // nothing but 7-bit bytes: the same in every encoding below
    Utf8,  // a UTF-8 byte order mark, or valid UTF-8 beyond 7 bits
    Ansi,  // anything else: the ANSI code page of the interface language
};

// Which encoding a file's bytes are in.
Encoding detect(const QByteArray& bytes);

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates,
// nothing past U+10FFFF).
bool isValidUtf8(const QByteArray& bytes);

// The ANSI code page of an interface language: GBK (Windows code page 936)
// for 936, Windows-1252 for every other language, as on an English system.
const char* ansiCodecName(int32_t codePage);

// Bytes to text. Ascii and Ansi decode through the ANSI code page.
QString decode(const QByteArray& bytes, Encoding encoding, int32_t codePage);

// Text to bytes. Ascii and Ansi encode into the ANSI code page; a character
// the code page lacks becomes '?', as the Windows conversion does.
QByteArray encode(const QString& text, Encoding encoding, int32_t codePage);

} // namespace IniText
