#include "ui/Jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <stdexcept>

#include <jpeglib.h>

namespace stp {

namespace {

// libjpeg reports a fatal error through error_exit, which must not return; it jumps
// back to the decoder, which then raises once libjpeg's frames are gone.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    info->err->format_message(info, errors->message);
    std::longjmp(errors->jump, 1);
}

void IgnoreMessage(j_common_ptr) {}

// Decodes into Pixels as blue, green, red rows; false with Errors->message on failure.
bool Decode(const std::vector<std::uint8_t>& data, ErrorManager* errors, int* width, int* height,
            std::vector<std::uint8_t>* pixels) {
    jpeg_decompress_struct info{};
    info.err = jpeg_std_error(&errors->base);
    errors->base.error_exit = ErrorExit;
    errors->base.output_message = IgnoreMessage;
    if (setjmp(errors->jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    const std::size_t row = std::size_t(info.output_width) * 3;
    *width = static_cast<int>(info.output_width);
    *height = static_cast<int>(info.output_height);
    pixels->resize(row * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW line = pixels->data() + row * info.output_scanline;
        jpeg_read_scanlines(&info, &line, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    for (std::size_t i = 0; i + 2 < pixels->size(); i += 3) std::swap((*pixels)[i], (*pixels)[i + 2]);
    return true;
}

}  // namespace

TBitmap DecodeJpeg(const std::vector<std::uint8_t>& Data) {
    if (Data.empty()) throw std::runtime_error("JPEG error: empty picture");
    ErrorManager errors{};
    int width = 0;
    int height = 0;
    // Reserved before the jump point, so a jump back leaves no object half made.
    std::vector<std::uint8_t> pixels;
    if (!Decode(Data, &errors, &width, &height, &pixels))
        throw std::runtime_error(std::string("JPEG error: ") + errors.message);
    return TBitmap::FromBgr(width, height, pixels);
}

}  // namespace stp
