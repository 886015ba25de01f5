#include "settings/IniFile.h"

#include "core/AppError.h"
#include "core/SafeWrite.h"

#include <QFile>

namespace {

// Space, tab, CR, LF, VT and FF: what the profile-file rules trim around
// names and values. Other control characters stay (core's trimBlanks, which
// drops everything up to U+0020, is for typed input).
bool isAsciiWhitespace(QChar c) {
    const char16_t u = c.unicode();
    return u == u' ' || u == u'\t' || u == u'\r' || u == u'\n' || u == u'\v' || u == u'\f';
}

QString trimAsciiWhitespace(const QString& s) {
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isAsciiWhitespace(s.at(begin)))
        ++begin;
    while (end > begin && isAsciiWhitespace(s.at(end - 1)))
        --end;
    return s.mid(begin, end - begin);
}

QString oneLine(QString s) {
    s.replace(QLatin1String("\r\n"), QLatin1String(" "));
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return s;
}

// What one line of the file is.
struct Parsed {
    enum Kind { Other, Section, Key } kind = Other;
    QString name;
    QString value;
};

Parsed parse(const QString& line) {
    const QString t = trimAsciiWhitespace(line);
    Parsed p;
    if (t.startsWith(QLatin1Char('['))) {
        const qsizetype close = t.indexOf(QLatin1Char(']'));
        p.kind = Parsed::Section;
        p.name = trimAsciiWhitespace(t.mid(1, close < 0 ? -1 : close - 1));
        return p;
    }
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return p;
    p.name = trimAsciiWhitespace(t.left(eq));
    if (p.name.isEmpty())
        return p;
    p.kind = Parsed::Key;
    p.value = trimAsciiWhitespace(t.mid(eq + 1));
    return p;
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

IniFile::IniFile(QString path, int32_t codePage) : path_(std::move(path)), codePage_(codePage) {
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QByteArray bytes = file.readAll();
    file.close();

    encoding_ = IniText::detect(bytes);
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bom_ = bytes.left(3);
        bytes.remove(0, 3);
    }
    bool endSeen = false;
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype nl = bytes.indexOf('\n', start);
        Line line;
        if (nl < 0) {
            line.text = bytes.mid(start);
            start = bytes.size();
        } else {
            const bool crlf = nl > start && bytes.at(nl - 1) == '\r';
            line.text = bytes.mid(start, nl - start - (crlf ? 1 : 0));
            line.end = crlf ? QByteArray("\r\n") : QByteArray("\n");
            if (!endSeen) {
                lineEnd_ = line.end;
                endSeen = true;
            }
            start = nl + 1;
        }
        lines_.append(line);
    }
}

QString IniFile::decoded(qsizetype line) const {
    return IniText::decode(lines_.at(line).text, encoding_, codePage_);
}

QByteArray IniFile::encoded(const QString& text) const {
    return IniText::encode(text, encoding_, codePage_);
}

qsizetype IniFile::findSection(const QString& section) const {
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        const Parsed p = parse(decoded(i));
        if (p.kind == Parsed::Section && sameName(p.name, section))
            return i;
    }
    return -1;
}

qsizetype IniFile::sectionEnd(qsizetype header) const {
    qsizetype i = header + 1;
    while (i < lines_.size() && parse(decoded(i)).kind != Parsed::Section)
        ++i;
    return i;
}

qsizetype IniFile::findKey(qsizetype header, const QString& key) const {
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const Parsed p = parse(decoded(i));
        if (p.kind == Parsed::Key && sameName(p.name, key))
            return i;
    }
    return -1;
}

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& defaultValue) const {
    const qsizetype header = findSection(section);
    if (header < 0)
        return defaultValue;
    const qsizetype line = findKey(header, key);
    if (line < 0)
        return defaultValue;
    return parse(decoded(line)).value;
}

void IniFile::insertLine(qsizetype at, const QByteArray& text) {
    // The line before gets a line end if it was the file's unfinished last line.
    if (at > 0 && lines_[at - 1].end.isEmpty())
        lines_[at - 1].end = lineEnd_;
    lines_.insert(at, Line{text, lineEnd_});
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    const QString cleanSection = oneLine(section);
    const QString cleanKey = oneLine(key);
    const QString cleanValue = oneLine(value);

    const qsizetype header = findSection(cleanSection);
    if (header < 0) {
        insertLine(lines_.size(), encoded(QLatin1Char('[') + cleanSection + QLatin1Char(']')));
        insertLine(lines_.size(), encoded(cleanKey + QLatin1Char('=') + cleanValue));
        return;
    }
    const qsizetype line = findKey(header, cleanKey);
    if (line >= 0) {
        // The key keeps the spelling it has in the file.
        const QString name = parse(decoded(line)).name;
        lines_[line].text = encoded(name + QLatin1Char('=') + cleanValue);
        return;
    }
    // After the section's last line that is not blank, so that blank lines
    // before the next section stay where they are.
    qsizetype at = sectionEnd(header);
    while (at > header + 1 && trimAsciiWhitespace(decoded(at - 1)).isEmpty())
        --at;
    insertLine(at, encoded(cleanKey + QLatin1Char('=') + cleanValue));
}

QByteArray IniFile::toBytes() const {
    QByteArray out = bom_;
    for (const Line& line : lines_)
        out += line.text + line.end;
    return out;
}

void IniFile::save() const {
    // The safe writer keeps the old file whole when the new one cannot be
    // written whole (a full disk).
    QString why;
    if (!writeFileSafely(path_, toBytes(), &why))
        throw AppError(QStringLiteral("Unable to write to %1").arg(path_));
}
