// The shell's calls into the image lists and the wave list. The shell only
// names what it wants; the lists themselves live with the pictures and the
// sound.
#pragma once

#include <string>

#include "data/persistent.h"

namespace klice {

// Replaces the pictures of image_list with those of the picture file.
void fill_image_list(TComponent* image_list, const std::string& file_name);
// Draws the picture `name` of image_list onto the back surface of
// form1->DXDraw with its top-left corner at (x, y), pattern 0.
void draw_picture(TComponent* image_list, const std::string& name, int x, int y);

// Waves of form1->WaveList by index: volume in hundredths of a decibel
// (0 full), play from the beginning without waiting, stop.
void set_wave_volume(int index, int volume);
void play_wave(int index);
void stop_wave(int index);

}  // namespace klice
