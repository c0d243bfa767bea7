#include "ui/progress.h"

#include <cmath>

namespace ui {

int ProgressPosition(float percent) {
    if (!(percent > 0.0f)) return 0; // also not a number
    if (percent >= 100.0f) return 100;
    // The default floating-point rounding is to nearest with ties to even.
    return int(std::nearbyint(double(percent)));
}

} // namespace ui
