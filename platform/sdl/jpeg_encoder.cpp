#include "platform/jpeg_encoder.h"

#include <cstdio>
#include <cstdlib>

extern "C" {
#include <jpeglib.h>
}

namespace klice::platform {

bool EncodeJpeg(const uint8_t* samples, int width, int height, int components, bool progressive,
                std::vector<uint8_t>* out) {
    if (width <= 0 || height <= 0 || (components != 1 && components != 3)) return false;
    // The library's default error handler ends the program; nothing here can
    // fail but memory.
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = components == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples + size_t(cinfo.next_scanline) * size_t(width) * components);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    out->assign(buffer, buffer + size);
    std::free(buffer);
    return true;
}

}  // namespace klice::platform
