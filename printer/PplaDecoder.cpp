#include "printer/PplaDecoder.h"

#include <algorithm>

namespace {

constexpr char kStx = '\x02';
constexpr char kSoh = '\x01';

// The tallest picture taken: 9999 dots is 1.25 m at 203 dpi, more than any
// label. Rows are at most 255 bytes, so a picture's bytes stay far inside int.
constexpr int kMaxImageRows = 9999;

bool allDigits(QByteArrayView v) {
    return !v.isEmpty() &&
           std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int number(QByteArrayView v) {
    int n = 0;
    for (char c : v)
        n = n * 10 + (c - '0');
    return n;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

int hexByte(QByteArrayView v, qsizetype at) {
    if (at + 1 >= v.size())
        return -1;
    const int hi = hexValue(v[at]);
    const int lo = hexValue(v[at + 1]);
    return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

// 0-9 then A-O.
int widthValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'O')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'o')
        return c - 'a' + 10;
    return -1;
}

} // namespace

void PplaDecoder::warn(const QString& text) {
    if (mode_ == Mode::Label)
        label_.warnings.append(text);
    else
        warnings_.append(text);
}

void PplaDecoder::feed(QByteArrayView bytes) {
    for (char b : bytes) {
        if (b == '\r' || b == '\n') {
            raw_ += b;
            if (!line_.isEmpty())
                record(std::exchange(line_, {}));
            continue;
        }
        if ((b == kStx || b == kSoh) && !line_.isEmpty())
            record(std::exchange(line_, {}));
        raw_ += b;
        line_ += b;
    }
}

void PplaDecoder::finish() {
    if (!line_.isEmpty())
        record(std::exchange(line_, {}));
}

void PplaDecoder::record(const QByteArray& line) {
    if (line.startsWith(kStx)) {
        systemCommand(line);
        return;
    }
    if (line.startsWith(kSoh))
        return; // status requests: nothing to print
    switch (mode_) {
    case Mode::Image:
        imageRow(line);
        return;
    case Mode::Label:
        labelRecord(line);
        return;
    case Mode::Idle:
        warn(QStringLiteral("record outside a label: %1").arg(QString::fromLatin1(line)));
        return;
    }
}

void PplaDecoder::systemCommand(const QByteArray& line) {
    if (mode_ == Mode::Image) {
        warn(QStringLiteral("image %1 not ended by FFFF").arg(QString::fromLatin1(imageName_)));
        mode_ = Mode::Idle;
    }
    if (mode_ == Mode::Label) {
        warn(QStringLiteral("label not ended by E before <STX>%1")
                 .arg(QChar::fromLatin1(line.size() > 1 ? line[1] : '?')));
        mode_ = Mode::Idle;
    }
    const char cmd = line.size() > 1 ? line[1] : '\0';
    switch (cmd) {
    case 'L':
        mode_ = Mode::Label;
        label_ = DecodedLabel{};
        label_.unitsPerInch = unitsPerInch_;
        return;
    case 'm':
        unitsPerInch_ = 254;
        return;
    case 'n':
        unitsPerInch_ = 100;
        return;
    case 'F':
        ++feeds_;
        return;
    case 'I':
        if (line.size() < 5) {
            warn(QStringLiteral("image download without a name"));
            return;
        }
        mode_ = Mode::Image;
        imageName_ = line.mid(4);
        imageRows_.clear();
        imageOk_ = line[3] == 'F';
        if (!imageOk_)
            warn(QStringLiteral("image format %1 is not F").arg(QChar::fromLatin1(line[3])));
        return;
    case 'x':
        if (line.size() > 4)
            images_.remove(line.mid(4));
        return;
    default:
        warnings_.append(QStringLiteral("<STX>%1 ignored").arg(QString::fromLatin1(line.mid(1))));
    }
}

void PplaDecoder::imageRow(const QByteArray& line) {
    if (line == "FFFF") {
        mode_ = Mode::Idle;
        if (!imageOk_)
            return;
        int rowBytes = 0;
        for (const QByteArray& r : imageRows_)
            rowBytes = std::max(rowBytes, static_cast<int>(r.size()));
        MonoBitmap bmp = MonoBitmap::blank(rowBytes * 8, static_cast<int>(imageRows_.size()));
        // Rows came bottom first.
        for (int i = 0; i < imageRows_.size(); ++i) {
            const QByteArray& r = imageRows_[i];
            std::copy(r.begin(), r.end(), bmp.bits.begin() + (bmp.height - 1 - i) * bmp.rowBytes);
        }
        images_.insert(imageName_, bmp);
        return;
    }
    if (!imageOk_)
        return;
    if (line.startsWith("0000FF") && line.size() >= 8) {
        const int times = hexByte(line, 6);
        if (times < 0 || imageRows_.isEmpty()) {
            warn(QStringLiteral("bad repeat in image %1").arg(QString::fromLatin1(imageName_)));
            imageOk_ = false;
            return;
        }
        if (times > kMaxImageRows - imageRows_.size()) {
            refuseTallImage();
            return;
        }
        for (int i = 0; i < times; ++i)
            imageRows_.append(imageRows_.last());
        return;
    }
    if (line.startsWith("80")) {
        const int count = hexByte(line, 2);
        if (count < 0 || line.size() < 4 + 2 * count) {
            warn(QStringLiteral("bad row in image %1").arg(QString::fromLatin1(imageName_)));
            imageOk_ = false;
            return;
        }
        QByteArray row(count, '\0');
        for (int i = 0; i < count; ++i) {
            const int v = hexByte(line, 4 + 2 * i);
            if (v < 0) {
                imageOk_ = false;
                return;
            }
            row[i] = static_cast<char>(v);
        }
        if (imageRows_.size() >= kMaxImageRows) {
            refuseTallImage();
            return;
        }
        imageRows_.append(row);
        return;
    }
    warn(QStringLiteral("bad row in image %1").arg(QString::fromLatin1(imageName_)));
    imageOk_ = false;
}

void PplaDecoder::refuseTallImage() {
    warn(QStringLiteral("image %1 refused: more than %2 rows")
             .arg(QString::fromLatin1(imageName_))
             .arg(kMaxImageRows));
    imageOk_ = false;
    imageRows_.clear();
}

void PplaDecoder::labelRecord(const QByteArray& line) {
    const char c = line[0];
    if (line == "E") {
        label_.raw = std::exchange(raw_, {});
        labels_.append(std::exchange(label_, {}));
        mode_ = Mode::Idle;
        return;
    }
    if (c == 'D' && line.size() == 3 && allDigits(line.sliced(1))) {
        label_.dotWidth = line[1] - '0';
        label_.dotHeight = line[2] - '0';
        return;
    }
    if (c == 'H' && line.size() == 3 && allDigits(line.sliced(1))) {
        label_.darkness = number(line.sliced(1));
        return;
    }
    if (c == 'Q' && line.size() == 5 && allDigits(line.sliced(1))) {
        label_.quantity = number(line.sliced(1));
        return;
    }
    if ((c == 'P' || c == 'S') && line.size() == 2)
        return; // print and slew speeds
    if (c == 'm' && line.size() == 1) {
        label_.unitsPerInch = 254;
        return;
    }
    if (c == 'n' && line.size() == 1) {
        label_.unitsPerInch = 100;
        return;
    }
    if (c >= '1' && c <= '4' && line.size() >= 15 && allDigits(line.sliced(4, 11)) &&
        (line[1] != 'Y' || line.size() > 15)) {
        const int row = number(line.sliced(7, 4));
        const int col = number(line.sliced(11, 4));
        if (line[1] == 'Y') {
            DecodedImage im;
            im.rowUnits = row;
            im.colUnits = col;
            im.name = line.mid(15);
            im.bitmap = images_.value(im.name);
            if (im.bitmap.isEmpty())
                warn(QStringLiteral("image %1 was never downloaded")
                         .arg(QString::fromLatin1(im.name)));
            label_.images.append(im);
            return;
        }
        DecodedBarcode b;
        b.rotation = c - '0';
        b.type = line[1];
        b.wide = widthValue(line[2]);
        b.narrow = widthValue(line[3]);
        b.heightUnits = number(line.sliced(4, 3));
        b.rowUnits = row;
        b.colUnits = col;
        b.field = line.mid(15);
        label_.barcodes.append(b);
        return;
    }
    warn(QStringLiteral("record not understood: %1").arg(QString::fromLatin1(line)));
}

std::optional<QByteArray> decodeCode128Field(QByteArrayView field, QString* error) {
    auto bad = [&](const QString& why) -> std::optional<QByteArray> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    enum Subset { A, B, C };
    Subset subset = B;
    qsizetype i = 0;
    if (!field.isEmpty() && (field[0] == 'A' || field[0] == 'B' || field[0] == 'C')) {
        subset = field[0] == 'A' ? A : field[0] == 'B' ? B : C;
        i = 1;
    }
    QByteArray out;
    bool shift = false;
    while (i < field.size()) {
        const char ch = field[i];
        const Subset now = shift ? (subset == A ? B : A) : subset;
        if (ch == '&' && i + 1 < field.size() && field[i + 1] >= 'A' && field[i + 1] <= 'G') {
            const char f = field[i + 1];
            i += 2;
            if (shift)
                return bad(QStringLiteral("function after SHIFT"));
            if (now == C) {
                if (f == 'E')
                    subset = B;
                else if (f == 'F')
                    subset = A;
                else
                    return bad(QStringLiteral("&%1 in subset C").arg(QChar::fromLatin1(f)));
                continue;
            }
            if (f == 'C') {
                shift = true;
                continue;
            }
            if (f == 'D') {
                subset = C;
                continue;
            }
            if (f == 'E' && now == A) {
                subset = B;
                continue;
            }
            if (f == 'F' && now == B) {
                subset = A;
                continue;
            }
            return bad(QStringLiteral("function character &%1").arg(QChar::fromLatin1(f)));
        }
        if (now == C) {
            if (ch < '0' || ch > '9')
                return bad(QStringLiteral("'%1' in subset C").arg(QChar::fromLatin1(ch)));
            if (i + 1 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '9') {
                out += ch;
                out += field[i + 1];
                i += 2;
            } else {
                // A lone last digit: the printer finishes it in subset B.
                out += ch;
                subset = B;
                ++i;
            }
            continue;
        }
        const auto u = static_cast<unsigned char>(ch);
        if (now == A) {
            if (u == '`')
                out += '\0';
            else if (u >= 'a' && u <= 'z')
                out += static_cast<char>(u - 'a' + 1);
            else if (u >= '{' && u <= '~')
                out += static_cast<char>(u - '{' + 27);
            else if (u == 0x7f)
                out += '\x1f';
            else if (u >= 32 && u <= 95)
                out += ch;
            else
                return bad(QStringLiteral("byte %1 in subset A").arg(u));
        } else {
            if (u < 32 || u > 127)
                return bad(QStringLiteral("byte %1 in subset B").arg(u));
            out += ch;
        }
        shift = false;
        ++i;
    }
    if (shift)
        return bad(QStringLiteral("SHIFT at the end"));
    return out;
}
