#include "core/SafeWrite.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString reason(int errnum) {
    return QString::fromLocal8Bit(std::strerror(errnum));
}

} // namespace

bool writeFileSafely(const QString& path, QByteArrayView bytes, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *error = file.errorString();
        return false;
    }
    const int fd = file.handle();
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(fd, bytes.data() + done, static_cast<size_t>(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // A write that takes nothing without an error would loop for ever.
        *error = reason(n < 0 ? errno : ENOSPC);
        return false;
    }
    if (::fsync(fd) != 0) {
        *error = reason(errno);
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

void createOwnerGroupFile(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0660);
    if (fd >= 0)
        ::close(fd);
}
