#pragma once
// The pictures built into the program (see resources/draw-artwork.py).
#include <cstddef>

namespace resources {

struct Blob {
    const unsigned char* data;
    std::size_t size;
};

Blob Banner();        // PNG, 217 x 435, 16 bits per channel RGB
Blob BrowsePicture(); // JPEG, 23 x 23, baseline
Blob Icon();          // PNG, 32 x 32, 256 colours

} // namespace resources
