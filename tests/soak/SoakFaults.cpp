#include "tests/soak/SoakFaults.h"

#include "printer/VirtualTcpPrinter.h"

QString faultName(FaultKind kind) {
    switch (kind) {
    case FaultKind::PaperOut:
        return QStringLiteral("paper out");
    case FaultKind::Paused:
        return QStringLiteral("paused");
    case FaultKind::Dropped:
        return QStringLiteral("dropped connection");
    case FaultKind::Muted:
        return QStringLiteral("muted status");
    }
    return {};
}

FaultInjector::FaultInjector(VirtualTcpPrinter& printer, unsigned seed, Timing timing)
    : printer_(printer), random_(seed), timing_(timing) {}

FaultInjector::~FaultInjector() {
    stop();
}

void FaultInjector::start() {
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
}

void FaultInjector::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

int FaultInjector::injectedTotal() const {
    int total = 0;
    for (const auto& c : counts_)
        total += c.load();
    return total;
}

bool FaultInjector::pause(int ms) {
    std::unique_lock lock(mutex_);
    return !wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping_; });
}

void FaultInjector::apply(FaultKind kind, bool on) {
    switch (kind) {
    case FaultKind::PaperOut:
        printer_.setPaperOut(on);
        break;
    case FaultKind::Paused:
        printer_.setPaused(on);
        break;
    case FaultKind::Muted:
        printer_.setMuted(on);
        break;
    case FaultKind::Dropped:
        if (on)
            printer_.dropNextConnection();
        break;
    }
}

void FaultInjector::run() {
    std::uniform_int_distribution<int> gap(timing_.gapMinMs, timing_.gapMaxMs);
    std::uniform_int_distribution<int> hold(timing_.holdMinMs, timing_.holdMaxMs);
    std::uniform_int_distribution<int> kindOf(0, kFaultKinds - 1);
    while (pause(gap(random_))) {
        const auto kind = FaultKind(kindOf(random_));
        apply(kind, true);
        ++counts_[size_t(kind)];
        if (kind == FaultKind::Dropped)
            continue;
        const bool going = pause(hold(random_));
        apply(kind, false);
        if (!going)
            break;
    }
}
