#include "printer/VirtualPrinter.h"

#include "core/SafeWrite.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

VirtualPrinterPort::VirtualPrinterPort(QString dir, VirtualPrinterOptions options)
    : dir_(std::move(dir)), options_(options) {}

bool VirtualPrinterPort::open() {
    QDir dir(dir_);
    if (!dir.mkpath(QStringLiteral(".")))
        return fail(QStringLiteral("Cannot create directory %1").arg(dir_));
    static const QRegularExpression strip(QStringLiteral("^strip-(\\d+)\\.(png|ppla)$"));
    next_ = 1;
    for (const QString& name : dir.entryList(QDir::Files)) {
        const auto m = strip.match(name);
        if (m.hasMatch())
            next_ = std::max(next_, m.captured(1).toInt() + 1);
    }
    decoder_ = PplaDecoder{};
    open_ = true;
    return true;
}

bool VirtualPrinterPort::write(QByteArrayView bytes) {
    if (!open_)
        return fail(QStringLiteral("port is not open"));
    decoder_.feed(bytes);
    for (const DecodedLabel& label : decoder_.takeLabels()) {
        // The picture is made in memory first: a strip counts as printed only
        // when both its files are on disk whole.
        QByteArray png;
        QBuffer buffer(&png);
        if (!buffer.open(QIODevice::WriteOnly) ||
            !renderLabel(label, options_).save(&buffer, "PNG"))
            return fail(QStringLiteral("Cannot draw the picture of strip %1").arg(next_));
        const QString base =
            QDir(dir_).filePath(QStringLiteral("strip-%1").arg(next_, 6, 10, QLatin1Char('0')));
        const QString rawPath = base + QStringLiteral(".ppla");
        const QString pngPath = base + QStringLiteral(".png");
        QString why;
        if (!writeFileSafely(rawPath, label.raw, &why))
            return fail(QStringLiteral("Cannot save %1: %2").arg(rawPath, why));
        if (!writeFileSafely(pngPath, png, &why)) {
            QFile::remove(rawPath);
            return fail(QStringLiteral("Cannot save %1: %2").arg(pngPath, why));
        }
        ++next_;
        written_.append(pngPath);
    }
    return true;
}

void VirtualPrinterPort::close() {
    open_ = false;
}
