#pragma once

#include <cstdint>

// The main window's outer bounds in screen pixels, stored in the settings
// file under top, left, height and width. The defaults are the window's
// design values. The window is centred when first shown, so of the loaded
// values only height and width last.
struct WindowGeometry {
    int32_t top = 144;
    int32_t left = 273;
    int32_t height = 646;
    int32_t width = 979;

    bool operator==(const WindowGeometry&) const = default;
};
