#include "printer/Code128.h"

namespace Code128 {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isFunctionLetter(char c) {
    return c >= 'A' && c <= 'G';
}

// The printable stand-in of a control character in subset A.
char controlStandIn(unsigned char c) {
    if (c == 0)
        return '`';
    if (c <= 26)
        return static_cast<char>('a' + c - 1);
    if (c <= 30)
        return static_cast<char>('{' + c - 27);
    return '\x7f';
}

int digitRun(QByteArrayView data, qsizetype from) {
    qsizetype i = from;
    while (i < data.size() && isDigit(data[i]))
        ++i;
    return static_cast<int>(i - from);
}

class FieldWriter {
public:
    void digitsInC(QByteArrayView pairs) { out_.append(pairs.data(), pairs.size()); }
    // One character of subset B (or a SHIFTed one of subset A).
    void character(unsigned char c) {
        if (c < 32) {
            out_ += "&C";
            out_ += controlStandIn(c);
        } else if (isFunctionLetter(static_cast<char>(c)) && out_.endsWith('&') && lastIsData_) {
            // The "&" before is data: keep the printer from reading "&A".."&G".
            out_ += "&C";
            out_ += static_cast<char>(c);
        } else {
            out_ += static_cast<char>(c);
        }
        lastIsData_ = true;
    }
    void function(const char* code) {
        out_ += code;
        lastIsData_ = false;
    }
    void start(char subset) { out_ += subset; }
    QByteArray take() { return std::move(out_); }

private:
    QByteArray out_;
    bool lastIsData_ = false;
};

} // namespace

QByteArray encodeField(QByteArrayView data, QString* error) {
    for (char c : data) {
        if (static_cast<unsigned char>(c) > 127) {
            if (error)
                *error = QStringLiteral("Code 128 carries 7-bit characters only");
            return {};
        }
    }
    FieldWriter w;
    qsizetype i = 0;
    bool inC = false;
    const int lead = digitRun(data, 0);
    if (lead >= 4) {
        const int even = lead & ~1;
        w.start('C');
        w.digitsInC(data.sliced(0, even));
        i = even;
        inC = true;
    } else {
        w.start('B');
    }
    while (i < data.size()) {
        const int run = digitRun(data, i);
        const bool atEnd = i + run == data.size();
        if (run >= 6 || (atEnd && run >= 4)) {
            // An odd digit stays in B before the switch.
            if (run % 2 == 1) {
                if (inC) {
                    w.function("&E");
                    inC = false;
                }
                w.character(static_cast<unsigned char>(data[i]));
                ++i;
            }
            const int even = run & ~1;
            if (!inC) {
                w.function("&D");
                inC = true;
            }
            w.digitsInC(data.sliced(i, even));
            i += even;
            continue;
        }
        if (inC) {
            w.function("&E");
            inC = false;
        }
        w.character(static_cast<unsigned char>(data[i]));
        ++i;
    }
    return w.take();
}

int symbolCount(QByteArrayView field) {
    if (field.isEmpty())
        return 0;
    int symbols = 1; // start
    bool inC = field[0] == 'C';
    for (qsizetype i = 1; i < field.size(); ++i) {
        if (field[i] == '&' && i + 1 < field.size() && isFunctionLetter(field[i + 1])) {
            const char f = field[i + 1];
            if (f == 'D')
                inC = true;
            else if (f == 'E' || f == 'F')
                inC = false;
            ++symbols;
            ++i;
            continue;
        }
        if (inC && i + 1 < field.size() && isDigit(field[i]) && isDigit(field[i + 1]))
            ++i;
        ++symbols;
    }
    return symbols + 2; // check and stop
}

} // namespace Code128
