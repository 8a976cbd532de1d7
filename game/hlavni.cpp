#include "game/hlavni.h"

#include "data/component_stream.h"
#include "game/asset_calls.h"
#include "game/data_folder.h"
#include "game/game_state.h"
#include "game/held_keys.h"
#include "game/level_file.h"
#include "game/level_loading.h"
#include "game/pad_menu.h"
#include "game/pictures.h"
#include "game/play_steps.h"
#include "game/screens.h"
#include "game/waves.h"
#include "input/game_keys.h"
#include "platform/application.h"

namespace klice {

Tform1* form1 = nullptr;

namespace {

constexpr int kObjectsStartFrame = 200;
constexpr int kLevelFramesCap = 210;

bool backgrounds_deferred = false;

}  // namespace

KLICE_DESCRIBE_CLASS(Tform1, c) {
    c.Member("DXDraw", &Tform1::DXDraw);
    c.Member("Edit1", &Tform1::Edit1);
    c.Member("panak", &Tform1::panak);
    c.Member("ruzne", &Tform1::ruzne);
    c.Member("krajina", &Tform1::krajina);
    c.Member("Timer1", &Tform1::Timer1);
    c.Member("DXSound1", &Tform1::DXSound1);
    c.Member("WaveList", &Tform1::WaveList);
    c.Member("DXInput1", &Tform1::DXInput1);
    c.Member("DXMusic1", &Tform1::DXMusic1);
    c.Method("create", &Tform1::create);
    c.Method("Timer1Timer", &Tform1::Timer1Timer);
    c.Method("keydown", &Tform1::keydown);
    c.Method("mouse_down", &Tform1::mouse_down);
    c.Method("mouse_move", &Tform1::mouse_move);
    c.Method("DXDrawMouseUp", &Tform1::DXDrawMouseUp);
}

Tform1::Tform1(TComponent* owner) : TForm(owner) {
    // The game's steps reach the window through form1 from the creation
    // handler on, so the reference is set before anything runs.
    form1 = this;
    attach_window(this);
    if (platform::Application* app = platform::Application::Current()) AttachWindow(&app->Window());
    try {
        if (!ReadComponentResource("TFORM1", *this)) CreateComponents();
    } catch (...) {
        // A damaged window resource leaves no window: the reference must not
        // outlive the object the failed construction frees.
        form1 = nullptr;
        attach_window(nullptr);
        DestroyComponents();
        throw;
    }
    DoCreate();
}

Tform1::~Tform1() {
    DestroyWindow();
    DestroyComponents();
    attach_window(nullptr);
}

void Tform1::CreateComponents() {
    SetName("form1");
    BorderStyle = TFormBorderStyle::bsNone;
    KeyPreview = true;
    Color = clBlack;

    DXDraw = new TDXDraw(this);
    DXDraw->SetName("DXDraw");
    DXDraw->SetParent(this);
    DXDraw->AutoInitialize = true;
    DXDraw->SetAutoSize(true);
    DXDraw->SetSurfaceSize(587, 380);
    DXDraw->Display().SetWidth(1024);
    DXDraw->Display().SetHeight(768);
    DXDraw->Display().FixedBitCount = false;
    DXDraw->Display().FixedRatio = true;
    DXDraw->Display().FixedSize = false;
    DXDraw->SetOptions(
        {doFullScreen, doAllowReboot, doWaitVBlank, doCenter, doRetainedMode, doHardware, doSelectDriver});
    DXDraw->Cursor = crHandPoint;
    DXDraw->SetAlign(TAlign::alClient);
    DXDraw->TabOrder = 0;
    DXDraw->OnKeyDown.Bind([this](TObject* s, uint16_t& key, TShiftState shift) { keydown(s, key, shift); }, "keydown");
    DXDraw->OnMouseDown.Bind(
        [this](TObject* s, TMouseButton b, TShiftState shift, int x, int y) { mouse_down(s, b, shift, x, y); },
        "mouse_down");
    DXDraw->OnMouseMove.Bind([this](TObject* s, TShiftState shift, int x, int y) { mouse_move(s, shift, x, y); },
                             "mouse_move");
    DXDraw->OnMouseUp.Bind(
        [this](TObject* s, TMouseButton b, TShiftState shift, int x, int y) { DXDrawMouseUp(s, b, shift, x, y); },
        "DXDrawMouseUp");
    ActiveControl = DXDraw;

    Edit1 = new TEdit(this);
    Edit1->SetName("Edit1");
    Edit1->SetParent(this);
    Edit1->SetVisible(false);
    Edit1->TabOrder = 1;
    Edit1->Text = "Edit1";

    Timer1 = new TTimer(this);
    Timer1->SetName("Timer1");
    Timer1->Interval = 10;
    Timer1->OnTimer.Bind([this](TObject* sender) { Timer1Timer(sender); }, "Timer1Timer");

    DXSound1 = new TDXSound(this);
    DXSound1->SetName("DXSound1");
    WaveList = new TDXWaveList(this);
    WaveList->SetName("WaveList");
    WaveList->SetDXSound(DXSound1);
    // Loading has finished: the sound device initializes itself.
    DXSound1->Loaded();
    WaveList->Loaded();

    OnCreate.Bind([this](TObject* sender) { create(sender); }, "create");

    OnKeyDown.Bind([this](TObject* s, uint16_t& key, TShiftState shift) { keydown(s, key, shift); }, "keydown");
}

void Tform1::create(TObject*) {
    init_game();
    platform::ShowCursor(false);
}

void Tform1::Timer1Timer(TObject*) {
    // Pad presses in the menu come like the mouse's events, before the tick.
    pad_menu_step(held_pad_controls(), pads_before_);
    if (!DXDraw->CanDraw()) return;
    switch (current_screen()) {
        case screen::title: title_frame(); break;
        case screen::menu: menu_frame(); break;
        case screen::play: play_frame(); break;
    }
}

void Tform1::keydown(TObject*, uint16_t& key, TShiftState shift) { klice::keydown(key, shift); }

void Tform1::mouse_down(TObject*, TMouseButton button, TShiftState shift, int x, int y) {
    klice::mouse_down(button, shift, x, y);
}

void Tform1::mouse_move(TObject*, TShiftState shift, int x, int y) { klice::mouse_move(shift, x, y); }

void Tform1::DXDrawMouseUp(TObject*, TMouseButton, TShiftState, int, int) {}

void init_game() {
    reset_game_state();
    if (!backgrounds_deferred) fill_image_list(krajina(), data_file("krajina.dat"));
    fill_image_list(ruzne(), data_file("ruzne.dat"));
    load_level();
}

void defer_backgrounds() { backgrounds_deferred = true; }

void fill_backgrounds() {
    fill_image_list(krajina(), data_file("krajina.dat"));
    backgrounds_deferred = false;
}

bool backgrounds_ready() { return !backgrounds_deferred; }

void reset_game_state() {
    game_state_t& g = game_state;
    g.level = 1;
    g.level_frames = 0;
    g.intro_frames = 0;
    g.level_name = level_name_of(g.level);

    set_wave_volume(kWaveKey, -2000);
    set_wave_volume(kWaveSplash, -2000);
    set_wave_volume(kWaveFootstep, -1000);
    set_wave_volume(kWaveJump, -2000);
    set_wave_volume(kWaveBlock, -2000);

    g.slider_x = 315;
    g.slider_y = 140;
    g.slider_level = 1;
    g.slider_moving = false;
    g.in_menu = true;
    g.music_muted = false;
    g.mute_debounce = 0;
}

void play_frame() {
    game_state_t& g = game_state;

    if (key_pressed(game_keys::Escape)) {
        g.in_menu = true;
        play_wave(kWaveMenuMusic);
        platform::ShowCursor(true);
        stop_wave(kWaveGameMusic);
    }

    if (!backgrounds_ready()) {
        // Started before its background arrived: the level has not begun
        // (its ticks would probe pixels the background decides).
        loading_frame();
        return;
    }

    g.level_name = level_name_of(g.level);
    g.background_name = background_name_of(g.level);

    draw_picture(krajina(), g.background_name, 0, 0);

    controls();
    draw_player();
    update_keys();
    update_hazards();
    update_blocks();
    block_contact();
    probe_pixels();
    update_exit();

    if (g.level_frames < kLevelFramesCap) ++g.level_frames;
    if (g.level_frames == kObjectsStartFrame) g.objects_moving = true;

    draw_picture(panak(), pictures::kMusicHint, 0, 0);

    present_frame();
}

}  // namespace klice
