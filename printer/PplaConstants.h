#pragma once

// Framing bytes of the PPLA command language and the printer facts the driver
// relies on. Values that differ between printer models are kept here.
namespace Ppla {
inline constexpr char SOH = '\x01';
inline constexpr char STX = '\x02';
inline constexpr char CR = '\r';

// Resolution of the print head, dots per inch (300 is the other common head).
inline constexpr int DefaultDpi = 203;
// One label of the strip: 30 mm x 10 mm, in dots at 203 dpi.
inline constexpr int DefaultLabelWidthDots = 240;
inline constexpr int DefaultLabelHeightDots = 80;
inline constexpr int DefaultLabelsAcross = 3;

// Positions and heights go to the printer in 0.1 mm (metric mode, <STX>m).
inline constexpr int UnitsPerInch = 254;

// Image rows are at most 255 bytes (2040 dots) wide.
inline constexpr int MaxImageRowBytes = 255;
// Names of downloaded images are at most 16 characters.
inline constexpr int MaxImageNameLength = 16;
// Darkness values sent as Hnn; the range a model takes may be narrower.
inline constexpr int MinDarkness = 0;
inline constexpr int MaxDarkness = 30;
// Bar widths go out as one character, 0-9 then A-O.
inline constexpr int MaxBarWidthDots = 24;

// Conversions between dots and printer units, rounded to the nearest.
inline int dotsToUnits(int dots, int dpi) {
    const long long n = static_cast<long long>(dots) * UnitsPerInch;
    return static_cast<int>(n >= 0 ? (n + dpi / 2) / dpi : -((-n + dpi / 2) / dpi));
}
inline int unitsToDots(int units, int dpi, int unitsPerInch = UnitsPerInch) {
    const long long n = static_cast<long long>(units) * dpi;
    return static_cast<int>(n >= 0 ? (n + unitsPerInch / 2) / unitsPerInch
                                   : -((-n + unitsPerInch / 2) / unitsPerInch));
}
} // namespace Ppla
