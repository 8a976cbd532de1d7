#include "game/asset_calls.h"

#include <cmath>
#include <cstdlib>

#include "data/stream.h"
#include "display/direct_draw.h"
#include "display/dxdraws.h"
#include "display/image_list.h"
#include "sound/wave_list.h"

namespace klice {

namespace {

game_window* window = nullptr;
picture_source* pictures = nullptr;
wave_observer observer;
text_observer text_watcher;

TDirectDrawSurface* back_surface() { return window->display()->Surface(); }
TDirectDrawSurfaceCanvas& back_canvas() { return back_surface()->Canvas(); }

TCustomDXImageList* image_list_of(TComponent* image_list) { return dynamic_cast<TCustomDXImageList*>(image_list); }

bool can_draw() { return window != nullptr && window->display() != nullptr; }

// The wave at index, or null while the list does not hold that many (a
// program built without the window resource has no waves).
TWaveCollectionItem* wave(int index) {
    if (window == nullptr || window->wave_list() == nullptr) return nullptr;
    TWaveCollection* items = window->wave_list()->Items();
    if (index < 0 || index >= items->Count()) return nullptr;
    return items->Items(index);
}

}  // namespace

void attach_window(game_window* w) { window = w; }

TComponent* panak() { return window ? window->panak_list() : nullptr; }
TComponent* ruzne() { return window ? window->ruzne_list() : nullptr; }
TComponent* krajina() { return window ? window->krajina_list() : nullptr; }

void present_frame() { window->display()->Flip(); }
void close_window() { window->close(); }

void set_picture_source(picture_source* source) { pictures = source; }
void set_wave_observer(wave_observer o) { observer = std::move(o); }
void set_text_observer(text_observer o) { text_watcher = std::move(o); }

void fill_image_list(TComponent* image_list, const std::string& file_name) {
    if (pictures) {
        pictures->fill(image_list, file_name);
        return;
    }
    if (auto* list = image_list_of(image_list)) {
        list->Items()->LoadFromFile(file_name);
        return;
    }
    // A window without that list still fails on a missing file.
    TFileStream stream(file_name, FileMode::OpenRead);
}

void draw_picture(TComponent* image_list, const std::string& name, int x, int y) {
    if (pictures) {
        pictures->draw(image_list, name, x, y, pictures->width(image_list, name), pictures->height(image_list, name),
                       false);
        return;
    }
    auto* list = image_list_of(image_list);
    if (list == nullptr || !can_draw()) return;
    Draw(*list->Items()->Find(name), back_surface(), x, y, 0);
}

void draw_picture_rotated(TComponent* image_list, const std::string& name, int x, int y, int width, int height,
                          int pattern, double cx, double cy, int angle) {
    if (pictures) {
        // Only the upright copy is used by the game: the rectangle is placed
        // so that (x, y) lies at its fractions (cx, cy).
        const int w = std::abs(width), h = std::abs(height);
        const int left = x - static_cast<int>(std::lround(w * cx));
        const int top = y - static_cast<int>(std::lround(h * cy));
        pictures->draw(image_list, name, left, top, w, h, width < 0);
        return;
    }
    auto* list = image_list_of(image_list);
    if (list == nullptr || !can_draw()) return;
    DrawRotated(*list->Items()->Find(name), back_surface(), x, y, width, height, pattern, cx, cy,
                static_cast<float>(angle));
}

int picture_width(TComponent* image_list, const std::string& name) {
    if (pictures) return pictures->width(image_list, name);
    auto* list = image_list_of(image_list);
    return list ? list->Items()->Find(name)->Width() : 0;
}

int picture_height(TComponent* image_list, const std::string& name) {
    if (pictures) return pictures->height(image_list, name);
    auto* list = image_list_of(image_list);
    return list ? list->Items()->Find(name)->Height() : 0;
}

uint32_t canvas_pixel(int x, int y) { return GetPixel(back_canvas().Handle(), x, y); }

void canvas_text(int x, int y, const std::string& text, int font_size, uint32_t colour) {
    if (text_watcher) text_watcher(x, y, text, font_size, colour);
    TDirectDrawSurfaceCanvas& canvas = back_canvas();
    canvas.Brush.Style = TBrushStyle::bsClear;
    canvas.Font.SetSize(font_size);
    canvas.Font.SetColor(static_cast<TColor>(colour));
    canvas.TextOut(x, y, text);
}

void canvas_release() { back_canvas().Release(); }

platform::Frame back_surface_frame() {
    platform::Frame f;
    if (!can_draw() || !back_surface()) return f;
    TDirectDrawSurface& s = *back_surface();
    void* pixels = nullptr;
    int pitch = 0;
    if (!s.Lock(&pixels, &pitch)) return f;
    f.width = s.Width();
    f.height = s.Height();
    f.pitch = pitch;
    f.format = s.Description().Format;
    const auto* bytes = static_cast<const uint8_t*>(pixels);
    f.pixels.assign(bytes, bytes + size_t(pitch) * size_t(f.height));
    s.Unlock();
    return f;
}

void set_wave_volume(int index, int volume) {
    if (TWaveCollectionItem* item = wave(index)) item->SetVolume(volume);
}

void play_wave(int index) {
    if (observer) observer(index, true);
    if (TWaveCollectionItem* item = wave(index)) item->Play(false);
}

void stop_wave(int index) {
    if (observer) observer(index, false);
    if (TWaveCollectionItem* item = wave(index)) item->Stop();
}

}  // namespace klice
