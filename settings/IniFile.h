#pragma once

#include "core/Language.h"
#include "settings/IniText.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

// One INI profile file, read whole into memory and written back whole.
//
// The rules are those of the Windows profile functions the stations use:
// section and key names match without regard to case; a value reads without
// the blanks around it; writing a present key replaces its value on its own
// line, a new key goes at the end of its section and a new section at the end
// of the file; with duplicate sections or keys the first one counts. Every
// line that is not written keeps its bytes, its line end and its encoding;
// new lines take the line end of the file (CRLF in a new file) and its
// encoding (the ANSI code page of the interface language in a new or
// 7-bit file, see IniText).
//
// Nothing stays open: the constructor reads the file and releases it, save()
// replaces it atomically.
class IniFile {
public:
    // Reads the file at path. A missing or unreadable file reads as empty.
    explicit IniFile(QString path, int32_t codePage = UICodePage);

    const QString& path() const { return path_; }
    IniText::Encoding encoding() const { return encoding_; }

    // The value of the key, trimmed; defaultValue when the section or the key
    // is missing.
    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue = QString()) const;

    // Sets the key's value in memory. A line break in the value becomes a
    // blank, since it would end the line.
    void writeString(const QString& section, const QString& key, const QString& value);

    // The file's contents as save() writes them.
    QByteArray toBytes() const;

    // Replaces the file with toBytes() through a temporary file and a rename,
    // so the old file stays whole when anything fails. Throws
    // AppError("Unable to write to <path>") on failure.
    void save() const;

private:
    struct Line {
        QByteArray text; // without its line end
        QByteArray end;  // "\r\n", "\n" or empty for a last line without one
    };

    qsizetype findSection(const QString& section) const;
    qsizetype sectionEnd(qsizetype header) const;
    qsizetype findKey(qsizetype header, const QString& key) const;
    QString decoded(qsizetype line) const;
    QByteArray encoded(const QString& text) const;
    void insertLine(qsizetype at, const QByteArray& text);

    QString path_;
    int32_t codePage_;
    IniText::Encoding encoding_ = IniText::Encoding::Ascii;
    QByteArray bom_;
    QByteArray lineEnd_ = "\r\n";
    QList<Line> lines_;
};
