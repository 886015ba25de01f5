#pragma once

class PplaApi;
class PrinterFeedback;
class StationLog;
struct Command;
struct TLabelLayout;

// vornell print-list FILE|-: prints the list file (or standard input) to the
// layout's port as the window prints its hand-typed list, reading it as it
// goes. Progress every ProgressStrips strips and the end go to the log;
// returns the exit code (station/CommandLine.h).
int runPrintList(const Command& command, const TLabelLayout& layout, PplaApi& ppla,
                 PrinterFeedback* feedback, StationLog& log);

inline constexpr int ProgressStrips = 10000;
