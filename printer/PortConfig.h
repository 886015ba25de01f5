#pragma once

#include <QString>

#include <functional>

// Which device a port name reaches. One environment variable per port name:
//
//   VORNELL_PRINTER_USB1 ... VORNELL_PRINTER_USB6   ports "1" ... "6"
//   VORNELL_PRINTER_0                                port "0" (any other name)
//   VORNELL_PRINTER_USBX                             USBX, instead of the search
//
// each holding one of
//
//   /dev/usb/lp0      a device file (any absolute path)
//   tcp:HOST[:PORT]   raw TCP, port 9100 when none is given
//   serial:/dev/ttyUSB0[:BAUD][,FRAME][,FLOW]
//                     a serial port: BAUD 1200 ... 115200 (9600), FRAME data
//                     bits, parity N/E/O and stop bits (8N1), FLOW xonxoff,
//                     rtscts or none (xonxoff), as set on the printer
//   file:PATH         a file the bytes are appended to
//   preview:DIR       the virtual printer: a PNG and the raw bytes per strip in DIR
//
// Unset, "1" ... "6" reach /dev/usb/lp0 ... /dev/usb/lp5 and "0" reaches
// nothing (opening it fails). USBX unset means the search of sysfs.
//
// Whether the printer is asked for its status comes from the same name with
// "_STATUS" after it (VORNELL_PRINTER_USB1_STATUS, ..._USBX_STATUS,
// VORNELL_PRINTER_0_STATUS): "auto" (unset) where the port can answer, "on"
// always, "off" never.
enum class StatusMode { Auto, On, Off };

// Parses one configured status value, case and surrounding blanks aside;
// false with *error naming the value and the three choices otherwise.
bool parseStatusMode(const QString& value, StatusMode* mode, QString* error);

// How a serial port is set up (termios).
struct SerialSettings {
    enum class Flow { XonXoff, RtsCts, None };
    int baud = 9600;
    int dataBits = 8;
    char parity = 'N'; // N, E or O
    int stopBits = 1;
    Flow flow = Flow::XonXoff;

    // "9600 8N1 xonxoff"
    QString text() const;
    bool operator==(const SerialSettings&) const = default;
};

struct PortTarget {
    enum class Kind { None, Device, Tcp, File, Preview, Serial };
    Kind kind = Kind::None;
    QString path; // device, file or directory
    QString host;
    quint16 tcpPort = 9100;
    SerialSettings serial; // Serial
    QString source;        // where the target was configured, e.g. "VORNELL_PRINTER_USB1"
    QString value;         // the configured text, empty for a built-in default
    QString error;         // why there is no port (kind None)
    StatusMode status = StatusMode::Auto;
    QString statusSource; // e.g. "VORNELL_PRINTER_USB1_STATUS"
    QString statusError;  // a malformed status value (status then stays Auto)

    bool operator==(const PortTarget&) const = default;
};

inline constexpr quint16 DefaultTcpPort = 9100;

// Parses one configured value; kind None with error set when it is malformed.
PortTarget parsePortTarget(const QString& value);

class PortConfig {
public:
    using Env = std::function<QString(const QString& name)>;
    // Reads the process environment by default.
    explicit PortConfig(Env env = {});

    // The port for A_CreatePrn's selection 0 and port number "0" ... "6".
    PortTarget forPortNumber(const QString& number) const;
    // VORNELL_PRINTER_USBX when set, kind None otherwise.
    PortTarget usbxOverride() const;
    // The environment variable that configures a port number ("1" -> ..._USB1).
    static QString variableFor(const QString& number);
    // The variable of its status setting ("1" -> ..._USB1_STATUS, "X" ->
    // ..._USBX_STATUS).
    static QString statusVariableFor(const QString& number);

private:
    void readStatus(const QString& number, PortTarget* target) const;

    Env env_;
};
