// The settings file: any bytes read and written back unchanged keep every
// byte; values written into them (a section and key of letters, digits and
// "_", a value of printable ASCII with line breaks and blanks) read back after
// the file is saved and read again, as one line without the blanks around it.
#include "FuzzCheck.h"
#include "settings/IniFile.h"

#include <QFile>
#include <QHash>

#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

namespace {

QString name(FuzzedDataProvider& in) {
    static const char letters[] = "abcXYZ019_";
    QString out;
    const size_t n = in.ConsumeIntegralInRange<size_t>(1, 6);
    for (size_t i = 0; i < n; ++i)
        out += QLatin1Char(letters[in.ConsumeIntegralInRange<size_t>(0, sizeof letters - 2)]);
    return out;
}

QString value(FuzzedDataProvider& in) {
    QString out;
    for (char c : in.ConsumeRandomLengthString(24)) {
        const auto u = static_cast<unsigned char>(c);
        out += u == '\r' || u == '\n' || u == '\t' ? QLatin1Char(c)
                                                   : QLatin1Char(static_cast<char>(32 + u % 95));
    }
    return out;
}

QString path() {
    static const QString p =
        QStringLiteral("%1/vornell-fuzz-ini-%2.ini")
            .arg(QFile::exists(QStringLiteral("/dev/shm")) ? QStringLiteral("/dev/shm")
                                                           : QStringLiteral("/tmp"))
            .arg(getpid());
    return p;
}

void store(const QByteArray& bytes) {
    QFile f(path());
    FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(f.write(bytes) == bytes.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int32_t codePage = in.ConsumeBool() ? 936 : 1252;
    struct Write {
        QString section, key, value;
    };
    QList<Write> writes(in.ConsumeIntegralInRange<int>(0, 4));
    for (Write& w : writes)
        w = {name(in), name(in), value(in)};
    const std::string rest = in.ConsumeRemainingBytesAsString();
    const QByteArray original(rest.data(), static_cast<qsizetype>(rest.size()));

    store(original);
    IniFile file(path(), codePage);
    FUZZ_CHECK(file.toBytes() == original);
    QHash<QString, QString> expected; // by lower-case "section/key"
    for (const Write& w : writes) {
        file.writeString(w.section, w.key, w.value);
        QString line = w.value;
        line.replace(QLatin1String("\r\n"), QLatin1String(" "));
        line.replace(QLatin1Char('\r'), QLatin1Char(' '))
            .replace(QLatin1Char('\n'), QLatin1Char(' '));
        expected[(w.section + QLatin1Char('/') + w.key).toLower()] = line;
    }
    store(file.toBytes());
    const IniFile again(path(), codePage);
    FUZZ_CHECK(again.toBytes() == file.toBytes());
    for (const Write& w : writes) {
        const QString want = expected.value((w.section + QLatin1Char('/') + w.key).toLower());
        const QString got = again.readString(w.section, w.key, QStringLiteral("<none>"));
        if (got != want.trimmed()) {
            std::fprintf(stderr, "[%s] %s: wrote '%s', read '%s'\n", qPrintable(w.section),
                         qPrintable(w.key), qPrintable(want), qPrintable(got));
            FUZZ_CHECK(got == want.trimmed());
        }
    }
    return 0;
}
