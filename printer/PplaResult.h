#pragma once

// Results of the ten printer operations. 0 is success; every failure is a
// positive code and leaves its reason in PplaApi::lastErrorText().
namespace PplaResult {
inline constexpr int Ok = 0;
inline constexpr int NotOpen = 1;         // no port is open
inline constexpr int InvalidArgument = 2; // an argument the driver cannot print
inline constexpr int OpenFailed = 3;      // the port could not be opened
inline constexpr int WriteFailed = 4;     // the port did not take all the bytes
inline constexpr int NoDevice = 5;        // no USB printer of that number
} // namespace PplaResult
