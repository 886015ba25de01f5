#pragma once

#include <QString>

#include <functional>

class PplaApi;
struct StripPlan;

// Plays a strip plan onto the printer library: opens the plan's port, sets
// the darkness, draws each label's barcode and text, prints, then feeds twice
// and closes the port however it ends. The refused fields of the plan are not
// looked at: the caller decides whether the strip goes out. Returns true when
// the strip reached the printer; otherwise *failure says why ("Open USB
// fail!", the port and the printer's reason, or the field the driver
// refused). A text without a weight raises AppError("'%s' is not a valid
// integer value") after the feed and close.
// *sentAny, when given, tells whether bytes of the strip may have reached the
// printer (its print-out was attempted), so that a failed strip may still
// have come out, in part or whole.
// printedOut, when given, runs once the printer has taken the strip, before
// the feeds and the close, while the port is still open.
bool playStrip(const StripPlan& plan, PplaApi& ppla, QString* failure, bool* sentAny = nullptr,
               const std::function<void()>& printedOut = {});
