#include "game/asset_calls.h"

#include "data/stream.h"
#include "display/image_list.h"
#include "game/hlavni.h"

namespace klice {

void fill_image_list(TComponent* image_list, const std::string& file_name) {
    if (auto* list = dynamic_cast<TCustomDXImageList*>(image_list)) {
        list->Items()->LoadFromFile(file_name);
        return;
    }
    // A window without that list still fails on a missing file.
    TFileStream stream(file_name, FileMode::OpenRead);
}

void draw_picture(TComponent* image_list, const std::string& name, int x, int y) {
    auto* list = dynamic_cast<TCustomDXImageList*>(image_list);
    if (list == nullptr || form1 == nullptr || form1->DXDraw == nullptr) return;
    Draw(*list->Items()->Find(name), form1->DXDraw->Surface(), x, y, 0);
}

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
