// Code 128: the field the encoder builds for any 7-bit bytes reads back, the
// way the printer reads it, as exactly those bytes; 8-bit bytes are refused
// with a reason. Any bytes given to the field reader are read or refused.
#include "FuzzCheck.h"
#include "printer/Code128.h"
#include "printer/PplaDecoder.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    const QByteArray field = Code128::encodeField(bytes, &error);
    const bool sevenBit = std::all_of(bytes.begin(), bytes.end(),
                                      [](char c) { return static_cast<unsigned char>(c) < 128; });
    if (!sevenBit) {
        FUZZ_CHECK(field.isEmpty());
        FUZZ_CHECK(!error.isEmpty());
    } else {
        FUZZ_CHECK(!field.isEmpty());
        QString why;
        const auto back = decodeCode128Field(field, &why);
        FUZZ_CHECK(back.has_value());
        FUZZ_CHECK(*back == bytes);
        FUZZ_CHECK(Code128::symbolCount(field) >= 3);
    }
    QString why;
    const auto raw = decodeCode128Field(bytes, &why);
    FUZZ_CHECK(raw.has_value() || !why.isEmpty());
    return 0;
}
