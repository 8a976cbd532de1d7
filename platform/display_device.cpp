#include "platform/display_device.h"

#include <algorithm>

namespace klice::platform {

bool ClipToImage(const DibView& image, int* dx, int* dy, int* sx, int* sy, int* w, int* h) {
    if (*w <= 0 || *h <= 0) return false;
    if (*sx < 0) {
        *dx -= *sx;
        *w += *sx;
        *sx = 0;
    }
    if (*sy < 0) {
        *dy -= *sy;
        *h += *sy;
        *sy = 0;
    }
    *w = std::min(*w, image.width - *sx);
    *h = std::min(*h, image.height - *sy);
    return *w > 0 && *h > 0;
}

}  // namespace klice::platform
