#include "tests/soak/RssSampler.h"

#include <QFile>

#include <algorithm>

RssSampler::RssSampler(qint64 pid, int settleSeconds, std::function<void(int, qint64)> minute)
    : pid_(pid), settleSeconds_(settleSeconds), minute_(std::move(minute)) {
    thread_ = std::thread([this] { run(); });
}

RssSampler::~RssSampler() {
    stop();
}

void RssSampler::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

qint64 RssSampler::rssKb(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

void RssSampler::run() {
    for (int second = 1;; ++second) {
        {
            std::unique_lock lock(mutex_);
            if (wake_.wait_for(lock, std::chrono::seconds(1), [this] { return stopping_; }))
                return;
        }
        const qint64 kb = rssKb(pid_);
        if (kb == 0)
            continue;
        latest_ = kb;
        if (second >= settleSeconds_ && settled_.load() == 0)
            settled_ = kb;
        if (second >= settleSeconds_)
            peak_ = std::max(peak_.load(), kb);
        if (second % 60 == 0 && minute_)
            minute_(second / 60, kb);
    }
}
