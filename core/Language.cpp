#include "core/Language.h"

#include <QLocale>
#include <QProcessEnvironment>

int32_t UICodePage = 437;

uint16_t windowsLanguageId(const QString& localeName) {
    // Only the ids that matter to the program are told apart; every other
    // locale counts as US English.
    const QString name = localeName.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    struct Entry {
        const char* name;
        uint16_t id;
    };
    static constexpr Entry table[] = {
        {"zh_CN", 0x0804}, {"zh_TW", 0x0404}, {"zh_HK", 0x0C04}, {"zh_SG", 0x1004},
        {"zh_MO", 0x1404}, {"en_US", 0x0409}, {"en_GB", 0x0809}, {"de_DE", 0x0407},
        {"fr_FR", 0x040C}, {"ja_JP", 0x0411}, {"ko_KR", 0x0412},
    };
    for (const Entry& e : table)
        if (name.compare(QLatin1String(e.name), Qt::CaseInsensitive) == 0 ||
            name.compare(QString::fromLatin1(e.name).replace(QLatin1Char('_'), QLatin1Char('-')),
                         Qt::CaseInsensitive) == 0)
            return e.id;
    return 0x0409;
}

uint16_t systemDefaultLanguageId() {
    // The locale variables win over Qt's guess, in the order the C library
    // reads them.
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = env.value(QLatin1String(var));
        if (!value.isEmpty() && value != QLatin1String("C") && value != QLatin1String("POSIX"))
            return windowsLanguageId(value);
    }
    return windowsLanguageId(QLocale::system().name());
}

int32_t codePageForLanguageId(uint16_t langId) {
    return langId == 0x0804 ? 936 : 437;
}

int ansiByteLength(const QString& text, int32_t codePage) {
    int bytes = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i; // one character outside the BMP: written as a single '?'
        else if (codePage == 936 && c.unicode() >= 0x80) {
            bytes += 2;
            continue;
        }
        bytes += 1;
    }
    return bytes;
}
