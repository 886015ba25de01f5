#include "printer/RecordingPpla.h"

#include <cstring>

namespace {

QByteArray text(const char* s) {
    return s ? QByteArray(s) : QByteArray();
}

void fill(const QByteArray& value, char* buf, int capacity) {
    if (!buf || capacity <= 0)
        return;
    const int n = static_cast<int>(std::min<qsizetype>(value.size(), capacity - 1));
    std::memcpy(buf, value.constData(), n);
    buf[n] = '\0';
}

QString show(const QVariant& v) {
    if (v.typeId() == QMetaType::QChar)
        return QStringLiteral("'%1'").arg(v.toChar());
    if (v.typeId() == QMetaType::QByteArray)
        return QStringLiteral("\"%1\"").arg(QString::fromUtf8(v.toByteArray()));
    return v.toString();
}

} // namespace

int RecordingPpla::record(const QString& op, QVariantList args) {
    int result = results_.value(op, 0);
    auto q = queued_.find(op);
    if (q != queued_.end() && !q->isEmpty())
        result = q->takeFirst();
    calls_.append({op, std::move(args), result});
    return result;
}

QStringList RecordingPpla::log() const {
    QStringList out;
    for (const Call& c : calls_) {
        QStringList args;
        for (const QVariant& a : c.args)
            args.append(show(a));
        out.append(c.op + QLatin1Char('(') + args.join(QLatin1Char(',')) + QLatin1Char(')'));
    }
    return out;
}

QStringList RecordingPpla::ops() const {
    QStringList out;
    for (const Call& c : calls_)
        out.append(c.op);
    return out;
}

int RecordingPpla::A_CreatePrn(int selection, const char* filename) {
    return record(QStringLiteral("A_CreatePrn"), {selection, text(filename)});
}

int RecordingPpla::A_GetUSBBufferLen() {
    return record(QStringLiteral("A_GetUSBBufferLen"), {});
}

int RecordingPpla::A_EnumUSB(char* buf) {
    fill(usbName_, buf, 128);
    return record(QStringLiteral("A_EnumUSB"), {buf != nullptr});
}

int RecordingPpla::A_GetUSBDeviceInfo(int nPort, char* pDeviceName, int* pDeviceNameLen,
                                      char* pDevicePath, int* pDevicePathLen) {
    // Recorded as given: the port number and the two buffer sizes.
    QVariantList args{nPort, pDeviceNameLen ? *pDeviceNameLen : -1,
                      pDevicePathLen ? *pDevicePathLen : -1};
    if (pDeviceNameLen) {
        fill(usbName_, pDeviceName, *pDeviceNameLen);
        *pDeviceNameLen = pDeviceName ? static_cast<int>(std::strlen(pDeviceName)) : 0;
    }
    if (pDevicePathLen) {
        fill(usbPath_, pDevicePath, *pDevicePathLen);
        *pDevicePathLen = pDevicePath ? static_cast<int>(std::strlen(pDevicePath)) : 0;
    }
    return record(QStringLiteral("A_GetUSBDeviceInfo"), std::move(args));
}

int RecordingPpla::A_Set_Darkness(int heat) {
    return record(QStringLiteral("A_Set_Darkness"), {heat});
}

int RecordingPpla::A_Prn_Barcode(int x, int y, int ori, char type, int narrow, int width,
                                 int height, char mode, int numeric, const char* data) {
    return record(QStringLiteral("A_Prn_Barcode"),
                  {x, y, ori, QChar::fromLatin1(type), narrow, width, height,
                   QChar::fromLatin1(mode), numeric, text(data)});
}

int RecordingPpla::A_Prn_Text_TrueType(int x, int y, int fontHeight, const char* fontName,
                                       int orient, int fontWeight, int italic, int underline,
                                       int strikeOut, const char* idName, const char* data,
                                       int memMode) {
    return record(QStringLiteral("A_Prn_Text_TrueType"),
                  {x, y, fontHeight, text(fontName), orient, fontWeight, italic, underline,
                   strikeOut, text(idName), text(data), memMode});
}

int RecordingPpla::A_Print_Out(int width, int height, int copies, int amount) {
    return record(QStringLiteral("A_Print_Out"), {width, height, copies, amount});
}

int RecordingPpla::A_Feed_Label() {
    return record(QStringLiteral("A_Feed_Label"), {});
}

int RecordingPpla::A_ClosePrn() {
    return record(QStringLiteral("A_ClosePrn"), {});
}
