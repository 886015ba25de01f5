#include "settings/IniText.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace IniText {

bool isValidUtf8(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int more = 0;
        uint32_t cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        for (int k = 1; k <= more; ++k) {
            if (i + k >= n || (p[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if ((more == 2 && cp < 0x800) || (more == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += more + 1;
    }
    return true;
}

Encoding detect(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return Encoding::Utf8;
    bool ascii = true;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii)
        return Encoding::Ascii;
    return isValidUtf8(bytes) ? Encoding::Utf8 : Encoding::Ansi;
}

const char* ansiCodecName(int32_t codePage) {
    return codePage == 936 ? "GBK" : "windows-1252";
}

QString decode(const QByteArray& bytes, Encoding encoding, int32_t codePage) {
    if (encoding == Encoding::Utf8)
        return QString::fromUtf8(bytes);
    QStringDecoder decoder(ansiCodecName(codePage));
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

QByteArray encode(const QString& text, Encoding encoding, int32_t codePage) {
    if (encoding == Encoding::Utf8)
        return text.toUtf8();
    QStringEncoder encoder(ansiCodecName(codePage));
    if (!encoder.isValid())
        return text.toLatin1();
    QByteArray whole = encoder.encode(text);
    if (!encoder.hasError())
        return whole;
    // Some character is missing from the code page: encode one character at
    // a time so that each missing one becomes '?', whatever the converter
    // itself would put in its place.
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype len =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()
                ? 2
                : 1;
        QStringEncoder one(ansiCodecName(codePage));
        const QByteArray bytes = one.encode(QStringView(text).mid(i, len));
        out += one.hasError() ? QByteArray("?") : bytes;
        i += len - 1;
    }
    return out;
}

} // namespace IniText
