#include "platform/pictures.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <png.h>

namespace pictures {

bool DecodePng(const unsigned char* data, std::size_t size, Picture& out, bool alpha) {
    out = Picture{};
    if (!data || size == 0) return false;
    // libpng's simplified interface reports errors through its result, so no longjmp
    // crosses C++ frames here.
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data, size)) return false;
    image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    out.width = int(image.width);
    out.height = int(image.height);
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
