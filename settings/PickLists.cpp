#include "settings/PickLists.h"

#include "settings/PortNames.h"

#include <algorithm>

int upDownPosition(int32_t stored, int min, int max) {
    const int16_t low = static_cast<int16_t>(static_cast<uint32_t>(stored) & 0xffffu);
    return std::clamp<int>(low, min, max);
}

int pickListIndex(const QStringList& entries, const QString& text) {
    for (int i = 0; i < entries.size(); ++i)
        if (entries[i].compare(text, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

const QStringList& printerPortEntries() {
    return offeredPortNames();
}

const QStringList& fontWeightEntries() {
    static const QStringList entries{
        QStringLiteral("100 special thin"), QStringLiteral("200 very thin"),
        QStringLiteral("300 thin   "),      QStringLiteral("400 standard"),
        QStringLiteral("500 middle"),       QStringLiteral("600 half thick  "),
        QStringLiteral("700 thick"),        QStringLiteral("800 special thick"),
        QStringLiteral("900 blackbody")};
    return entries;
}

QStringList sortedFontNames(QStringList names) {
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}
