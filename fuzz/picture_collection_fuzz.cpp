// Any bytes, loaded as a picture file into an image list whose display is
// up, so every picture read also gets its surfaces built; then the surfaces
// are rebuilt once more. Errors are the readers' own; no crash or overrun.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

#include "data/forms.h"
#include "data/picture_collection.h"
#include "data/stream.h"
#include "display/dxdraws.h"
#include "display/image_list.h"
#include "platform/sound_device.h"

namespace {

struct Screen {
    std::unique_ptr<klice::TForm> form = std::make_unique<klice::TForm>(nullptr);
    klice::TDXDraw* dxdraw = new klice::TDXDraw(form.get());
    klice::TDXImageList* list = new klice::TDXImageList(form.get());
    Screen() {
        form->SetBounds(0, 0, 640, 480);
        dxdraw->SetParent(form.get());
        dxdraw->SetAlign(klice::TAlign::alClient);
        dxdraw->SetOptions({klice::doFullScreen, klice::doAllowReboot, klice::doWaitVBlank, klice::doCenter});
        dxdraw->Display().SetWidth(1024);
        dxdraw->Display().SetHeight(768);
        dxdraw->Display().FixedSize = false;
        list->SetDXDraw(dxdraw);
        dxdraw->Initialize();
    }
};

Screen* screen = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    klice::platform::SetAudioOutput(klice::platform::AudioOutput::Discard());
    screen = new Screen;  // kept for the whole run
    if (!screen->dxdraw->Initialized()) abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    klice::TBytesViewStream stream(std::span<const uint8_t>(data, size));
    klice::TPictureCollection* items = screen->list->Items();
    try {
        items->LoadFromStream(stream);
        items->Restore();
    } catch (const klice::Exception&) {
    }
    items->Clear();
    return 0;
}
