// Answers to <SOH>A: any bytes are an answer or refused with a reason; an
// accepted answer written back as the printer sends it reads the same.
#include "FuzzCheck.h"
#include "printer/PrinterStatus.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView answer(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    const auto status = parsePrinterStatus(answer, &error);
    if (!status) {
        FUZZ_CHECK(!error.isEmpty());
    } else {
        const QByteArray flags = status->flagText();
        FUZZ_CHECK(flags.size() == StatusFlagCount);
        const auto again = parsePrinterStatus(flags + status->more + "\r", &error);
        FUZZ_CHECK(again.has_value());
        FUZZ_CHECK(*again == *status);
        FUZZ_CHECK(!describeStatus(*status, 936).isEmpty());
        FUZZ_CHECK(!describeStatus(*status, 1252).isEmpty());
        FUZZ_CHECK(status->ready() == status->faults().isEmpty());
    }
    const QString shown = visibleBytes(answer);
    FUZZ_CHECK(shown.size() >= answer.size());
    for (QChar c : shown)
        FUZZ_CHECK(c.unicode() >= 32 && c.unicode() < 127);
    return 0;
}
