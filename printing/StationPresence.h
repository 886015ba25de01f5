#pragma once

#include <QString>

// Whether another process of the same station (the same name, the same
// working directory) is alive: each one that prints keeps a lock on
// vornell-station.lock in its directory while it runs, which the system
// drops when the process ends, however it ends. A station's claims left in
// flight (state claimed) become held for a person only when no process of
// that station is alive: a live one is still printing them.
class StationPresence {
public:
    explicit StationPresence(const QString& directory);
    ~StationPresence();
    StationPresence(const StationPresence&) = delete;
    StationPresence& operator=(const StationPresence&) = delete;

    // True when no other process of this station holds the lock; this one
    // then holds it alone until share() or its end. A lock file that cannot
    // be made counts as not alone (nothing is taken from a live station).
    bool alone();
    // From now on other processes of the station may start beside this one.
    void share();

private:
    int fd_ = -1;
};
