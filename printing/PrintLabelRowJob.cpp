#include "printing/PrintLabelRowJob.h"

#include "printing/PlayStrip.h"
#include "printing/StripPlan.h"

bool PrintLabelRowJob(const LabelRow& row, const TLabelLayout& layout, LabelFormat format,
                      PplaApi& ppla, QString* failure, bool* sentAny,
                      const std::function<void()>& printedOut) {
    return PrintLabelRowJob(planStrip(layout, format, row), ppla, failure, sentAny, printedOut);
}

bool PrintLabelRowJob(const StripPlan& plan, PplaApi& ppla, QString* failure, bool* sentAny,
                      const std::function<void()>& printedOut) {
    if (sentAny)
        *sentAny = false;
    // A strip the printer would print without one of its fields is not sent.
    if (!plan.refused.isEmpty()) {
        *failure = refusalMessage(plan.row, plan.refused.first(), plan.codePage);
        return false;
    }
    return playStrip(plan, ppla, failure, sentAny, printedOut);
}
