// Pictures through the system's codecs: what WIC encodes it decodes back.
#include "platform/win32/wic.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/jpeg_decoder.h"
#include "platform/jpeg_encoder.h"
#include "platform/png_encoder.h"

namespace klice::platform {
namespace {

using win32::ComPtr;

// Red rising to the right, green downwards, blue on odd columns.
std::vector<uint8_t> Gradient(int width, int height) {
    std::vector<uint8_t> rgb;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            rgb.push_back(uint8_t(x * 255 / (width - 1)));
            rgb.push_back(uint8_t(y * 255 / (height - 1)));
            rgb.push_back(uint8_t(x % 2 ? 200 : 10));
        }
    return rgb;
}

TEST(Wic, PngFramesDecodeBackToTheirPixels) {
    const int width = 13, height = 7;  // rows that need padding
    const std::vector<uint8_t> rgb = Gradient(width, height);
    std::vector<uint8_t> png;
    ASSERT_TRUE(EncodePng(rgb.data(), width, height, &png));
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png[1], 'P');
    EXPECT_EQ(png[2], 'N');

    IWICImagingFactory* factory = win32::ImagingFactory();
    ASSERT_NE(factory, nullptr);
    ComPtr<IWICStream> stream;
    ASSERT_HRESULT_SUCCEEDED(factory->CreateStream(stream.Out()));
    ASSERT_HRESULT_SUCCEEDED(stream->InitializeFromMemory(png.data(), DWORD(png.size())));
    ComPtr<IWICBitmapDecoder> decoder;
    ASSERT_HRESULT_SUCCEEDED(
        factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.Out()));
    ComPtr<IWICBitmapFrameDecode> frame;
    ASSERT_HRESULT_SUCCEEDED(decoder->GetFrame(0, frame.Out()));
    UINT w = 0, h = 0;
    frame->GetSize(&w, &h);
    ASSERT_EQ(int(w), width);
    ASSERT_EQ(int(h), height);
    ComPtr<IWICBitmapSource> bgr;
    ASSERT_HRESULT_SUCCEEDED(::WICConvertBitmapSource(GUID_WICPixelFormat24bppBGR, frame.Get(), bgr.Out()));
    const UINT stride = (w * 3 + 3) / 4 * 4;
    std::vector<uint8_t> back(size_t(stride) * h);
    ASSERT_HRESULT_SUCCEEDED(bgr->CopyPixels(nullptr, stride, UINT(back.size()), back.data()));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(back[size_t(y) * stride + size_t(x) * 3 + (2 - c)], rgb[(size_t(y) * width + x) * 3 + c])
                    << x << "," << y << " channel " << c;
    EXPECT_FALSE(EncodePng(rgb.data(), 0, height, &png));
}

TEST(Wic, JpegRoundTripsAsBottomUpBlueGreenRed) {
    const int width = 16, height = 8;
    std::vector<uint8_t> rgb;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool top = y < height / 2;
            rgb.push_back(top ? 255 : 0);
            rgb.push_back(top ? 0 : 255);
            rgb.push_back(0);
        }
    std::vector<uint8_t> jpeg;
    ASSERT_TRUE(EncodeJpeg(rgb.data(), width, height, 3, false, &jpeg));
    EXPECT_FALSE(EncodeJpeg(rgb.data(), width, height, 3, true, &jpeg)) << "WIC writes no progressive JPEG";

    ASSERT_TRUE(EncodeJpeg(rgb.data(), width, height, 3, false, &jpeg));
    JpegPixels pixels;
    std::string message;
    ASSERT_EQ(DecodeJpeg(jpeg.data(), jpeg.size(), {}, &pixels, &message), JpegStatus::Ok) << message;
    ASSERT_EQ(pixels.width, width);
    ASSERT_EQ(pixels.height, height);
    EXPECT_EQ(pixels.stride, 48u);
    // The last stored row is the top one: red there, green at the bottom.
    const uint8_t* top = pixels.pixels.get() + (height - 1) * pixels.stride;
    const uint8_t* bottom = pixels.pixels.get();
    EXPECT_GT(top[2], 200);
    EXPECT_LT(top[1], 50);
    EXPECT_GT(bottom[1], 200);
    EXPECT_LT(bottom[2], 50);

    platform::budget::PictureAllowance tiny;
    tiny.bytes = 100;
    EXPECT_EQ(DecodeJpeg(jpeg.data(), jpeg.size(), tiny, &pixels, nullptr), JpegStatus::TooLarge);
    const uint8_t garbage[] = {0xFF, 0xD8, 0x37, 0x37, 0x37, 0x37};
    EXPECT_EQ(DecodeJpeg(garbage, sizeof garbage, {}, &pixels, &message), JpegStatus::Invalid);
    EXPECT_FALSE(message.empty());
}

}  // namespace
}  // namespace klice::platform
