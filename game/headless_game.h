// The game without a window or a sound device, ticked by its caller: for
// tests and the play tester. It runs the same form1, the same tick and the
// same handlers as the windowed program; only the platform is headless.
//
//   HeadlessGame game("path/to/data");   // the data files' folder
//   game.Tick(600);                      // title, then the menu
//   game.MouseMove(900, 100); game.Click(900, 100);
//   game.HoldKey(game_keys::D, true); game.Tick();
//   platform::Frame frame = game.LastFrame();
//
// One HeadlessGame may exist at a time (form1 and game_state are globals).
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "game/game_state.h"
#include "platform/application.h"

namespace klice {

class Tform1;

class HeadlessGame {
public:
    // Makes data_folder the working directory (restored at destruction),
    // resets game_state, creates form1 (which runs create) and shows it.
    // The data files are read as game/data_folder.h says: from the working
    // folder, so from data_folder, unless the caller chose another before.
    // When the window resource cannot be read, the error box reports it and
    // the game has ended at once (Ended(), no form1).
    // Without with_sound the sound component finds no device, so the game
    // runs silent whatever audio the machine has; with it, the waves play on
    // the audio output the process has chosen (platform::SetAudioOutput).
    // With ApplicationMode::Windowed the game opens its real window on the
    // system's display (DirectDraw on Windows) and is still ticked by the
    // caller; error boxes then go to Errors() too, never to the screen.
    explicit HeadlessGame(const std::string& data_folder, bool with_sound = false,
                          platform::ApplicationMode mode = platform::ApplicationMode::Headless);
    ~HeadlessGame();
    HeadlessGame(const HeadlessGame&) = delete;
    HeadlessGame& operator=(const HeadlessGame&) = delete;

    // Runs count timer ticks, each after the events posted before it; stops
    // early when the game has ended.
    void Tick(int count = 1);

    // Key state for key_pressed, until changed.
    void HoldKey(int32_t vk, bool down);
    void ReleaseAllKeys();
    // Events, delivered before the next tick; coordinates are frame pixels.
    void KeyDown(int32_t vk);
    // Holds exactly `keys` from now on: releases the others in `held` and
    // presses (with a key-down event) the newly held; `held` becomes `keys`.
    void HoldOnly(const std::set<int32_t>& keys, std::set<int32_t>& held);
    void MouseMove(int x, int y);
    void MouseDown(int x, int y, platform::MouseButton button = platform::MouseButton::Left);
    void MouseUp(int x, int y, platform::MouseButton button = platform::MouseButton::Left);
    // Down and up at (x, y).
    void Click(int x, int y);
    void CloseRequest();
    // Focus loss and return of the window (the display's surfaces are lost
    // while it has no focus).
    void Focus(bool focused);
    // Delivers posted events without a tick.
    void ProcessEvents();

    // The frame the screen shows: the last presented one.
    platform::Frame LastFrame() const;
    // Frames presented since this game started.
    uint64_t PresentCount() const;
    uint64_t TickCount() const;

    const game_state_t& State() const;
    Tform1& Form() const;
    platform::Application& App() const { return *app_; }
    // The game has ended (form1 closed).
    bool Ended() const;

    // Texts shown by the error box, oldest first.
    const std::vector<std::string>& Errors() const;

private:
    std::string previous_dir_;
    uint64_t presents_before_ = 0;
    std::unique_ptr<platform::Application> app_;
};

}  // namespace klice
