// Any bytes as the level file "p1.dat", loaded and then played for 300
// ticks headless with the right arrow held and the jump key now and then: a
// damaged level may be refused with the system's message but must never
// crash the game, overrun or hang it.
//
// The game is the real one: its window from the linked resource, its
// pictures from the built picture files. Building that takes far longer than
// 300 ticks, so one game serves the whole run; each input starts from the
// state a new game has, as the game itself does when it loads a level.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "data/forms.h"
#include "game/game_state.h"
#include "game/headless_game.h"
#include "game/hlavni.h"
#include "game/level_file.h"
#include "game/level_loading.h"
#include "game/screens.h"
#include "input/game_keys.h"
#include "platform/exception.h"
#include "platform/sound_device.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPlayTicks = 300;

fs::path folder;
fs::path run_dir;  // libFuzzer's own working directory, for its relative paths
std::unique_ptr<klice::HeadlessGame> game;

void WriteLevel(const uint8_t* data, size_t size) {
    std::ofstream file(folder / klice::level_file_of(1), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// The game runs in a folder of its own with copies of the picture files (of
// KLICE_DATA_DIR, or the build's), so that the fuzzed p1.dat replaces no
// real level.
void StartGame() {
    game.reset();
    game = std::make_unique<klice::HeadlessGame>(folder.string());
    if (game->Form().krajina == nullptr || game->Form().ruzne == nullptr) std::abort();
}

// The game reads its files from the working directory.
struct InGameFolder {
    InGameFolder() {
        if (chdir(folder.c_str()) != 0) std::abort();
    }
    ~InGameFolder() {
        if (chdir(run_dir.c_str()) != 0) std::abort();
    }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    klice::platform::SetAudioOutput(klice::platform::AudioOutput::Discard());
    run_dir = fs::current_path();
    folder = fs::temp_directory_path() / ("klice_level_fuzz_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const char* env = std::getenv("KLICE_DATA_DIR");
    const fs::path data_dir = fs::absolute(env != nullptr && *env != '\0' ? env : KLICE_FUZZ_DATA_DIR);
    for (const std::string& name : {std::string("krajina.dat"), std::string("ruzne.dat"), klice::level_file_of(1)})
        fs::copy_file(data_dir / name, folder / name, fs::copy_options::overwrite_existing);
    {
        InGameFolder in_folder;
        StartGame();
        if (!game->Errors().empty()) std::abort();  // the real data must load cleanly
    }
    // Registered after the game exists, so it runs before the platform's
    // own statics go.
    std::atexit([] {
        {
            InGameFolder in_folder;
            game.reset();
        }
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InGameFolder in_folder;
    if (game->Ended()) StartGame();
    WriteLevel(data, size);
    klice::game_state = klice::game_state_t{};
    klice::reset_game_state();
    game->App().ReleaseAllKeys();
    try {
        klice::load_level();  // in the game the error box shows what it raises
    } catch (const klice::Exception&) {
    }
    klice::game_state.intro_frames = klice::kTitleTicks;
    klice::game_state.in_menu = false;
    game->HoldKey(klice::game_keys::Right, true);
    for (int tick = 0; tick < kPlayTicks && !game->Ended(); tick += 50) {
        game->HoldKey(klice::game_keys::Up, (tick / 50) % 2 == 0);  // jump now and then
        game->Tick(50);
    }
    klice::Application().ClearShownErrors();
    return 0;
}
