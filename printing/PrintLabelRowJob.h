#pragma once

#include "printing/LabelRow.h"
#include "printing/StripPlan.h"

#include <QString>

#include <functional>

class PplaApi;
struct TLabelLayout;

// Prints one strip: its plan (printing/StripPlan.h) played onto the printer
// (printing/PlayStrip.h). Checks that the printer takes every field (a refused
// field sends nothing), opens the layout's port, draws the three columns at
// the layout's positions, prints, then feeds twice and closes the port however
// the job ends. Returns true only when the strip reached the printer. Otherwise
// *failure says why, in the words the operator reads: "Open USB fail!" when the
// port cannot be opened, the port and the reason when the printer does not take
// the strip, the record, field and reason for a refused field. An error while
// drawing (a weight that is no number) propagates after the feed and close.
// *sentAny and printedOut: see playStrip.
bool PrintLabelRowJob(const LabelRow& row, const TLabelLayout& layout, LabelFormat format,
                      PplaApi& ppla, QString* failure, bool* sentAny = nullptr,
                      const std::function<void()>& printedOut = {});

// The same for a strip already planned (a run that journals the plan first).
bool PrintLabelRowJob(const StripPlan& plan, PplaApi& ppla, QString* failure,
                      bool* sentAny = nullptr, const std::function<void()>& printedOut = {});
