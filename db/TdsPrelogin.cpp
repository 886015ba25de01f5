#include "db/TdsPrelogin.h"

#include <QByteArray>
#include <QTcpSocket>

namespace {

constexpr char kPrelogin = 0x12;
constexpr char kReply = 0x04;
constexpr unsigned char kOptionEncryption = 0x01;
constexpr unsigned char kTerminator = 0xFF;
constexpr unsigned char kEncryptOn = 0x01;
constexpr unsigned char kEncryptRequired = 0x03;

// PRELOGIN with VERSION (six zero bytes) and ENCRYPTION = on.
QByteArray preloginPacket() {
    const char options[] = {0x00, 0x00, 11, 0x00, 6, 0x01, 0x00, 17, 0x00, 1, char(kTerminator)};
    QByteArray body(options, sizeof options);
    body += QByteArray(6, '\0');
    body += char(kEncryptOn);
    QByteArray packet(8, '\0');
    packet[0] = kPrelogin;
    packet[1] = 0x01; // end of message
    const int length = 8 + int(body.size());
    packet[2] = char(length >> 8);
    packet[3] = char(length & 0xFF);
    packet[6] = 0x01; // packet number
    return packet + body;
}

bool readExactly(QTcpSocket& socket, qsizetype n, int timeoutMs, QByteArray* out) {
    while (socket.bytesAvailable() < n)
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    *out = socket.read(n);
    return true;
}

} // namespace

std::optional<bool> serverOffersEncryption(const QString& host, int port, int timeoutMs) {
    QTcpSocket socket;
    socket.connectToHost(host, static_cast<quint16>(port));
    if (!socket.waitForConnected(timeoutMs))
        return std::nullopt;
    socket.write(preloginPacket());
    if (!socket.waitForBytesWritten(timeoutMs))
        return std::nullopt;
    QByteArray header, body;
    if (!readExactly(socket, 8, timeoutMs, &header) || header[0] != kReply)
        return std::nullopt;
    const int length =
        (static_cast<unsigned char>(header[2]) << 8) | static_cast<unsigned char>(header[3]);
    if (length < 8 || !readExactly(socket, length - 8, timeoutMs, &body))
        return std::nullopt;
    for (qsizetype i = 0; i + 4 < body.size(); i += 5) {
        const auto token = static_cast<unsigned char>(body[i]);
        if (token == kTerminator)
            break;
        const int at = (static_cast<unsigned char>(body[i + 1]) << 8) |
                       static_cast<unsigned char>(body[i + 2]);
        if (token == kOptionEncryption && at < body.size()) {
            const auto answer = static_cast<unsigned char>(body[at]);
            return answer == kEncryptOn || answer == kEncryptRequired;
        }
    }
    return std::nullopt;
}
