// The main window of the game, form1, with every component it owns, and the
// shell: start-up, the tick and the play frame.
#pragma once

#include <cstdint>

#include "data/controls.h"
#include "data/events.h"
#include "data/forms.h"
#include "display/dxdraws.h"
#include "display/image_list.h"
#include "game/asset_calls.h"
#include "game/inert_components.h"
#include "input/pad_controls.h"
#include "sound/dx_sound.h"
#include "sound/wave_list.h"

namespace klice {

class Tform1 : public TForm, public TSoundWindowSite, public game_window {
    KLICE_CLASS(Tform1, TForm)
public:
    // Reads the window resource "TFORM1" into the form (or, in a program
    // built without it, makes the same components in code), then runs the
    // creation handler. A resource that cannot be read raises its reading
    // error from here, and form1 stays null.
    explicit Tform1(TComponent* owner);
    // Closes the window and frees the components while the whole form still
    // exists: the sound component unhooks itself from this window as it goes.
    ~Tform1() override;

    TDXDraw* DXDraw = nullptr;
    TEdit* Edit1 = nullptr;
    TDXImageList* panak = nullptr;    // image list: the pictures stored with the window
    TDXImageList* ruzne = nullptr;    // image list: level objects, from ruzne.dat
    TDXImageList* krajina = nullptr;  // image list: level backgrounds, from krajina.dat
    TTimer* Timer1 = nullptr;
    TDXSound* DXSound1 = nullptr;
    TDXWaveList* WaveList = nullptr;
    TDXInput* DXInput1 = nullptr;
    TDXMusic* DXMusic1 = nullptr;

    // Event handlers.
    void create(TObject* sender);
    void Timer1Timer(TObject* sender);
    void keydown(TObject* sender, uint16_t& key, TShiftState shift);
    void mouse_down(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    void mouse_move(TObject* sender, TShiftState shift, int x, int y);
    void DXDrawMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);

    const void* SoundWindow() const override { return this; }

    // What the game reaches of the window (game/asset_calls.h).
    TCustomDXDraw* display() const override { return DXDraw; }
    TCustomDXWaveList* wave_list() const override { return WaveList; }
    TComponent* panak_list() const override { return panak; }
    TComponent* ruzne_list() const override { return ruzne; }
    TComponent* krajina_list() const override { return krajina; }
    void close() override { Close(); }

private:
    void CreateComponents();

    // What the game pads held at the previous tick, for the menu's presses.
    pad_controls pads_before_;
};

// The one main window, alive from program start to its end.
extern Tform1* form1;

void init_game();
// The level backgrounds (krajina.dat) may come after the start: the
// browser's page fetches them while the title shows, so that the title
// need not wait for their 12 MB. Called before form1 is made,
// defer_backgrounds leaves their list empty in init_game; until
// fill_backgrounds has read them, a level waits on the title's loading line
// (play_frame) instead of drawing a background that is not there.
void defer_backgrounds();
void fill_backgrounds();
bool backgrounds_ready();
// What init_game sets before it fills the picture lists and loads level 1:
// the level, the counters, the sound volumes and the menu's slider.
void reset_game_state();
void play_frame();

}  // namespace klice
