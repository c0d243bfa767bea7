#include "platform/pictures.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <png.h>

namespace pictures {

namespace {

struct MemoryReader {
    const unsigned char* data;
    std::size_t size;
    std::size_t at;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* source = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (length > source->size - source->at) png_error(png, "picture data ends early");
    std::memcpy(out, source->data + source->at, length);
    source->at += length;
}

void PngQuiet(png_structp, png_const_charp) {}

// The samples are taken as stored: 16-bit channels are scaled to 8 bits, no gamma is
// applied (a 16-bit picture would otherwise be read as linear light and come out pale).
// Only plain C objects live in this frame, so libpng's longjmp on an error skips nothing
// that needs destroying; `pixels` belongs to the caller.
bool DecodePngInto(const unsigned char* data, std::size_t size, bool alpha, int& width, int& height,
                   std::vector<unsigned char>& pixels) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngQuiet, PngQuiet);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    MemoryReader source{data, size, 0};
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &source, ReadFromMemory);
    png_read_info(png, info);
    png_set_scale_16(png);
    png_set_packing(png);
    png_set_expand(png); // palette and small grey depths to 8 bits, tRNS to alpha
    png_set_gray_to_rgb(png);
    if (alpha)
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    else
        png_set_strip_alpha(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    const std::size_t stride = png_get_rowbytes(png, info);
    if (w == 0 || h == 0 || stride != std::size_t(w) * (alpha ? 4 : 3)) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    pixels.resize(stride * h);
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < h; ++y)
            png_read_row(png, pixels.data() + y * stride, nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    width = int(w);
    height = int(h);
    return true;
}

} // namespace

bool DecodePng(const unsigned char* data, std::size_t size, Picture& out, bool alpha) {
    out = Picture{};
    if (!data || size == 0) return false;
    std::vector<unsigned char> pixels;
    int width = 0, height = 0;
    if (!DecodePngInto(data, size, alpha, width, height, pixels)) return false;
    out.width = width;
    out.height = height;
    out.pixels = std::move(pixels);
    return true;
}

namespace {

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void JpegFail(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

void JpegQuiet(j_common_ptr) {}

// Only plain C objects live in this frame, so the longjmp of an error skips nothing that
// needs destroying. `rows` is sized by the caller once the header is known.
bool DecodeJpegInto(const unsigned char* data, std::size_t size, int& width, int& height,
                    std::vector<unsigned char>& rows) {
    jpeg_decompress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JpegFail;
    error.manager.output_message = JpegQuiet;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_components != 3) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    width = int(info.output_width);
    height = int(info.output_height);
    rows.resize(std::size_t(width) * height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = rows.data() + std::size_t(info.output_scanline) * width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

bool DecodeJpeg(const unsigned char* data, std::size_t size, Picture& out) {
    out = Picture{};
    if (!data || size == 0) return false;
    std::vector<unsigned char> pixels;
    int width = 0, height = 0;
    if (!DecodeJpegInto(data, size, width, height, pixels)) return false;
    out.width = width;
    out.height = height;
    out.pixels = std::move(pixels);
    return true;
}

} // namespace pictures
