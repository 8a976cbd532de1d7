#include "game/asset_calls.h"

#include "data/stream.h"
#include "game/hlavni.h"

namespace klice {

// Until the image list reads picture files, a fill only opens the file, so
// that a missing file fails as it will then.
void fill_image_list(TComponent*, const std::string& file_name) {
    TFileStream stream(file_name, FileMode::OpenRead);
}

void draw_picture(TComponent*, const std::string&, int, int) {}

namespace {

// The wave at index, or null while the list does not hold that many (a
// program built without the window resource has no waves).
TWaveCollectionItem* wave(int index) {
    if (form1 == nullptr || form1->WaveList == nullptr) return nullptr;
    TWaveCollection* items = form1->WaveList->Items();
    if (index < 0 || index >= items->Count()) return nullptr;
    return items->Items(index);
}

}  // namespace

void set_wave_volume(int index, int volume) {
    if (TWaveCollectionItem* item = wave(index)) item->SetVolume(volume);
}

void play_wave(int index) {
    if (TWaveCollectionItem* item = wave(index)) item->Play(false);
}

void stop_wave(int index) {
    if (TWaveCollectionItem* item = wave(index)) item->Stop();
}

}  // namespace klice
