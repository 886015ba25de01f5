#pragma once

#include "printer/PrinterStatus.h"

#include <optional>

// Asks the printer on an open, non-blocking descriptor that reads and writes
// (a TCP connection, a printer device opened read-write) for its status:
// sends <SOH>A and reads the answer up to its CR, all within timeoutMs.
//
// Every way it can go wrong is a failure with the reason in *error, never a
// status: bytes the printer sent before it was asked (they are read and thrown
// away, so the next request starts clean), silence, an answer cut short, the
// far end closing, an answer longer than MaxStatusAnswerBytes, a malformed one.
std::optional<PrinterStatus> askStatusOnFd(int fd, int timeoutMs, QString* error);
