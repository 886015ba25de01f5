#include "printer/VirtualPrinter.h"

#include <QDir>
#include <QRegularExpression>
#include <QSaveFile>

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
        const QString base =
            QDir(dir_).filePath(QStringLiteral("strip-%1").arg(next_++, 6, 10, QLatin1Char('0')));
        QSaveFile raw(base + QStringLiteral(".ppla"));
        if (!raw.open(QIODevice::WriteOnly) || raw.write(label.raw) != label.raw.size() ||
            !raw.commit())
            return fail(raw.errorString());
        QSaveFile png(base + QStringLiteral(".png"));
        if (!png.open(QIODevice::WriteOnly) || !renderLabel(label, options_).save(&png, "PNG") ||
            !png.commit())
            return fail(png.errorString().isEmpty()
                            ? QStringLiteral("Cannot write %1.png").arg(base)
                            : png.errorString());
        written_.append(base + QStringLiteral(".png"));
    }
    return true;
}

void VirtualPrinterPort::close() {
    open_ = false;
}
