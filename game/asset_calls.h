// The game's calls into the image lists, the canvas of the back surface and
// the wave list. The steps only name what they want; the lists themselves
// live with the pictures and the sound. This is the one file that knows how
// those components are reached: the main window attaches itself here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "data/persistent.h"
#include "platform/application.h"

namespace klice {

class TCustomDXDraw;
class TCustomDXWaveList;

// The main window as the game reaches it. form1 attaches itself while it
// exists (attach_window); nothing else hands out its components.
class game_window {
public:
    virtual ~game_window() = default;
    // Null until the window's stream has made them.
    virtual TCustomDXDraw* display() const = 0;
    virtual TCustomDXWaveList* wave_list() const = 0;
    // The image lists: the pictures stored with the window (panak), the
    // level objects (ruzne), the level backgrounds (krajina).
    virtual TComponent* panak_list() const = 0;
    virtual TComponent* ruzne_list() const = 0;
    virtual TComponent* krajina_list() const = 0;
    virtual void close() = 0;
};
// Null detaches the window.
void attach_window(game_window* window);

// The attached window's image lists (null without a window).
TComponent* panak();
TComponent* ruzne();
TComponent* krajina();
// Shows the back surface: the frame is done.
void present_frame();
// Closes the main window, which ends the game.
void close_window();

// Replaces the pictures of image_list with those of the picture file.
void fill_image_list(TComponent* image_list, const std::string& file_name);
// Draws the picture `name` of image_list onto the back surface of the
// window's display with its top-left corner at (x, y), pattern 0.
void draw_picture(TComponent* image_list, const std::string& name, int x, int y);
// The scaled, centred copy: width and height in pixels (a negative width
// mirrors left to right), the point (x, y) lying at the fractions (cx, cy) of
// the drawn rectangle; angle 0 draws it upright.
void draw_picture_rotated(TComponent* image_list, const std::string& name, int x, int y, int width, int height,
                          int pattern, double cx, double cy, int angle);
// The size of the picture `name` (its pattern size where one is set).
int picture_width(TComponent* image_list, const std::string& name);
int picture_height(TComponent* image_list, const std::string& name);

// The canvas of the window's back surface. A pixel read or a text takes
// the canvas when it does not hold it yet; canvas_release gives it back.
// Colours are 0x00BBGGRR; a point outside the surface reads 0xFFFFFFFF.
uint32_t canvas_pixel(int x, int y);
// Text without background, font size in points, 8-bit Windows-1250.
void canvas_text(int x, int y, const std::string& text, int font_size, uint32_t colour);
void canvas_release();

// Waves of the window's wave list by index: volume in hundredths of a decibel
// (0 full), play from the beginning without waiting, stop.
void set_wave_volume(int index, int volume);
void play_wave(int index);
void stop_wave(int index);

// Told of every play (started true) and stop of a wave, before it reaches the
// wave list: the play tester's log. Empty to stop.
using wave_observer = std::function<void(int index, bool started)>;
void set_wave_observer(wave_observer observer);

// Told of every text just before it is written on the back surface: the
// state hashes take the frame as it was before the text and the text asked
// for, because the glyphs are the system's own. Empty to stop.
using text_observer = std::function<void(int x, int y, const std::string& text, int font_size, uint32_t colour)>;
void set_text_observer(text_observer observer);

// The back surface of the window's display as it is now; an empty frame when it
// cannot be read.
platform::Frame back_surface_frame();

// Stand-in for the pictures of the image lists, for tests that build their
// own small pictures: while one is set, fill, draw and size go to it instead
// of the image lists. Null to go back.
class picture_source {
public:
    virtual ~picture_source() = default;
    virtual void fill(TComponent* image_list, const std::string& file_name) = 0;
    // The picture scaled to width x height (both positive) with its top-left
    // corner at (left, top), mirrored left to right when asked.
    virtual void draw(TComponent* image_list, const std::string& name, int left, int top, int width, int height,
                      bool mirrored) = 0;
    virtual int width(TComponent* image_list, const std::string& name) = 0;
    virtual int height(TComponent* image_list, const std::string& name) = 0;
};
void set_picture_source(picture_source* source);

}  // namespace klice
