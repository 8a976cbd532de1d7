#include "game/asset_calls.h"

#include "data/stream.h"

namespace klice {

// Until the image list reads picture files, a fill only opens the file, so
// that a missing file fails as it will then.
void fill_image_list(TComponent*, const std::string& file_name) {
    TFileStream stream(file_name, FileMode::OpenRead);
}

void draw_picture(TComponent*, const std::string&, int, int) {}

void set_wave_volume(int, int) {}
void play_wave(int) {}
void stop_wave(int) {}

}  // namespace klice
