#include "game/headless_game.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "data/forms.h"
#include "game/hlavni.h"
#include "platform/exception.h"
#include "platform/sound_device.h"

namespace klice {

HeadlessGame::HeadlessGame(const std::string& data_folder, bool with_sound, platform::ApplicationMode mode) {
    std::error_code error;
    previous_dir_ = std::filesystem::current_path(error).string();
    std::filesystem::current_path(data_folder, error);
    if (error) throw EInOutError(error.value(), "Cannot enter the data folder " + data_folder);
    app_ = std::make_unique<platform::Application>(mode);
    presents_before_ = app_->PresentCount();
    // No box on the screen: its texts are kept in Errors().
    app_->SetErrorSink([](const std::string&) {});
    app_->SetErrorBoxesToSink(true);
    // Only the caller's input: no pad of the machine.
    app_->SetGamepadsEnabled(false);
    Application().ClearShownErrors();
    Application().Bind();
    game_state = game_state_t{};
    // Silent: the sound component finds no device when it starts.
    std::optional<platform::ScopedAudioOutput> silent;
    if (!with_sound) silent.emplace(platform::AudioOutput::None());
    try {
        new Tform1(nullptr);
    } catch (const std::exception& e) {
        // As the program does: the error box, and the game is over.
        app_->HandleException(e);
        app_->Terminate();
        return;
    }
    form1->Show();
    // Counted from here: the display the frames go to exists now.
    presents_before_ = app_->PresentCount();
}

HeadlessGame::~HeadlessGame() {
    delete form1;
    form1 = nullptr;
    app_.reset();
    std::error_code ignored;  // nothing more can be done from a destructor
    if (!previous_dir_.empty()) std::filesystem::current_path(previous_dir_, ignored);
}

void HeadlessGame::Tick(int count) { app_->RunTicks(count); }

void HeadlessGame::HoldKey(int32_t vk, bool down) { app_->PressKey(vk, down); }

void HeadlessGame::HoldOnly(const std::set<int32_t>& keys, std::set<int32_t>& held) {
    for (int32_t vk : held)
        if (!keys.count(vk)) HoldKey(vk, false);
    for (int32_t vk : keys)
        if (!held.count(vk)) {
            HoldKey(vk, true);
            KeyDown(vk);
        }
    held = keys;
}
void HeadlessGame::ReleaseAllKeys() { app_->ReleaseAllKeys(); }
void HeadlessGame::KeyDown(int32_t vk) { app_->PostKeyDown(vk); }
void HeadlessGame::MouseMove(int x, int y) { app_->PostMouseMove(x, y); }
void HeadlessGame::MouseDown(int x, int y, platform::MouseButton button) { app_->PostMouseDown(x, y, button); }
void HeadlessGame::MouseUp(int x, int y, platform::MouseButton button) { app_->PostMouseUp(x, y, button); }
void HeadlessGame::Click(int x, int y) {
    MouseDown(x, y);
    MouseUp(x, y);
}
void HeadlessGame::CloseRequest() { app_->PostCloseRequest(); }
void HeadlessGame::Focus(bool focused) { app_->PostFocus(focused); }
void HeadlessGame::ProcessEvents() { app_->ProcessEvents(); }

platform::Frame HeadlessGame::LastFrame() const { return app_->LastFrame(); }
uint64_t HeadlessGame::PresentCount() const { return app_->PresentCount() - presents_before_; }
uint64_t HeadlessGame::TickCount() const { return app_->TickCount(); }

const game_state_t& HeadlessGame::State() const { return game_state; }
Tform1& HeadlessGame::Form() const { return *form1; }
bool HeadlessGame::Ended() const { return app_->Terminated(); }

const std::vector<std::string>& HeadlessGame::Errors() const { return Application().ShownErrors(); }

}  // namespace klice
