#pragma once

#include "printer/Port.h"

// A port on a file descriptor (a device, a file, a socket): open while it
// holds one.
class DescriptorPort : public Port {
public:
    bool isOpen() const override { return fd_ >= 0; }

protected:
    int fd_ = -1;
};
