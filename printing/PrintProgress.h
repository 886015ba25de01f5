#pragma once

// What a long print run shows while it goes: strips done of strips to do, and
// the operator's wish to stop. The run asks after every strip.
class PrintProgress {
public:
    virtual ~PrintProgress() = default;
    virtual void begin(int strips) = 0;
    // Reports strips done; false when the operator asked to stop.
    virtual bool advance(int done) = 0;
    virtual void end() = 0;
};

// A run nobody watches.
class SilentProgress : public PrintProgress {
public:
    void begin(int) override {}
    bool advance(int) override { return true; }
    void end() override {}
};
