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
// *spoke (when given) tells whether the printer sent anything at all: a
// garbled answer is a printer that talks, silence one that may not answer.
std::optional<PrinterStatus> askStatusOnFd(int fd, int timeoutMs, QString* error,
                                           bool* spoke = nullptr);
