// The display on the real DirectDraw of the system (wine's, in CI), behind
// the platform's display interface: the mode, pixel reads through GDI,
// colour keys, the clipper, the DIB copy, text, loss and restore.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/application.h"
#include "platform/display_device.h"
#include "platform/win32/ddraw_core.h"
#include "platform/win32/ddraw_display.h"
#include "platform/win32/gdi_context.h"
#include "platform/win32/win32.h"
#include "platform/win32/win32_window.h"
// After <windows.h>:
#include <ddraw.h>

namespace klice::platform {
namespace {

constexpr int kWidth = 1024, kHeight = 768;

bool Offers(DisplayDevice& device, int width, int height, int bits) {
    for (const DisplayMode& m : device.EnumDisplayModes())
        if (m.width == width && m.height == height && m.bits == bits) return true;
    return false;
}

// A surface's raw pixel at (x, y), read through a lock.
uint32_t RawAt(PlatformSurface& s, int x, int y) {
    void* pixels = nullptr;
    int pitch = 0;
    if (s.Lock(&pixels, &pitch) != Result::Ok) return 0xDEADBEEF;
    uint32_t v = 0;
    std::memcpy(&v, static_cast<uint8_t*>(pixels) + size_t(y) * pitch + size_t(x) * BytesPerPixel(s.Format()),
                size_t(BytesPerPixel(s.Format())));
    s.Unlock();
    return v;
}

void SetRaw(PlatformSurface& s, int x, int y, uint32_t v) {
    void* pixels = nullptr;
    int pitch = 0;
    ASSERT_EQ(s.Lock(&pixels, &pitch), Result::Ok);
    std::memcpy(static_cast<uint8_t*>(pixels) + size_t(y) * pitch + size_t(x) * BytesPerPixel(s.Format()), &v,
                size_t(BytesPerPixel(s.Format())));
    ASSERT_EQ(s.Unlock(), Result::Ok);
}

// The game's display on the real system: the full-screen window, the
// exclusive level and 1024 x 768 x 16, a primary and a back surface.
class DirectDrawDevice : public ::testing::Test {
protected:
    void SetUp() override {
        desktop_ = win32::DesktopMode();
        app_.SetErrorSink([](const std::string&) {});
        app_.Window().Show();
        window_ = static_cast<HWND>(win32::MainWindowHandle());
        ASSERT_NE(window_, nullptr);
        Activate(window_);
        Result result = Result::Generic;
        device_ = CreateDisplayDevice(&result);
        ASSERT_TRUE(device_) << "no display: result " << int(result);
        ASSERT_EQ(device_->SetCooperativeLevel(true), Result::Ok);
        if (!Offers(*device_, kWidth, kHeight, 16))
            GTEST_SKIP() << "this screen offers no 1024 x 768 x 16 (wine on an X screen of another size; "
                            "scripts/test-windows.sh runs this program in a 1024 x 768 virtual desktop)";
        ASSERT_EQ(device_->SetDisplayMode(kWidth, kHeight, 16), Result::Ok);
        ASSERT_EQ(device_->CreatePrimarySurface(&primary_), Result::Ok);
        ASSERT_EQ(device_->CreateSurface(kWidth, kHeight, false, &back_), Result::Ok);
        primary_->SetClipper(true);
        ASSERT_EQ(back_->Fill(0), Result::Ok);
    }
    void TearDown() override {
        back_.reset();
        primary_.reset();
        device_.reset();
    }

    // Lets the system deliver its messages, then dispatches them.
    void Pump() {
        for (int i = 0; i < 5; ++i) {
            ::Sleep(10);
            app_.ProcessEvents();
        }
    }
    void Activate(HWND window) {
        ::SetForegroundWindow(window);
        Pump();
    }
    std::unique_ptr<PlatformSurface> Surface(int width, int height, bool system_memory = false) {
        std::unique_ptr<PlatformSurface> s;
        EXPECT_EQ(device_->CreateSurface(width, height, system_memory, &s), Result::Ok);
        return s;
    }
    uint32_t Pack(uint8_t r, uint8_t g, uint8_t b) const { return PackRgb(back_->Format(), r, g, b); }

    Application app_{ApplicationMode::Windowed};
    HWND window_ = nullptr;
    DisplayMode desktop_;
    std::unique_ptr<DisplayDevice> device_;
    std::unique_ptr<PlatformSurface> primary_, back_;
};

TEST_F(DirectDrawDevice, SetsTheGamesModeAndGivesTheDesktopItsModeBack) {
    EXPECT_NE(win32::ActiveSystemDisplay(), nullptr) << "a windowed application gets DirectDraw";
    const DisplayMode now = win32::DesktopMode();
    EXPECT_EQ(now.width, kWidth);
    EXPECT_EQ(now.height, kHeight);
    EXPECT_EQ(now.bits, 16);
    EXPECT_EQ(device_->CurrentMode().bits, 16);
    EXPECT_EQ(primary_->Width(), kWidth);
    EXPECT_EQ(primary_->Height(), kHeight);
    const PixelFormat f = back_->Format();
    EXPECT_EQ(f.bits, 16);
    EXPECT_EQ(f.r_mask, 0xF800u);
    EXPECT_EQ(f.g_mask, 0x07E0u);
    EXPECT_EQ(f.b_mask, 0x001Fu);
    EXPECT_TRUE(back_->InVideoMemory());
    // The exclusive window covers the screen of the new mode.
    RECT client{};
    ::GetClientRect(window_, &client);
    EXPECT_EQ(client.right, kWidth);
    EXPECT_EQ(client.bottom, kHeight);

    TearDown();
    const DisplayMode after = win32::DesktopMode();
    EXPECT_EQ(after.width, desktop_.width);
    EXPECT_EQ(after.height, desktop_.height);
    EXPECT_EQ(after.bits, desktop_.bits);
}

TEST_F(DirectDrawDevice, PixelReadsGiveBlackAsZeroPureRedAs255AndOutsideAsAllOnes) {
    auto red = Surface(8, 8);
    ASSERT_EQ(red->Fill(Pack(255, 0, 0)), Result::Ok);
    ASSERT_EQ(back_->BltFast(100, 100, *red, Rect{0, 0, 8, 8}, false), Result::Ok);
    const uint32_t grey = Pack(0x84, 0x82, 0x84);  // 0x8410: channels 16, 32 and 16 of 31, 63, 31
    SetRaw(*back_, 200, 200, grey);

    DeviceContext* dc = nullptr;
    ASSERT_EQ(back_->GetDC(&dc), Result::Ok);
    EXPECT_EQ(dc->GetPixel(50, 50), 0u);
    EXPECT_EQ(dc->GetPixel(100, 100), 255u);
    EXPECT_EQ(dc->GetPixel(107, 107), 255u);
    EXPECT_EQ(dc->GetPixel(200, 200), RawToColor(back_->Format(), grey));
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {kWidth, 0}, {0, kHeight}, {kWidth, kHeight}})
        EXPECT_EQ(dc->GetPixel(x, y), 0xFFFFFFFFu) << x << "," << y;
    // The system's own GetPixel, not only ours, reads the exact values.
    HDC handle = static_cast<win32::GdiContext*>(dc)->Handle();
    EXPECT_EQ(::GetPixel(handle, 100, 100), 0x0000FFu);
    EXPECT_EQ(::GetPixel(handle, 50, 50), 0u);
    // A device context out blocks the lock, as the display expects.
    void* pixels = nullptr;
    int pitch = 0;
    EXPECT_NE(back_->Lock(&pixels, &pitch), Result::Ok);
    EXPECT_EQ(back_->ReleaseDC(dc), Result::Ok);
    EXPECT_EQ(back_->ReleaseDC(dc), Result::InvalidParams);
}

TEST_F(DirectDrawDevice, KeyedBlitsLeaveTheDestinationWhereTheSourceHasTheKey) {
    const uint32_t key = Pack(255, 0, 255), a = Pack(0, 255, 0), b = Pack(0, 0, 255), under = Pack(100, 100, 100);
    auto source = Surface(4, 1);
    const uint32_t row[4] = {key, a, key, b};
    for (int x = 0; x < 4; ++x) SetRaw(*source, x, 0, row[x]);
    ASSERT_EQ(source->SetColorKey(key), Result::Ok);
    EXPECT_TRUE(source->HasColorKey());
    EXPECT_EQ(source->ColorKey(), key);
    ASSERT_EQ(back_->Fill(under), Result::Ok);

    ASSERT_EQ(back_->Blt(Rect{0, 0, 4, 1}, *source, Rect{0, 0, 4, 1}, true), Result::Ok);
    ASSERT_EQ(back_->BltFast(0, 1, *source, Rect{0, 0, 4, 1}, true), Result::Ok);
    ASSERT_EQ(back_->Blt(Rect{0, 2, 4, 3}, *source, Rect{0, 0, 4, 1}, false), Result::Ok);
    ASSERT_EQ(back_->Blt(Rect{0, 3, 4, 4}, *source, Rect{0, 0, 4, 1}, true, true), Result::Ok);
    const uint32_t expect[4][4] = {{under, a, under, b},   // keyed
                                   {under, a, under, b},   // keyed, fast
                                   {key, a, key, b},       // the key copied too
                                   {b, under, a, under}};  // keyed, mirrored
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(RawAt(*back_, x, y), expect[y][x]) << x << "," << y;
}

TEST_F(DirectDrawDevice, AFastBlitOntoASurfaceWithAClipperIsRefusedAndABlitClips) {
    auto source = Surface(16, 16);
    ASSERT_EQ(source->Fill(Pack(255, 255, 0)), Result::Ok);
    auto dest = Surface(32, 32);
    ASSERT_EQ(dest->Fill(0), Result::Ok);
    ASSERT_EQ(dest->SetClipper(true), Result::Ok);
    EXPECT_EQ(dest->BltFast(0, 0, *source, Rect{0, 0, 16, 16}, false), Result::Clipper);
    // Half outside: the clipper cuts it to the surface.
    EXPECT_EQ(dest->Blt(Rect{24, 24, 40, 40}, *source, Rect{0, 0, 16, 16}, false), Result::Ok);
    EXPECT_EQ(RawAt(*dest, 31, 31), Pack(255, 255, 0));
    EXPECT_EQ(RawAt(*dest, 23, 23), 0u);
    // Without the clipper a rectangle outside the surface is refused.
    ASSERT_EQ(dest->SetClipper(false), Result::Ok);
    EXPECT_EQ(dest->Blt(Rect{24, 24, 40, 40}, *source, Rect{0, 0, 16, 16}, false), Result::InvalidParams);
    EXPECT_EQ(dest->BltFast(0, 0, *source, Rect{0, 0, 16, 16}, false), Result::Ok);
}

TEST_F(DirectDrawDevice, TheDibCopyPacksEveryChannelValueAsTheGameConvertsColours) {
    // A 24-bit picture of 256 x 3: every red, green and blue value alone.
    constexpr int w = 256, h = 3, stride = w * 3;
    std::vector<uint8_t> pixels(size_t(stride) * h);
    for (int v = 0; v < 256; ++v) {
        uint8_t* rows[3] = {&pixels[size_t(2) * stride], &pixels[size_t(1) * stride], &pixels[0]};  // top row last
        rows[0][v * 3 + 2] = uint8_t(v);                                                            // red
        rows[1][v * 3 + 1] = uint8_t(v);                                                            // green
        rows[2][v * 3 + 0] = uint8_t(v);                                                            // blue
    }
    DibView picture{w, h, 24, stride, pixels.data()};
    // And an 8-bit picture of its palette's 256 colours.
    std::vector<uint8_t> indices(256), table(1024);
    for (int i = 0; i < 256; ++i) {
        indices[size_t(i)] = uint8_t(i);
        table[size_t(i) * 4 + 0] = uint8_t(i * 7);    // blue
        table[size_t(i) * 4 + 1] = uint8_t(i * 13);   // green
        table[size_t(i) * 4 + 2] = uint8_t(255 - i);  // red
    }
    DibView indexed{256, 1, 8, 256, indices.data(), table.data()};

    DeviceContext* dc = nullptr;
    ASSERT_EQ(back_->GetDC(&dc), Result::Ok);
    dc->CopyDib(10, 20, picture, 0, 0, w, h);
    dc->CopyDib(10, 30, indexed, 0, 0, 256, 1);
    // A rectangle from inside the picture: its second row only.
    dc->CopyDib(10, 40, picture, 100, 1, 20, 1);
    ASSERT_EQ(back_->ReleaseDC(dc), Result::Ok);
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(RawAt(*back_, 10 + v, 20), Pack(uint8_t(v), 0, 0)) << "red " << v;
        EXPECT_EQ(RawAt(*back_, 10 + v, 21), Pack(0, uint8_t(v), 0)) << "green " << v;
        EXPECT_EQ(RawAt(*back_, 10 + v, 22), Pack(0, 0, uint8_t(v))) << "blue " << v;
        EXPECT_EQ(RawAt(*back_, 10 + v, 30), Pack(uint8_t(255 - v), uint8_t(v * 13), uint8_t(v * 7))) << v;
    }
    EXPECT_EQ(RawAt(*back_, 10, 40), Pack(0, 100, 0));
    EXPECT_EQ(RawAt(*back_, 29, 40), Pack(0, 119, 0));
    EXPECT_EQ(RawAt(*back_, 30, 40), 0u);
}

TEST_F(DirectDrawDevice, TextWithAClearBackgroundLeavesThePixelsBetweenItsStrokes) {
    // The same text on a plain surface and on a striped one: wherever the
    // plain one kept its colour, the striped one keeps its stripes.
    const std::string text = "Na\xE8\xEDt\xE1m data...";  // Windows-1250
    const uint32_t plain = Pack(40, 80, 160), stripe[2] = {Pack(200, 200, 0), Pack(0, 120, 60)};
    auto striped = Surface(640, 80);
    auto solid = Surface(640, 80);
    ASSERT_EQ(solid->Fill(plain), Result::Ok);
    {
        void* p = nullptr;
        int pitch = 0;
        ASSERT_EQ(striped->Lock(&p, &pitch), Result::Ok);
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 640; ++x) {
                const uint16_t v = uint16_t(stripe[(x / 3 + y) % 2]);
                std::memcpy(static_cast<uint8_t*>(p) + size_t(y) * pitch + size_t(x) * 2, &v, 2);
            }
        striped->Unlock();
    }
    for (PlatformSurface* s : {striped.get(), solid.get()}) {
        DeviceContext* dc = nullptr;
        ASSERT_EQ(s->GetDC(&dc), Result::Ok);
        dc->TextOut(10, 5, text, 51, 0x000000);
        ASSERT_EQ(s->ReleaseDC(dc), Result::Ok);
    }
    int strokes = 0, between = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 640; ++x) {
            if (RawAt(*solid, x, y) != plain) {
                ++strokes;
                continue;
            }
            if (x < 10 || x > 400 || y < 5) continue;
            ++between;
            ASSERT_EQ(RawAt(*striped, x, y), stripe[(x / 3 + y) % 2]) << x << "," << y;
        }
    EXPECT_GT(strokes, 2000) << "the text was drawn";
    EXPECT_GT(between, 10000) << "its cell was not filled";
}

TEST_F(DirectDrawDevice, WithoutTheFocusTheSurfacesAreLostUntilItReturns) {
    auto picture = Surface(16, 16);
    ASSERT_EQ(picture->Fill(Pack(0, 255, 0)), Result::Ok);
    app_.PostFocus(false);
    app_.ProcessEvents();
    for (PlatformSurface* s : {primary_.get(), back_.get(), picture.get()}) {
        EXPECT_TRUE(s->IsLost());
        EXPECT_EQ(s->Restore(), Result::SurfaceLost) << "refused while the focus is away";
    }
    EXPECT_EQ(back_->Fill(0), Result::SurfaceLost);
    EXPECT_EQ(back_->BltFast(0, 0, *picture, Rect{0, 0, 16, 16}, false), Result::SurfaceLost);
    DeviceContext* dc = nullptr;
    EXPECT_EQ(back_->GetDC(&dc), Result::SurfaceLost);

    app_.PostFocus(true);
    app_.ProcessEvents();
    for (PlatformSurface* s : {primary_.get(), back_.get(), picture.get()}) {
        EXPECT_EQ(s->Restore(), Result::Ok);
        EXPECT_FALSE(s->IsLost());
    }
    // What a lost surface held is gone: the owner draws it again.
    EXPECT_NE(RawAt(*picture, 0, 0), Pack(0, 255, 0));
    EXPECT_EQ(picture->Fill(Pack(0, 255, 0)), Result::Ok);
    EXPECT_EQ(back_->BltFast(0, 0, *picture, Rect{0, 0, 16, 16}, false), Result::Ok);
    EXPECT_EQ(RawAt(*back_, 5, 5), Pack(0, 255, 0));
}

// Another program taking the exclusive display: a second DirectDraw object,
// with a window of its own, sets another mode.
TEST_F(DirectDrawDevice, AnotherProgramTakingTheDisplayLosesTheSurfacesUntilItGivesItBack) {
    using Create = HRESULT(WINAPI*)(GUID*, IDirectDraw**, IUnknown*);
    HMODULE library = ::LoadLibraryA("DDraw.dll");
    ASSERT_NE(library, nullptr);
    auto create = reinterpret_cast<Create>(reinterpret_cast<void*>(::GetProcAddress(library, "DirectDrawCreate")));
    IDirectDraw* other = nullptr;
    ASSERT_TRUE(create && SUCCEEDED(create(nullptr, &other, nullptr)));
    HWND other_window = ::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr,
                                          nullptr, ::GetModuleHandleW(nullptr), nullptr);
    Activate(other_window);
    ASSERT_TRUE(SUCCEEDED(other->SetCooperativeLevel(other_window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN)));
    const HRESULT taken = other->SetDisplayMode(800, 600, 32);
    if (FAILED(taken)) {
        other->Release();
        ::DestroyWindow(other_window);
        ::FreeLibrary(library);
        GTEST_SKIP() << "wine cannot change this X screen's mode (0x" << std::hex << taken
                     << "), so another program cannot take the display from us here; "
                        "scripts/test-windows.sh runs this program in a virtual desktop, where it can";
    }
    Pump();
    EXPECT_TRUE(primary_->IsLost());
    EXPECT_TRUE(back_->IsLost());
    EXPECT_NE(back_->Restore(), Result::Ok);
    // The system itself lost them, not only the focus mark of ours.
    for (PlatformSurface* s : {primary_.get(), back_.get()}) {
        auto* system = dynamic_cast<win32::DDrawSurface*>(s);
        ASSERT_NE(system, nullptr);
        EXPECT_EQ(system->System()->IsLost(), DDERR_SURFACELOST);
    }

    // The other program ends; ours is in front again.
    other->RestoreDisplayMode();
    other->SetCooperativeLevel(other_window, DDSCL_NORMAL);
    other->Release();
    ::DestroyWindow(other_window);
    ::FreeLibrary(library);
    Activate(window_);
    EXPECT_NE(win32::DesktopMode().bits, 16) << "the other program gave the desktop its own mode back";
    EXPECT_TRUE(primary_->IsLost());
    EXPECT_EQ(primary_->Restore(), Result::Ok) << "our mode is set again";
    EXPECT_EQ(back_->Restore(), Result::Ok);
    EXPECT_FALSE(primary_->IsLost());
    EXPECT_FALSE(back_->IsLost());
    const DisplayMode mode = win32::DesktopMode();
    EXPECT_EQ(mode.width, kWidth);
    EXPECT_EQ(mode.bits, 16);
    // And presents again.
    const uint64_t before = app_.PresentCount();
    ASSERT_EQ(back_->Fill(Pack(255, 0, 0)), Result::Ok);
    EXPECT_EQ(primary_->Blt(Rect{0, 0, kWidth, kHeight}, *back_, Rect{0, 0, kWidth, kHeight}, false), Result::Ok);
    EXPECT_EQ(app_.PresentCount(), before + 1);
    EXPECT_EQ(app_.LastFrame().Pixel(500, 400), 255u);
}

TEST_F(DirectDrawDevice, ATallOrderOfVideoMemoryFailsAndSystemMemoryServes) {
    // Video memory is finite; surfaces of 32 MB each run it out.
    std::vector<std::unique_ptr<PlatformSurface>> taken;
    Result result = Result::Ok;
    for (int i = 0; i < 256 && result == Result::Ok; ++i) {
        std::unique_ptr<PlatformSurface> s;
        result = device_->CreateSurface(4096, 4096, false, &s);
        if (result == Result::Ok) {
            EXPECT_TRUE(s->InVideoMemory());
            taken.push_back(std::move(s));
        }
    }
    ASSERT_EQ(result, Result::OutOfMemory) << "after " << taken.size() << " surfaces";
    std::unique_ptr<PlatformSurface> in_system;
    ASSERT_EQ(device_->CreateSurface(1024, 768, true, &in_system), Result::Ok);
    EXPECT_FALSE(in_system->InVideoMemory());
}

TEST_F(DirectDrawDevice, PresentingCountsAndTheFrameReadsBackAsShown) {
    const uint64_t before = app_.PresentCount();
    ASSERT_EQ(back_->Fill(Pack(0, 0, 255)), Result::Ok);
    auto red = Surface(8, 8);
    ASSERT_EQ(red->Fill(Pack(255, 0, 0)), Result::Ok);
    ASSERT_EQ(back_->BltFast(1016, 760, *red, Rect{0, 0, 8, 8}, false), Result::Ok);
    ASSERT_EQ(device_->WaitForVerticalBlank(), Result::Ok);
    ASSERT_EQ(primary_->Blt(Rect{0, 0, kWidth, kHeight}, *back_, Rect{0, 0, kWidth, kHeight}, false), Result::Ok);
    EXPECT_EQ(app_.PresentCount(), before + 1);
    const Frame frame = app_.LastFrame();
    ASSERT_EQ(frame.width, kWidth);
    ASSERT_EQ(frame.height, kHeight);
    EXPECT_EQ(frame.Pixel(0, 0), 0xFF0000u);
    EXPECT_EQ(frame.Pixel(1023, 767), 0x0000FFu);
    // The screen itself, through GDI.
    HDC screen = ::GetDC(nullptr);
    EXPECT_EQ(::GetPixel(screen, 1020, 765), 0x0000FFu);
    ::ReleaseDC(nullptr, screen);
}

// Alt+Enter: a window on the desktop's mode, the frame letterboxed in it,
// and back to the exclusive full screen.
TEST_F(DirectDrawDevice, AWindowShowsTheFrameScaledIntoItAndFullScreenComesBack) {
    ASSERT_EQ(back_->Fill(Pack(255, 0, 0)), Result::Ok);
    app_.Window().SetFullScreen(false);
    Pump();
    EXPECT_EQ(win32::DesktopMode().bits, desktop_.bits) << "the desktop has its own mode in a window";
    EXPECT_TRUE(back_->IsLost());
    ASSERT_EQ(primary_->Restore(), Result::Ok);
    ASSERT_EQ(back_->Restore(), Result::Ok);
    EXPECT_EQ(back_->Format().bits, 16) << "the frame keeps the game's format";
    ASSERT_EQ(back_->Fill(Pack(255, 0, 0)), Result::Ok);
    ::SetWindowPos(window_, nullptr, 0, 0, 600, 500, SWP_NOZORDER | SWP_NOMOVE);
    Pump();
    ASSERT_EQ(primary_->Blt(Rect{0, 0, kWidth, kHeight}, *back_, Rect{0, 0, kWidth, kHeight}, false), Result::Ok);
    RECT client{};
    ::GetClientRect(window_, &client);
    const LetterboxRect box = SharpLetterbox(client.right, client.bottom, kWidth, kHeight);
    ASSERT_GT(box.height, 0);
    POINT centre{box.x + box.width / 2, box.y + box.height / 2}, bar{box.x + box.width / 2, box.y / 2};
    ::ClientToScreen(window_, &centre);
    ::ClientToScreen(window_, &bar);
    HDC screen = ::GetDC(nullptr);
    // Wine puts a window's frame on the X screen a little later.
    for (int i = 0; i < 100 && (::GetPixel(screen, centre.x, centre.y) & 0xFFFFFF) != 0x0000FF; ++i) ::Sleep(20);
    EXPECT_EQ(::GetPixel(screen, centre.x, centre.y) & 0xFFFFFF, 0x0000FFu) << "the frame, scaled";
    if (box.y > 1) {
        EXPECT_EQ(::GetPixel(screen, bar.x, bar.y) & 0xFFFFFF, 0u) << "a black bar";
    }
    ::ReleaseDC(nullptr, screen);
    EXPECT_EQ(app_.LastFrame().Pixel(512, 384), 255u);

    app_.Window().SetFullScreen(true);
    Pump();
    const DisplayMode mode = win32::DesktopMode();
    EXPECT_EQ(mode.width, kWidth);
    EXPECT_EQ(mode.bits, 16);
    EXPECT_EQ(primary_->Restore(), Result::Ok);
    EXPECT_EQ(back_->Restore(), Result::Ok);
    ASSERT_EQ(back_->Fill(Pack(0, 255, 0)), Result::Ok);
    ASSERT_EQ(primary_->Blt(Rect{0, 0, kWidth, kHeight}, *back_, Rect{0, 0, kWidth, kHeight}, false), Result::Ok);
    EXPECT_EQ(app_.LastFrame().Pixel(512, 384), 0x00FF00u);
}

TEST(DirectDrawLibrary, AMissingLibraryOrVersion4InterfaceIsReported) {
    Application app(ApplicationMode::Windowed);
    Result result = Result::Ok;
    win32::SetDirectDrawLibrary("klice-no-such-ddraw.dll");
    EXPECT_EQ(CreateDisplayDevice(&result), nullptr);
    EXPECT_EQ(result, Result::Generic);
    // A DirectDraw older than version 6, which has no IDirectDraw4.
    win32::SetDirectDrawLibrary("old_ddraw.dll");
    EXPECT_EQ(CreateDisplayDevice(&result), nullptr);
    EXPECT_EQ(result, Result::NoInterface);
    win32::SetDirectDrawLibrary("DDraw.dll");
    EXPECT_NE(CreateDisplayDevice(&result), nullptr);
    EXPECT_EQ(result, Result::Ok);
}

TEST(DirectDrawLibrary, HeadlessApplicationsKeepTheSoftwareDisplay) {
    Application app(ApplicationMode::Headless);
    auto device = CreateDisplayDevice(nullptr);
    ASSERT_NE(device, nullptr);
    std::unique_ptr<PlatformSurface> primary;
    ASSERT_EQ(device->CreatePrimarySurface(&primary), Result::Ok);
    EXPECT_EQ(win32::ActiveSystemDisplay(), nullptr);
}

}  // namespace
}  // namespace klice::platform
