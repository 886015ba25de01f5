#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// What a PPLA printer says about itself when asked with <SOH>A: one Y or N per
// condition, in this order, then CR. Some models send further Y/N characters
// before the CR; they are kept in `more` but mean nothing here.
enum class StatusFlag {
    InterpreterBusy, // a format is being read and imaged
    PaperOut,        // out of paper, or a paper fault
    RibbonOut,       // out of ribbon, or a ribbon fault
    PrintingBatch,   // labels of a batch are still to come
    BusyPrinting,    // the print head is printing
    Paused,          // paused by its operator
    LabelPresented,  // a printed label waits to be taken
    RewinderFault,   // the rewinder is out or has a fault
};
inline constexpr int StatusFlagCount = 8;

// The request and how long an answer may take unless a caller says otherwise.
inline constexpr char StatusRequest[] = "\x01"
                                        "A";
inline constexpr int DefaultStatusTimeoutMs = 1000;
// An answer longer than this is not a status answer.
inline constexpr int MaxStatusAnswerBytes = 64;

struct PrinterStatus {
    std::array<bool, StatusFlagCount> flags{};
    QByteArray more; // Y/N characters after the eighth, as sent

    bool has(StatusFlag flag) const { return flags[static_cast<size_t>(flag)]; }
    void set(StatusFlag flag, bool on = true) { flags[static_cast<size_t>(flag)] = on; }

    // Able to print: no paper, ribbon or rewinder fault and not paused. A busy
    // printer is ready; it prints what it receives after what it has.
    bool ready() const;
    // Interpreting, printing or with labels of a batch still to print.
    bool busy() const;
    // The conditions that keep it from printing, in flag order.
    QList<StatusFlag> faults() const;
    // The eight flags as the printer sends them, e.g. "NYNNNNNN".
    QByteArray flagText() const;

    bool operator==(const PrinterStatus&) const = default;
};

// Reads one answer to <SOH>A: at least eight Y/N characters then CR, nothing
// after the CR but line ends; a leading LF (the end of an earlier CR LF answer)
// is allowed. Anything else, including an answer without its CR, is no answer:
// nullopt with the reason in *error.
std::optional<PrinterStatus> parsePrinterStatus(QByteArrayView answer, QString* error = nullptr);

// Plain words for one condition, "the printer is paused", in the interface
// language of the code page (936 Chinese, anything else English). Callers put
// the port in front: "USB1: the printer is paused".
QString statusFlagText(StatusFlag flag, int32_t codePage);

// The faults in plain words joined with "; ", or that the printer is ready.
QString describeStatus(const PrinterStatus& status, int32_t codePage);

// Bytes as readable text for error messages: printable ASCII as is, the rest
// as <CR>, <LF>, <SOH> or <xNN>.
QString visibleBytes(QByteArrayView bytes);
