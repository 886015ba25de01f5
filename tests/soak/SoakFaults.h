#pragma once

#include <QString>

#include <array>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <random>
#include <thread>

class VirtualTcpPrinter;

// The printer faults a soak run injects.
enum class FaultKind { PaperOut, Paused, Dropped, Muted };
inline constexpr int kFaultKinds = 4;
QString faultName(FaultKind kind); // "paper out", "paused", "dropped connection", "muted status"

// Switches one fault at a time on the virtual printer, at random: a pause of
// gapMinMs to gapMaxMs, then a fault of a random kind that lasts holdMinMs to
// holdMaxMs (a dropped connection is over at once), then it is cleared. Runs
// on its own thread from start() to stop(); stop() clears the fault in hand.
class FaultInjector {
public:
    struct Timing {
        int gapMinMs = 4000;
        int gapMaxMs = 12000;
        int holdMinMs = 2000;
        int holdMaxMs = 8000;
    };

    FaultInjector(VirtualTcpPrinter& printer, unsigned seed, Timing timing);
    ~FaultInjector();
    FaultInjector(const FaultInjector&) = delete;
    FaultInjector& operator=(const FaultInjector&) = delete;

    void start();
    void stop();
    int injected(FaultKind kind) const { return counts_[size_t(kind)].load(); }
    int injectedTotal() const;

private:
    void run();
    void apply(FaultKind kind, bool on);
    // Waits ms or until stop(); false when stopped.
    bool pause(int ms);

    VirtualTcpPrinter& printer_;
    std::mt19937 random_;
    Timing timing_;
    std::array<std::atomic<int>, kFaultKinds> counts_{};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};
