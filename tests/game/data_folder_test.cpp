#include "game/data_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "game/game_state.h"
#include "game/headless_game.h"
#include "game/level_file.h"
#include "game/screens.h"
#include "input/game_keys.h"
#include "platform/file.h"
#include "tests/support/temp_folder.h"

namespace klice {
namespace {

namespace fs = std::filesystem;

// A working folder, a program's folder and an installed data folder, side
// by side, each empty at first.
struct DataFolderLookup : ::testing::Test {
    testing::TempFolder root{"lookup"};
    const fs::path work = root / "work", program = root / "program", installed = root / "installed";

    DataFolderLookup() {
        for (const fs::path& folder : {work, program, installed}) fs::create_directory(folder);
    }
    ~DataFolderLookup() override { use_data_folder(""); }

    static std::string Slashed(const fs::path& folder) { return (folder / "").string(); }
    std::vector<std::string> Candidates() const { return {"", Slashed(program), Slashed(installed)}; }
    static void Touch(const fs::path& file) { testing::WriteFile(file, std::string(1, '\0')); }

    // Level 1 starting on row 500, and the two picture files (a picture
    // file of one zero byte holds no pictures and loads without a failure).
    static void WriteData(const fs::path& folder) {
        level_record one{};
        one.start_y = 500;
        write_level_file((folder / level_file_of(1)).string(), one);
        Touch(folder / "krajina.dat");
        Touch(folder / "ruzne.dat");
    }
};

TEST_F(DataFolderLookup, TheFirstFolderHoldingKrajinaIsTakenInOrder) {
    testing::WorkingDirectory in(work);
    // Nowhere: the working folder, where the game's messages then point.
    EXPECT_EQ(first_data_folder(Candidates()), "");

    Touch(installed / "krajina.dat");
    EXPECT_EQ(first_data_folder(Candidates()), Slashed(installed));

    // Other data files, or a folder of the marker's name, do not count.
    Touch(program / "ruzne.dat");
    Touch(program / "p1.dat");
    fs::create_directory(program / "krajina.dat");
    EXPECT_EQ(first_data_folder(Candidates()), Slashed(installed));

    fs::remove(program / "krajina.dat");
    Touch(program / "krajina.dat");
    EXPECT_EQ(first_data_folder(Candidates()), Slashed(program));

    Touch(work / "krajina.dat");
    EXPECT_EQ(first_data_folder(Candidates()), "");
}

TEST(DataFolderCandidates, TheWorkingFolderThenTheProgramsThenTheInstalledOne) {
    if (platform::ProgramFolder().empty())
        GTEST_SKIP() << "a page has no program folder: nothing to find beside the program";
    const std::vector<std::string> candidates = data_folder_candidates();
    ASSERT_GE(candidates.size(), 2u);
    EXPECT_EQ(candidates[0], "");
    // The second is the folder of this very test program.
    EXPECT_EQ(candidates[1], platform::ProgramFolder());
    const bool beside =
        fs::exists(fs::path(candidates[1]) / "game_tests") || fs::exists(fs::path(candidates[1]) / "game_tests.exe");
    EXPECT_TRUE(beside) << candidates[1];
#if defined(_WIN32)
    EXPECT_EQ(candidates.size(), 2u) << "the zip is never installed: no installed folder";
#else
    ASSERT_EQ(candidates.size(), 3u);
    EXPECT_TRUE(candidates[2].starts_with("/")) << candidates[2];
    EXPECT_TRUE(candidates[2].ends_with("/share/games/klice/")) << candidates[2];
#endif
}

TEST_F(DataFolderLookup, TheGameStartedElsewhereReadsEveryFileFromTheFolderFound) {
    WriteData(program);
    use_data_folder(first_data_folder(Candidates()));
    HeadlessGame game(work.string());  // the working folder holds nothing
    EXPECT_TRUE(game.Errors().empty()) << game.Errors().front();
    EXPECT_EQ(game.State().player_y, 500);

    // Through the title into the menu, then Enter starts level 1, loaded again.
    game.Tick(kTitleTicks + 1);
    ASSERT_EQ(current_screen(), screen::menu);
    game_state.record.start_y = 0;
    game.KeyDown(game_keys::Enter);
    game.Tick();
    EXPECT_EQ(current_screen(), screen::play);
    EXPECT_EQ(game.State().level, 1);
    EXPECT_EQ(game.State().record.start_y, 500);
    EXPECT_TRUE(game.Errors().empty()) << game.Errors().front();
}

TEST_F(DataFolderLookup, WithTheDataNowhereTheMessagesNameTheWorkingFolder) {
    use_data_folder(first_data_folder(Candidates()));
    HeadlessGame game(work.string());
    ASSERT_FALSE(game.Errors().empty());
    const std::string tried = platform::ExpandFileName("krajina.dat");
    EXPECT_EQ(game.Errors().front().rfind("Cannot open file \"" + tried + "\".", 0), 0u) << game.Errors().front();
}

}  // namespace
}  // namespace klice
