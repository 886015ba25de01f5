#pragma once

#include <QByteArray>

struct StripPlan;

// The strip plan a journal entry holds, read back from the JSON that
// stripPlanJson (printing/StripPlanJson.h) wrote: port, darkness, records and
// every label's barcode and text exactly as they were planned, so that the
// history draws and reprints what was printed, not what today's layout would
// make of it. A weight stored as text (one that was no number) comes back as
// no weight, with its digits. Raises AppError ("The journal's plan of this
// strip cannot be read: ...") on JSON that is no strip plan.
StripPlan stripPlanFromJson(const QByteArray& json);
