#pragma once

#include "tests/support/DataTable.h"

#include <QString>
#include <cstdint>

// Texts that are a 32-bit whole number or are not, as a count typed by the
// operator or a number in the settings file: the columns text, valid and
// value (0 when not valid).
inline void wholeNumberRows() {
    DataTable<QString, bool, int>({"text", "valid", "value"})
        .row("plain", "25", true, 25)
        .row("three digits", "240", true, 240)
        .row("negative", "-5", true, -5)
        .row("plus", "+7", true, 7)
        .row("leading zeros", "007", true, 7)
        .row("largest", "2147483647", true, 2147483647)
        .row("smallest", "-2147483648", true, int(INT32_MIN))
        .row("one too large", "2147483648", false, 0)
        .row("one too small", "-2147483649", false, 0)
        .row("would wrap to 1", "4294967297", false, 0)
        .row("huge", "99999999999", false, 0)
        .row("letters", "abc", false, 0)
        .row("fraction", "1.5", false, 0)
        .row("hex", "0x10", false, 0)
        .row("inner blank", "1 2", false, 0)
        .row("inner blank before zero", "1 0", false, 0)
        .row("empty", "", false, 0)
        .row("sign only", "-", false, 0)
        .row("full-width digit", QString::fromUtf8("１"), false, 0);
}
