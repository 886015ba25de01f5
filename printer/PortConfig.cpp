#include "printer/PortConfig.h"

#include <QDir>

PortSpec parsePortSpec(const QString& value) {
    PortSpec spec;
    const QString v = value.trimmed();
    auto bad = [&](const QString& why) {
        spec.kind = PortSpec::Kind::None;
        spec.error = why;
        return spec;
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
        spec.kind = PortSpec::Kind::Tcp;
        spec.host = host;
        spec.tcpPort = port;
        return spec;
    }
    if (v.startsWith(QLatin1String("file:"))) {
        if (v.size() == 5)
            return bad(QStringLiteral("\"%1\": no file name").arg(v));
        spec.kind = PortSpec::Kind::File;
        spec.path = v.mid(5);
        return spec;
    }
    if (v.startsWith(QLatin1String("preview:"))) {
        if (v.size() == 8)
            return bad(QStringLiteral("\"%1\": no directory").arg(v));
        spec.kind = PortSpec::Kind::Preview;
        spec.path = v.mid(8);
        return spec;
    }
    if (QDir::isAbsolutePath(v)) {
        spec.kind = PortSpec::Kind::Device;
        spec.path = v;
        return spec;
    }
    return bad(QStringLiteral("\"%1\" is none of /dev/..., tcp:, file:, preview:").arg(v));
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

PortSpec PortConfig::forPortNumber(const QString& number) const {
    static const QStringList known{"0", "1", "2", "3", "4", "5", "6"};
    PortSpec spec;
    if (!known.contains(number)) {
        spec.error = QStringLiteral("no port number \"%1\" (0 to 6)").arg(number);
        return spec;
    }
    const QString var = variableFor(number);
    const QString value = env_(var);
    if (!value.trimmed().isEmpty()) {
        spec = parsePortSpec(value);
        spec.value = value.trimmed();
    } else if (number == QLatin1String("0")) {
        spec.error = QStringLiteral("no printer is configured for port 0 (%1 is not set)").arg(var);
    } else {
        spec.kind = PortSpec::Kind::Device;
        spec.path = QStringLiteral("/dev/usb/lp%1").arg(number.toInt() - 1);
    }
    spec.source = var;
    return spec;
}

PortSpec PortConfig::usbxOverride() const {
    const QString var = QStringLiteral("VORNELL_PRINTER_USBX");
    const QString value = env_(var);
    PortSpec spec;
    if (!value.trimmed().isEmpty()) {
        spec = parsePortSpec(value);
        spec.value = value.trimmed();
    }
    spec.source = var;
    return spec;
}
