#pragma once
// Decoding the embedded pictures from memory. Nothing is read from disk.
#include <cstddef>
#include <vector>

namespace pictures {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels; // 8 bits per channel, row after row
};

// PNG of any bit depth and colour type (16-bit channels are reduced to 8). The pixels are
// RGB, or RGBA with `alpha`. Returns false, leaving `out` empty, when the data is not a
// picture libpng can decode.
bool DecodePng(const unsigned char* data, std::size_t size, Picture& out, bool alpha);

// JPEG (baseline or progressive) into RGB. Returns false, leaving `out` empty, when the
// data is not a picture libjpeg can decode.
bool DecodeJpeg(const unsigned char* data, std::size_t size, Picture& out);

} // namespace pictures
