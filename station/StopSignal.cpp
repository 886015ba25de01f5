#include "station/StopSignal.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>
#include <unistd.h>

namespace {

std::atomic<bool> stop{false};
// When the stop came, in steady-clock milliseconds.
std::atomic<long long> stopAt{0};

long long nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void onSignal(int) {
    // Only lock-free atomics here: this runs inside the signal handler.
    if (!stop.exchange(true))
        stopAt.store(nowMs());
}

} // namespace

namespace StopSignal {

void install() {
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a blocking call returns at the signal
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

bool requested() {
    return stop.load();
}

long long msSinceRequest() {
    return stop.load() ? nowMs() - stopAt.load() : 0;
}

void request() {
    onSignal(0);
}

bool waitFor(long long ms) {
    const long long until = nowMs() + ms;
    while (!stop.load()) {
        const long long left = until - nowMs();
        if (left <= 0)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(left < 50 ? left : 50));
    }
    return true;
}

void startWatchdog(int graceMs, int exitCode, void (*lastWords)()) {
    std::thread([graceMs, exitCode, lastWords] {
        while (!stop.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        while (msSinceRequest() < graceMs)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (lastWords)
            lastWords();
        _exit(exitCode);
    }).detach();
}

} // namespace StopSignal
