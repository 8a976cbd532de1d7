#include "platform/jpeg_decoder.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

namespace klice::platform {

void JpegPixels::FreeDeleter::operator()(uint8_t* p) const { std::free(p); }

namespace {

// The library reports a fatal error by calling error_exit, which must not
// return. It jumps back to the setjmp in RunDecode; the only frames it
// crosses are the library's own and the callbacks below, none of which owns
// anything with a destructor.
struct ErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings (damaged but readable data) and traces are not printed.
void OnMessage(j_common_ptr, int) {}

const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

void InitSource(j_decompress_ptr) {}

// The library's source manager, and whether the data has run out.
struct Source {
    jpeg_source_mgr pub;  // first: the library sees only this
    bool ended;
};

// All the data is in the buffer from the start; asking for more means the
// data ended early. Like the library's file source, hand it an end-of-image
// marker so that it finishes with what it has.
boolean FillInputBuffer(j_decompress_ptr cinfo) {
    reinterpret_cast<Source*>(cinfo->src)->ended = true;
    WARNMS(cinfo, JWRN_JPEG_EOF);
    cinfo->src->next_input_byte = kEndOfImage;
    cinfo->src->bytes_in_buffer = 2;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    jpeg_source_mgr* src = cinfo->src;
    if (count <= 0) return;
    while (static_cast<size_t>(count) > src->bytes_in_buffer) {
        count -= static_cast<long>(src->bytes_in_buffer);
        FillInputBuffer(cinfo);
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= static_cast<size_t>(count);
}

void TermSource(j_decompress_ptr) {}

// Plain data only: it lives across the setjmp.
struct Job {
    const uint8_t* data;
    size_t size;
    budget::PictureAllowance allowance;
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    Source source;
    uint8_t* pixels;
    int width, height;
    size_t stride;
};

JpegStatus RunDecode(Job* job) {
    std::memset(&job->cinfo, 0, sizeof job->cinfo);
    job->pixels = nullptr;
    job->cinfo.err = jpeg_std_error(&job->err.pub);
    job->err.pub.error_exit = OnError;
    job->err.pub.emit_message = OnMessage;
    job->err.message[0] = '\0';
    if (setjmp(job->err.jump)) {
        jpeg_destroy_decompress(&job->cinfo);
        std::free(job->pixels);
        job->pixels = nullptr;
        return JpegStatus::Invalid;
    }
    jpeg_create_decompress(&job->cinfo);
    // The library's own buffers (a progressive image keeps all its
    // coefficients) within their budget: past it the library fails, having
    // no backing store.
    job->cinfo.mem->max_memory_to_use = static_cast<long>(std::min<uint64_t>(budget::kJpegWorkBytes, LONG_MAX));
    jpeg_source_mgr& source = job->source.pub;
    source.init_source = InitSource;
    source.fill_input_buffer = FillInputBuffer;
    source.skip_input_data = SkipInputData;
    source.resync_to_restart = jpeg_resync_to_restart;
    source.term_source = TermSource;
    source.next_input_byte = job->data;
    source.bytes_in_buffer = job->size;
    job->source.ended = false;
    job->cinfo.src = &source;

    jpeg_read_header(&job->cinfo, TRUE);
    switch (job->cinfo.jpeg_color_space) {
        case JCS_GRAYSCALE: job->cinfo.out_color_space = JCS_GRAYSCALE; break;
        case JCS_CMYK:
        case JCS_YCCK: job->cinfo.out_color_space = JCS_CMYK; break;
        default: job->cinfo.out_color_space = JCS_RGB; break;
    }
    jpeg_calc_output_dimensions(&job->cinfo);
    const uint64_t width = job->cinfo.output_width, height = job->cinfo.output_height;
    const uint64_t stride = (width * 3 + 3) / 4 * 4;  // both below 2^32: no overflow
    uint64_t bytes = 0;
    if (__builtin_mul_overflow(stride, height, &bytes) ||
        !job->allowance.Admits(int64_t(width), int64_t(height), bytes)) {
        jpeg_destroy_decompress(&job->cinfo);
        return JpegStatus::TooLarge;
    }
    job->pixels = static_cast<uint8_t*>(std::calloc(bytes == 0 ? 1 : static_cast<size_t>(bytes), 1));
    if (job->pixels == nullptr) {
        jpeg_destroy_decompress(&job->cinfo);
        return JpegStatus::OutOfMemory;
    }
    job->width = static_cast<int>(width);
    job->height = static_cast<int>(height);
    job->stride = static_cast<size_t>(stride);

    jpeg_start_decompress(&job->cinfo);
    const int components = job->cinfo.output_components;
    JSAMPARRAY row = (*job->cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&job->cinfo), JPOOL_IMAGE,
                                                     job->cinfo.output_width * components, 1);
    // Once the data of a single-scan image has run out, every further block
    // decodes from no coefficients, so all later rows are the same filler.
    // A few bytes can claim tens of thousands of rows: past the rows that
    // still blend in real data (at most an image row group decoded ahead
    // and one of upsampling context, so three are enough), the first filler
    // row is repeated instead of decoded.
    const bool single_scan = !jpeg_has_multiple_scans(&job->cinfo);
    const JDIMENSION settle_rows = 3 * JDIMENSION(job->cinfo.max_v_samp_factor) * DCTSIZE;
    JDIMENSION rows_after_end = 0;
    while (job->cinfo.output_scanline < job->cinfo.output_height) {
        const size_t y = job->cinfo.output_scanline;
        if (jpeg_read_scanlines(&job->cinfo, row, 1) != 1) break;
        uint8_t* out = job->pixels + (job->height - 1 - y) * job->stride;
        const JSAMPLE* in = row[0];
        for (size_t x = 0; x < width; ++x, out += 3) {
            if (components == 1) {
                out[0] = out[1] = out[2] = in[x];
            } else if (components == 3) {
                out[0] = in[3 * x + 2];
                out[1] = in[3 * x + 1];
                out[2] = in[3 * x];
            } else {
                // Stored inverted, as Adobe writes it: each channel times K.
                const JSAMPLE* p = in + 4 * x;
                out[0] = static_cast<uint8_t>(p[2] * p[3] / 255);
                out[1] = static_cast<uint8_t>(p[1] * p[3] / 255);
                out[2] = static_cast<uint8_t>(p[0] * p[3] / 255);
            }
        }
        if (single_scan && job->source.ended && ++rows_after_end > settle_rows) {
            const uint8_t* filler = job->pixels + (job->height - 1 - y) * job->stride;
            for (size_t below = y + 1; below < height; ++below)
                std::memcpy(job->pixels + (job->height - 1 - below) * job->stride, filler, job->stride);
            // Rows are left unread: the library is not finished, only freed.
            jpeg_destroy_decompress(&job->cinfo);
            return JpegStatus::Ok;
        }
    }
    jpeg_finish_decompress(&job->cinfo);
    jpeg_destroy_decompress(&job->cinfo);
    return JpegStatus::Ok;
}

}  // namespace

JpegStatus DecodeJpeg(const uint8_t* data, size_t size, const budget::PictureAllowance& allowance, JpegPixels* out,
                      std::string* message) {
    // Large (the library's structures): kept off the stack.
    Job* job = static_cast<Job*>(std::calloc(1, sizeof(Job)));
    if (job == nullptr) return JpegStatus::OutOfMemory;
    job->data = data;
    job->size = size;
    job->allowance = allowance;
    const JpegStatus status = RunDecode(job);
    if (status == JpegStatus::Ok) {
        out->width = job->width;
        out->height = job->height;
        out->stride = job->stride;
        out->pixels.reset(job->pixels);
    } else if (status == JpegStatus::Invalid && message != nullptr) {
        *message = job->err.message;
    }
    std::free(job);
    return status;
}

}  // namespace klice::platform
