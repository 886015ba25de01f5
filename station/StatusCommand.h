#pragma once

#include <QProcessEnvironment>

class PplaApi;
class PrinterFeedback;
class StationLog;
struct TLabelLayout;

// vornell status: connects to the database, then opens every configured port
// (and the layout's) as a strip would and asks its printer where it can
// answer. One line each on standard output, problems on standard error.
// Exit code 0 when the database and the layout's port are usable, otherwise
// 4 (database), 5 (layout's port) or 6 (both). With json the same checks are
// one JSON object on standard output instead.
int runStatus(const QProcessEnvironment& env, const TLabelLayout& layout, PplaApi& ppla,
              PrinterFeedback& feedback, StationLog& log, bool json = false);
