// The shipped game on copies of the built data in which one file is missing,
// empty, cut short or has a byte flipped. Whatever the damage, the game must
// report it with the reader's own message, skip only the start-up steps after
// the failing one, and go on running: the title, the menu and play.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "display/image_list.h"
#include "game/game_state.h"
#include "game/headless_game.h"
#include "game/hlavni.h"
#include "game/screens.h"
#include "platform/application.h"
#include "platform/file.h"
#include "tests/support/data_folder.h"

namespace klice {
namespace {

namespace fs = std::filesystem;

const fs::path kBuiltData = KLICE_BUILT_DATA_DIR;

std::string ReadBuilt(const std::string& name) {
    std::ifstream in(kBuiltData / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct Damage {
    std::string file;
    std::string label;           // names the test case
    std::optional<size_t> cut;   // keep this many bytes
    std::optional<size_t> flip;  // invert the byte at this offset (from the end if negative)
    bool missing = false;
    std::optional<std::string> message;  // the exact report at start, when it is fixed
};

std::optional<std::string> Damaged(const Damage& d) {
    if (d.missing) return std::nullopt;
    std::string bytes = ReadBuilt(d.file);
    if (d.cut) bytes.resize(*d.cut);
    if (d.flip) bytes[*d.flip % bytes.size()] ^= char(0xFF);
    return bytes;
}

// Every report a damaged picture file can give: the reader's and the picture
// classes' messages, inside the reader's "Error reading <object>.<path>: "
// prefixes, with the error box's full stop.
bool IsReadingReport(const std::string& text) {
    static const std::regex report(
        "(Error reading [^:]*: )*"
        "(Stream read error|Invalid stream format|Invalid property value|Invalid property path"
        "|Property .+ does not exist|Property is read-only|Class .+ not found"
        "|Ancestor for '[^']*' not found|Bitmap image is not valid|JPEG image is not valid"
        "|Icon image is not valid|Metafile is not valid|DIB is invalid|PixelFormat in invalid"
        "|Unknown picture file extension \\(\\.[^)]*\\)|Bitcount in invalid \\(-?[0-9]+\\)"
        "|Index of the scanning line exceeded the range\\. \\(-?[0-9]+\\))\\.?");
    return std::regex_match(text, report);
}

void PrintTo(const Damage& d, std::ostream* out) { *out << d.file << " " << d.label; }

class DamagedData : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedData, IsReportedAndTheGameGoesOn) {
    const Damage& d = GetParam();
    const testing::DataFolderCopy folder(kBuiltData, "damaged", d.file, Damaged(d));
    HeadlessGame game(folder.Path());
    ASSERT_FALSE(game.Ended());
    const std::vector<std::string> at_start = game.Errors();
    const bool pictures = d.file != "p1.dat";

    if (d.message) {
        // The file's full path and the system's text for a file that is not
        // there, in the error box's form.
        std::string expected = *d.message;
        const std::string path = (fs::path(folder.Path()) / d.file).make_preferred().string();
        if (size_t at = expected.find("$PATH"); at != std::string::npos) expected.replace(at, 5, path);
        if (size_t at = expected.find("$NOT_FOUND"); at != std::string::npos) {
            platform::File missing;
            expected.replace(at, 10, platform::SystemErrorMessage(missing.Open(path, platform::FileAccess::Read)));
        }
        EXPECT_EQ(at_start, std::vector<std::string>{platform::ErrorBoxText(expected)});
    } else if (pictures && d.cut) {
        ASSERT_EQ(at_start.size(), 1u);
        EXPECT_TRUE(IsReadingReport(at_start[0])) << at_start[0];
    } else if (pictures) {
        // A flip may land where any value is accepted (a pixel, say).
        ASSERT_LE(at_start.size(), 1u);
        if (!at_start.empty()) {
            EXPECT_TRUE(IsReadingReport(at_start[0])) << at_start[0];
        }
    } else {
        // Any 1496 bytes are a level.
        EXPECT_TRUE(at_start.empty()) << at_start[0];
    }

    // The steps after a failing one did not run: the backgrounds come before
    // the level objects, and both before level 1.
    const Tform1& form = game.Form();
    const bool failed = !at_start.empty();
    if (failed && d.file == "krajina.dat") {
        // ruzne keeps the stored window's placeholders, which have no pictures.
        for (int i = 0; i < form.ruzne->Items()->Count(); ++i) EXPECT_EQ(form.ruzne->Items()->Items(i)->Width(), 0);
    }
    if (failed && d.file == "ruzne.dat") {
        EXPECT_GT(form.krajina->Items()->Count(), 0);
    }
    EXPECT_EQ(game.State().player_x, failed ? 0 : 120) << "only a load of level 1 that worked places the player";

    // The title and the menu draw only pictures stored with the window.
    game.Tick(3);
    EXPECT_EQ(game.PresentCount(), 3u);
    game_state.intro_frames = kTitleTicks;
    game.Tick(2);
    EXPECT_EQ(game.PresentCount(), 5u);
    EXPECT_EQ(game.Errors().size(), at_start.size());

    // The start box loads level 1 and play runs; a tick that needs a picture
    // the damaged file did not give reports it and presents nothing.
    game.MouseMove(kStartBox.centre_x(), kStartBox.centre_y());
    game.Click(kStartBox.centre_x(), kStartBox.centre_y());
    game.Tick(60);
    EXPECT_EQ(game.TickCount(), 65u);
    EXPECT_FALSE(game.State().in_menu);
    EXPECT_FALSE(game.Ended());
    for (size_t i = at_start.size(); i < game.Errors().size(); ++i) {
        const std::string& e = game.Errors()[i];
        if (d.file == "p1.dat")
            EXPECT_EQ(e, d.message.value_or("")) << "starting reloads the level";
        else
            EXPECT_TRUE(std::regex_match(e, std::regex("Image '[^']+' not found\\."))) << e;
    }
    if (!failed) {
        EXPECT_EQ(game.PresentCount(), 65u);
        EXPECT_EQ(game.Errors().size(), 0u);
    }
}

std::vector<Damage> Damages() {
    std::vector<Damage> all;
    for (const char* f : {"krajina.dat", "ruzne.dat"}) {
        const std::string file = f;
        const size_t size = ReadBuilt(file).size();
        all.push_back({file, "missing", {}, {}, true, "Cannot open file \"$PATH\". $NOT_FOUND"});
        all.push_back({file, "empty", 0, {}, false, "Invalid stream format."});
        all.push_back({file, "cut_in_header", 8, {}, false, "Stream read error."});
        for (size_t cut : {size_t{100}, size / 3, size / 2, size - 1})
            all.push_back({file, "cut_at_" + std::to_string(cut), cut, {}, false, std::nullopt});
        for (size_t at : {size_t{0}, size_t{3}, size_t{9}, size_t{20}, size_t{60}, size_t{200}, size / 2, size - 2})
            all.push_back({file, "flip_at_" + std::to_string(at), {}, at, false, std::nullopt});
    }
    all.push_back({"p1.dat", "missing", {}, {}, true, "File not found."});
    for (size_t cut : {0, 8, 748, 1495})
        all.push_back({"p1.dat", "cut_at_" + std::to_string(cut), cut, {}, false, "Read beyond end of file."});
    for (size_t at : {0, 3, 6, 40, 1000, 1495})
        all.push_back({"p1.dat", "flip_at_" + std::to_string(at), {}, at, false, std::nullopt});
    return all;
}

INSTANTIATE_TEST_SUITE_P(EveryDataFile, DamagedData, ::testing::ValuesIn(Damages()),
                         [](const ::testing::TestParamInfo<Damage>& info) {
                             std::string name =
                                 info.param.file.substr(0, info.param.file.find('.')) + "_" + info.param.label;
                             return name;
                         });

}  // namespace
}  // namespace klice
