#include "printer/PortConfig.h"

#include <QDir>
#include <QRegularExpression>

PortTarget parsePortTarget(const QString& value) {
    PortTarget target;
    const QString v = value.trimmed();
    auto bad = [&](const QString& why) {
        target.kind = PortTarget::Kind::None;
        target.error = why;
        return target;
    };
    if (v.startsWith(QLatin1String("tcp:"))) {
        QString rest = v.mid(4);
        QString host = rest;
        quint16 port = DefaultTcpPort;
        const qsizetype colon = rest.lastIndexOf(QLatin1Char(':'));
        const bool bracketed = rest.startsWith(QLatin1Char('['));
        const qsizetype close = rest.indexOf(QLatin1Char(']'));
        if (colon > 0 && (!bracketed || colon > close)) {
            bool ok = false;
            const uint n = rest.mid(colon + 1).toUInt(&ok);
            if (!ok || n == 0 || n > 65535)
                return bad(QStringLiteral("\"%1\": bad TCP port").arg(v));
            port = static_cast<quint16>(n);
            host = rest.left(colon);
        }
        if (bracketed && host.endsWith(QLatin1Char(']')))
            host = host.mid(1, host.size() - 2);
        if (host.isEmpty())
            return bad(QStringLiteral("\"%1\": no host").arg(v));
        target.kind = PortTarget::Kind::Tcp;
        target.host = host;
        target.tcpPort = port;
        return target;
    }
    if (v.startsWith(QLatin1String("serial:"))) {
        const QString rest = v.mid(7);
        const qsizetype colon = rest.indexOf(QLatin1Char(':'));
        target.path = colon < 0 ? rest : rest.left(colon);
        if (!QDir::isAbsolutePath(target.path))
            return bad(QStringLiteral("\"%1\": the serial device must be a path such as "
                                      "/dev/ttyUSB0")
                           .arg(v));
        static const QRegularExpression frame(QStringLiteral("^([5-8])([NEO])([12])$"));
        static const QList<int> speeds{1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
        const QStringList parts =
            colon < 0 ? QStringList() : rest.mid(colon + 1).split(QLatin1Char(','));
        for (const QString& part : parts) {
            bool number = false;
            const int baud = part.toInt(&number);
            const QRegularExpressionMatch m = frame.match(part.toUpper());
            if (number && speeds.contains(baud)) {
                target.serial.baud = baud;
            } else if (m.hasMatch()) {
                target.serial.dataBits = m.captured(1).toInt();
                target.serial.parity = m.captured(2).at(0).toLatin1();
                target.serial.stopBits = m.captured(3).toInt();
            } else if (part.compare(QLatin1String("xonxoff"), Qt::CaseInsensitive) == 0) {
                target.serial.flow = SerialSettings::Flow::XonXoff;
            } else if (part.compare(QLatin1String("rtscts"), Qt::CaseInsensitive) == 0) {
                target.serial.flow = SerialSettings::Flow::RtsCts;
            } else if (part.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0) {
                target.serial.flow = SerialSettings::Flow::None;
            } else {
                return bad(QStringLiteral("\"%1\": \"%2\" is none of a speed (1200 ... "
                                          "115200), a frame such as 8N1, xonxoff, rtscts, none")
                               .arg(v, part));
            }
        }
        target.kind = PortTarget::Kind::Serial;
        return target;
    }
    // Ports named by a prefix and a path after it.
    struct Prefixed {
        QLatin1String prefix;
        PortTarget::Kind kind;
        const char* noPath;
    };
    for (const Prefixed& p :
         {Prefixed{QLatin1String("file:"), PortTarget::Kind::File, "no file name"},
          Prefixed{QLatin1String("preview:"), PortTarget::Kind::Preview, "no directory"}}) {
        if (!v.startsWith(p.prefix))
            continue;
        if (v.size() == p.prefix.size())
            return bad(QStringLiteral("\"%1\": %2").arg(v, QLatin1String(p.noPath)));
        target.kind = p.kind;
        target.path = v.mid(p.prefix.size());
        return target;
    }
    if (QDir::isAbsolutePath(v)) {
        target.kind = PortTarget::Kind::Device;
        target.path = v;
        return target;
    }
    return bad(QStringLiteral("\"%1\" is none of /dev/..., tcp:, serial:, file:, preview:").arg(v));
}

QString SerialSettings::text() const {
    const char* flows[] = {"xonxoff", "rtscts", "none"};
    return QStringLiteral("%1 %2%3%4 %5")
        .arg(baud)
        .arg(dataBits)
        .arg(QLatin1Char(parity))
        .arg(stopBits)
        .arg(QLatin1String(flows[int(flow)]));
}

bool parseStatusMode(const QString& value, StatusMode* mode, QString* error) {
    const QString v = value.trimmed().toLower();
    if (v == QLatin1String("auto") || v.isEmpty())
        *mode = StatusMode::Auto;
    else if (v == QLatin1String("on"))
        *mode = StatusMode::On;
    else if (v == QLatin1String("off"))
        *mode = StatusMode::Off;
    else {
        *error = QStringLiteral("\"%1\" is none of auto, on, off").arg(value.trimmed());
        return false;
    }
    return true;
}

PortConfig::PortConfig(Env env) : env_(std::move(env)) {
    if (!env_)
        env_ = [](const QString& name) {
            return qEnvironmentVariable(name.toLatin1().constData());
        };
}

QString PortConfig::variableFor(const QString& number) {
    if (number == QLatin1String("0"))
        return QStringLiteral("VORNELL_PRINTER_0");
    return QStringLiteral("VORNELL_PRINTER_USB") + number;
}

QString PortConfig::statusVariableFor(const QString& number) {
    return variableFor(number) + QStringLiteral("_STATUS");
}

void PortConfig::readStatus(const QString& number, PortTarget* target) const {
    target->statusSource = statusVariableFor(number);
    QString why;
    StatusMode mode = StatusMode::Auto;
    if (parseStatusMode(env_(target->statusSource), &mode, &why))
        target->status = mode;
    else
        target->statusError = target->statusSource + QStringLiteral(": ") + why;
}

PortTarget PortConfig::forPortNumber(const QString& number) const {
    static const QStringList known{"0", "1", "2", "3", "4", "5", "6"};
    PortTarget target;
    if (!known.contains(number)) {
        target.error = QStringLiteral("no port number \"%1\" (0 to 6)").arg(number);
        return target;
    }
    const QString var = variableFor(number);
    const QString value = env_(var);
    if (!value.trimmed().isEmpty()) {
        target = parsePortTarget(value);
        target.value = value.trimmed();
    } else if (number == QLatin1String("0")) {
        target.error =
            QStringLiteral("no printer is configured for port 0 (%1 is not set)").arg(var);
    } else {
        target.kind = PortTarget::Kind::Device;
        target.path = QStringLiteral("/dev/usb/lp%1").arg(number.toInt() - 1);
    }
    target.source = var;
    readStatus(number, &target);
    return target;
}

PortTarget PortConfig::usbxOverride() const {
    const QString var = QStringLiteral("VORNELL_PRINTER_USBX");
    const QString value = env_(var);
    PortTarget target;
    if (!value.trimmed().isEmpty()) {
        target = parsePortTarget(value);
        target.value = value.trimmed();
    }
    target.source = var;
    readStatus(QStringLiteral("X"), &target);
    return target;
}
