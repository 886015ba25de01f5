#include "printer/UsbEnumeration.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>

QMap<QString, QString> parseIeee1284Id(const QString& id) {
    QMap<QString, QString> out;
    for (const QString& part : id.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype colon = part.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            continue;
        out.insert(part.left(colon).trimmed().toUpper(), part.mid(colon + 1).trimmed());
    }
    return out;
}

QList<UsbPrinter> findUsbPrinters(const QString& sysfsDir, const QString& devDir) {
    static const QRegularExpression lpName(QStringLiteral("^lp(\\d+)$"));
    struct Found {
        int number;
        UsbPrinter printer;
    };
    QList<Found> found;
    const QStringList entries =
        QDir(sysfsDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    for (const QString& name : entries) {
        const auto m = lpName.match(name);
        if (!m.hasMatch())
            continue;
        QFile idFile(sysfsDir + QLatin1Char('/') + name + QStringLiteral("/device/ieee1284_id"));
        if (!idFile.open(QIODevice::ReadOnly))
            continue;
        const auto id = parseIeee1284Id(QString::fromLatin1(idFile.readAll()));
        UsbPrinter p;
        p.model = id.value(QStringLiteral("MDL"), id.value(QStringLiteral("MODEL")));
        if (p.model.isEmpty())
            p.model = name;
        p.devicePath = devDir + QLatin1Char('/') + name;
        const QString commands =
            id.value(QStringLiteral("CMD"), id.value(QStringLiteral("COMMAND SET")));
        for (const QString& c : commands.split(QLatin1Char(',')))
            p.speaksPpla = p.speaksPpla ||
                           c.trimmed().compare(QLatin1String("PPLA"), Qt::CaseInsensitive) == 0;
        found.append({m.captured(1).toInt(), p});
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        if (a.printer.speaksPpla != b.printer.speaksPpla)
            return a.printer.speaksPpla;
        return a.number < b.number;
    });
    QList<UsbPrinter> out;
    for (const Found& f : found)
        out.append(f.printer);
    return out;
}
