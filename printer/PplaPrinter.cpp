#include "printer/PplaPrinter.h"

#include "printer/FdPort.h"
#include "printer/Port.h"
#include "printer/PplaResult.h"
#include "printer/TcpPort.h"
#include "printer/UsbEnumeration.h"
#include "printer/VirtualPrinter.h"

#include <cstring>

namespace {

// Copies text into a caller's buffer of capacity bytes, NUL-terminated; false
// when it does not fit whole.
bool copyOut(const QByteArray& text, char* buf, int capacity) {
    if (!buf || capacity <= 0)
        return false;
    const int n = static_cast<int>(std::min<qsizetype>(text.size(), capacity - 1));
    std::memcpy(buf, text.constData(), n);
    buf[n] = '\0';
    return n == text.size();
}

} // namespace

PplaPrinter::PplaPrinter() : PplaPrinter(Options{}) {}

PplaPrinter::PplaPrinter(Options options)
    : options_(std::move(options)), config_(options_.env), encoder_(options_.encoder, &cache_) {}

PplaPrinter::PplaPrinter(std::shared_ptr<Port> port, Options options)
    : PplaPrinter(std::move(options)) {
    fixedPort_ = std::move(port);
}

PplaPrinter::~PplaPrinter() {
    if (port_)
        port_->close();
}

int PplaPrinter::fail(int code, const QString& text) {
    lastError_ = text;
    return code;
}

int PplaPrinter::result(int code, const QString& error) {
    if (code != PplaResult::Ok)
        lastError_ = error;
    return code;
}

QString PplaPrinter::portDescription() const {
    return port_ ? port_->describe() : QString();
}

std::unique_ptr<Port> PplaPrinter::createPort(const PortTarget& target, const Options& o) {
    switch (target.kind) {
    case PortTarget::Kind::Device:
        return std::make_unique<FdPort>(target.path, FdPort::Mode::Device, o.writeTimeoutMs);
    case PortTarget::Kind::File:
        return std::make_unique<FdPort>(target.path, FdPort::Mode::Append, o.writeTimeoutMs);
    case PortTarget::Kind::Tcp:
        return std::make_unique<TcpPort>(target.host, target.tcpPort, o.connectTimeoutMs,
                                         o.writeTimeoutMs);
    case PortTarget::Kind::Preview:
        return std::make_unique<VirtualPrinterPort>(target.path, o.preview);
    case PortTarget::Kind::Serial:
        return std::make_unique<FdPort>(target.path, target.serial, o.writeTimeoutMs);
    case PortTarget::Kind::None:
        break;
    }
    return nullptr;
}

int PplaPrinter::A_CreatePrn(int selection, const char* filename) {
    if (port_) {
        port_->close();
        port_.reset();
    }
    encoder_.reset();
    printedSinceOpen_ = false;
    drawn_.clear();
    lastPrintOut_.clear();
    std::shared_ptr<Port> port = fixedPort_;
    if (!port) {
        if (!filename)
            return fail(PplaResult::InvalidArgument, QStringLiteral("no port name"));
        const QString name = QString::fromUtf8(filename);
        PortTarget target;
        if (selection == 0)
            target = config_.forPortNumber(name);
        else if (selection == 12)
            target = parsePortTarget(name);
        else
            return fail(PplaResult::InvalidArgument,
                        QStringLiteral("port selection %1 is neither 0 nor 12").arg(selection));
        if (target.kind == PortTarget::Kind::None)
            return fail(PplaResult::OpenFailed, target.error);
        port = createPort(target, options_);
    }
    if (!port->open())
        return fail(PplaResult::OpenFailed,
                    QStringLiteral("%1 (%2)").arg(port->errorText(), port->describe()));
    port_ = std::move(port);
    return PplaResult::Ok;
}

QList<PplaPrinter::UsbEntry> PplaPrinter::usbPrinters() const {
    // A configured USBX stands for one printer; A_CreatePrn(12, ...) opens
    // its value. A malformed value also counts, so that opening it reports why.
    const PortTarget over = config_.usbxOverride();
    if (!over.value.isEmpty())
        return {{QStringLiteral("USBX"), over.value}};
    QList<UsbEntry> out;
    for (const UsbPrinter& p : findUsbPrinters(options_.sysfsDir, options_.devDir))
        out.append({p.model, p.devicePath});
    return out;
}

int PplaPrinter::A_GetUSBBufferLen() {
    const auto printers = usbPrinters();
    if (printers.isEmpty()) {
        lastError_ = QStringLiteral("No USB printer found");
        return 0;
    }
    // The length of the list A_EnumUSB writes, its NUL included.
    QStringList names;
    for (const UsbEntry& e : printers)
        names.append(e.name);
    return static_cast<int>(names.join(QLatin1Char('\n')).toUtf8().size() + 1);
}

int PplaPrinter::A_EnumUSB(char* buf) {
    if (!buf)
        return fail(PplaResult::InvalidArgument, QStringLiteral("no buffer"));
    const auto printers = usbPrinters();
    QStringList names;
    for (const UsbEntry& e : printers)
        names.append(e.name);
    // Model names, one a line, cut to the 128-byte buffer.
    copyOut(names.join(QLatin1Char('\n')).toUtf8(), buf, 128);
    if (printers.isEmpty())
        return fail(PplaResult::NoDevice, QStringLiteral("No USB printer found"));
    return PplaResult::Ok;
}

int PplaPrinter::A_GetUSBDeviceInfo(int nPort, char* pDeviceName, int* pDeviceNameLen,
                                    char* pDevicePath, int* pDevicePathLen) {
    if (!pDeviceName || !pDeviceNameLen || !pDevicePath || !pDevicePathLen)
        return fail(PplaResult::InvalidArgument, QStringLiteral("no buffer"));
    const auto printers = usbPrinters();
    if (nPort < 1 || nPort > printers.size()) {
        copyOut({}, pDeviceName, *pDeviceNameLen);
        copyOut({}, pDevicePath, *pDevicePathLen);
        *pDeviceNameLen = 0;
        *pDevicePathLen = 0;
        return fail(PplaResult::NoDevice, QStringLiteral("No USB printer %1").arg(nPort));
    }
    const UsbEntry& e = printers[nPort - 1];
    const QByteArray name = e.name.toUtf8();
    const QByteArray path = e.path.toUtf8();
    // A cut model name still names the printer; a cut path would open another.
    copyOut(name, pDeviceName, *pDeviceNameLen);
    const bool pathFits = copyOut(path, pDevicePath, *pDevicePathLen);
    *pDeviceNameLen = static_cast<int>(std::strlen(pDeviceName));
    *pDevicePathLen = static_cast<int>(std::strlen(pDevicePath));
    if (!pathFits)
        return fail(PplaResult::InvalidArgument,
                    QStringLiteral("device path %1 does not fit the buffer").arg(e.path));
    return PplaResult::Ok;
}

int PplaPrinter::A_Set_Darkness(int heat) {
    if (!port_)
        return fail(PplaResult::NotOpen, QStringLiteral("No printer port is open"));
    QString why;
    return result(encoder_.setDarkness(heat, &why), why);
}

int PplaPrinter::A_Prn_Barcode(int x, int y, int ori, char type, int narrow, int width, int height,
                               char mode, int numeric, const char* data) {
    if (!port_)
        return fail(PplaResult::NotOpen, QStringLiteral("No printer port is open"));
    if (!data)
        return fail(PplaResult::InvalidArgument, QStringLiteral("no barcode data"));
    BarcodeArgs a;
    a.x = x;
    a.y = y;
    a.widthSetting = ori;
    a.type = type;
    a.narrow = narrow;
    a.wide = width;
    a.height = height;
    a.mode = mode;
    a.numeric = numeric;
    a.data = QByteArray(data);
    QString why;
    const int rc = encoder_.addBarcode(a, &why);
    drawn_ = encoder_.drawnItems();
    return result(rc, why);
}

int PplaPrinter::A_Prn_Text_TrueType(int x, int y, int fontHeight, const char* fontName, int orient,
                                     int fontWeight, int italic, int underline, int strikeOut,
                                     const char* idName, const char* data, int memMode) {
    if (!port_)
        return fail(PplaResult::NotOpen, QStringLiteral("No printer port is open"));
    if (!idName || !data)
        return fail(PplaResult::InvalidArgument, QStringLiteral("no image name or text"));
    TextArgs a;
    a.x = x;
    a.y = y;
    a.size = fontHeight;
    a.fontName = fontName ? QString::fromUtf8(fontName) : QString();
    a.orient = orient;
    a.weight = fontWeight;
    a.italic = italic != 0;
    a.underline = underline != 0;
    a.strikeOut = strikeOut != 0;
    a.name = QByteArray(idName);
    a.text = QString::fromUtf8(data);
    a.memMode = memMode;
    QString why;
    const int rc = encoder_.addText(a, &why);
    drawn_ = encoder_.drawnItems();
    return result(rc, why);
}

int PplaPrinter::A_Print_Out(int width, int height, int copies, int amount) {
    if (!port_)
        return fail(PplaResult::NotOpen, QStringLiteral("No printer port is open"));
    QByteArray bytes;
    QString why;
    const int rc = encoder_.printOut(width, height, copies, amount, &bytes, &why);
    if (rc != PplaResult::Ok)
        return fail(rc, why);
    // Counts as made even when the port fails: the feeds after it must not
    // push a half-sent format's label out as well.
    printedSinceOpen_ = true;
    lastPrintOut_ = bytes;
    const bool written = port_->write(bytes);
    printOutLeft_ = written || port_->anyAccepted();
    if (!written)
        return fail(PplaResult::WriteFailed, port_->errorText());
    return PplaResult::Ok;
}

int PplaPrinter::A_Feed_Label() {
    if (!port_)
        return fail(PplaResult::NotOpen, QStringLiteral("No printer port is open"));
    if (printedSinceOpen_)
        return PplaResult::Ok; // the print-out already advanced past its strip
    if (!port_->write(PplaEncoder::feedCommand()))
        return fail(PplaResult::WriteFailed, port_->errorText());
    return PplaResult::Ok;
}

int PplaPrinter::A_ClosePrn() {
    if (!port_)
        return fail(PplaResult::NotOpen, QStringLiteral("No printer port is open"));
    port_->close();
    port_.reset();
    encoder_.reset();
    printedSinceOpen_ = false;
    return PplaResult::Ok;
}

PortTarget PplaPrinter::targetFor(int portNumber) const {
    if (portNumber != 12)
        return config_.forPortNumber(QString::number(portNumber));
    // The USB search opens the first printer found, as the strips do.
    const PortTarget over = config_.usbxOverride();
    const auto printers = usbPrinters();
    PortTarget target;
    if (printers.isEmpty())
        target.error = QStringLiteral("No USB printer found");
    else
        target = parsePortTarget(printers.first().path);
    target.status = over.status;
    target.statusSource = over.statusSource;
    return target;
}

StatusMode PplaPrinter::feedbackMode(int portNumber) {
    if (fixedPort_)
        return StatusMode::Off;
    const PortTarget target = targetFor(portNumber);
    switch (target.kind) {
    case PortTarget::Kind::Device:
    case PortTarget::Kind::Tcp:
    case PortTarget::Kind::Serial:
        return target.status;
    case PortTarget::Kind::File:
    case PortTarget::Kind::Preview:
    case PortTarget::Kind::None:
        break;
    }
    return StatusMode::Off;
}

std::optional<PrinterStatus> PplaPrinter::askStatus(int portNumber, int timeoutMs, QString* error) {
    spoke_ = false;
    const PortTarget target = targetFor(portNumber);
    std::unique_ptr<Port> port;
    if (!fixedPort_ && target.kind != PortTarget::Kind::None)
        port = createPort(target, options_);
    if (!port) {
        *error = target.error.isEmpty() ? QStringLiteral("no port to ask") : target.error;
        return std::nullopt;
    }
    if (!port->open()) {
        *error = QStringLiteral("%1 (%2)").arg(port->errorText(), port->describe());
        return std::nullopt;
    }
    std::optional<PrinterStatus> status;
    if (port->canAskStatus())
        status = port->askStatus(timeoutMs);
    else
        port->askStatus(timeoutMs); // fails, saying why
    if (!status)
        *error = port->errorText();
    spoke_ = port->printerSpoke();
    port->close();
    return status;
}

std::optional<PrinterStatus> PplaPrinter::askOpenPort(int timeoutMs, QString* error) {
    if (!port_) {
        *error = QStringLiteral("No printer port is open");
        return std::nullopt;
    }
    const std::optional<PrinterStatus> status = port_->askStatus(timeoutMs);
    if (!status)
        *error = port_->errorText();
    spoke_ = port_->printerSpoke();
    return status;
}
