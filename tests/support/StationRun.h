#pragma once

#include "core/DataModule.h"
#include "core/Language.h"
#include "printing/PrintStation.h"

// A list run through a PrintStation put together from the parts a test has.
inline ListPrintResult printListVia(TDMdata& dm, LabelList& list, PplaApi& ppla,
                                    const TLabelLayout& layout, LabelFormat format,
                                    PrintProgress& progress, int limit = -1,
                                    PrinterFeedback* feedback = nullptr,
                                    const FeedbackSettings& settings = {},
                                    StripJournal* journal = nullptr) {
    PrintStation station(&dm, ppla, feedback, journal, QStringLiteral("test station"),
                         settings.codePage < 0 ? UICodePage : settings.codePage);
    station.setFeedbackSettings(settings);
    return station.printList(list, layout, format, progress, limit);
}
