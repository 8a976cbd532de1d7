// Any bytes as the level file "p1.dat", loaded and then played for 300
// ticks headless with the right arrow and the jump key held: a damaged
// level may be refused with the system's message but must never crash the
// game, overrun or hang it.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "game/game_state.h"
#include "game/headless_game.h"
#include "game/level_loading.h"
#include "platform/exception.h"

namespace {

namespace fs = std::filesystem;

fs::path folder;

void CopyIfPresent(const char* dir, const char* name) {
    if (dir == nullptr) return;
    std::error_code ignored;
    fs::copy_file(fs::path(dir) / name, folder / name, fs::copy_options::overwrite_existing, ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    folder = fs::temp_directory_path() / ("klice_level_fuzz_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    // The built picture files when KLICE_DATA_DIR names them; otherwise
    // the game runs without its pictures.
    const char* data_dir = std::getenv("KLICE_DATA_DIR");
    CopyIfPresent(data_dir, "krajina.dat");
    CopyIfPresent(data_dir, "ruzne.dat");
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        std::ofstream file(folder / "p1.dat", std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    klice::HeadlessGame game(folder.string());
    klice::game_state.level = 1;
    try {
        klice::load_level();  // in the game the error box shows what it raises
    } catch (const klice::Exception&) {
    }
    klice::game_state.intro_frames = 500;
    klice::game_state.in_menu = false;
    game.HoldKey(39, true);  // right
    for (int tick = 0; tick < 300 && !game.Ended(); tick += 50) {
        game.HoldKey(38, (tick / 50) % 2 == 0);  // up: jump now and then
        game.Tick(50);
    }
    return 0;
}
