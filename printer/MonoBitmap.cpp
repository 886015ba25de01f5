#include "printer/MonoBitmap.h"

MonoBitmap MonoBitmap::copy(int x, int y, int w, int h) const {
    MonoBitmap out = blank(w, h);
    if (x % 8 == 0) {
        for (int r = 0; r < h; ++r) {
            char* dst = out.bits.data() + r * out.rowBytes;
            const char* src = bits.constData() + (y + r) * rowBytes + x / 8;
            std::copy(src, src + out.rowBytes, dst);
            if (w % 8)
                dst[out.rowBytes - 1] = static_cast<char>(
                    static_cast<unsigned char>(dst[out.rowBytes - 1]) & (0xff00 >> (w % 8)));
        }
        return out;
    }
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c)
            if (pixel(x + c, y + r))
                out.set(c, r);
    return out;
}
