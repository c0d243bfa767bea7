#pragma once
// The position a progress bar shows for a percentage reported by the engine.

namespace ui {

// `percent` rounded to the nearest whole number, a half to the even neighbour, and kept
// within 0 to 100 (a value outside, or not a number, cannot move a bar past its ends).
int ProgressPosition(float percent);

} // namespace ui
