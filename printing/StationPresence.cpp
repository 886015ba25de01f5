#include "printing/StationPresence.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

StationPresence::StationPresence(const QString& directory) {
    const QByteArray path =
        QFile::encodeName(QDir(directory).filePath(QStringLiteral("vornell-station.lock")));
    fd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0660);
}

StationPresence::~StationPresence() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool StationPresence::alone() {
    if (fd_ < 0)
        return false;
    int rc;
    do
        rc = ::flock(fd_, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    return rc == 0;
}

void StationPresence::share() {
    if (fd_ >= 0)
        while (::flock(fd_, LOCK_SH) != 0 && errno == EINTR) {
        }
}
