#pragma once

#include <QString>

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
bool playStrip(const StripPlan& plan, PplaApi& ppla, QString* failure);
