#pragma once

#include <QtGlobal>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Reads a process's resident set (VmRSS in /proc/PID/status) once a second:
// the value once settleSeconds have passed, the highest value after that, and
// the latest. Calls minute(n, rssKb) at the end of every whole minute.
class RssSampler {
public:
    RssSampler(qint64 pid, int settleSeconds, std::function<void(int, qint64)> minute);
    ~RssSampler();
    RssSampler(const RssSampler&) = delete;
    RssSampler& operator=(const RssSampler&) = delete;

    void stop();
    qint64 settledKb() const { return settled_.load(); }
    qint64 peakAfterKb() const { return peak_.load(); }
    qint64 latestKb() const { return latest_.load(); }

    // VmRSS of pid in kB; 0 when it cannot be read.
    static qint64 rssKb(qint64 pid);

private:
    void run();

    qint64 pid_;
    int settleSeconds_;
    std::function<void(int, qint64)> minute_;
    std::atomic<qint64> settled_{0};
    std::atomic<qint64> peak_{0};
    std::atomic<qint64> latest_{0};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};
