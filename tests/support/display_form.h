// A form with a display component and an image list on it, set up as the
// game's window has them (full screen, 1024 x 768, the size free), for the
// tests and benchmarks of drawing. Headers only: it needs klice_display.
#pragma once

#include <memory>

#include "data/forms.h"
#include "display/dxdraws.h"
#include "display/image_list.h"

namespace klice::testing {

struct display_form {
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    TDXDraw* dxdraw = new TDXDraw(form.get());
    TDXImageList* list = new TDXImageList(form.get());

    display_form() {
        dxdraw->SetParent(form.get());
        dxdraw->SetAlign(TAlign::alClient);
        dxdraw->SetOptions({doFullScreen, doAllowReboot, doWaitVBlank, doCenter});
        dxdraw->Display().SetWidth(1024);
        dxdraw->Display().SetHeight(768);
        dxdraw->Display().FixedSize = false;
        list->SetDXDraw(dxdraw);
    }
};

}  // namespace klice::testing
