// The shipped game started on a data folder where one file is hostile: at
// most 4 KiB that declares the most its reader can be told (the hostile-*
// inputs of the fuzz corpora). The game must refuse it with the reader's own
// report, go on as for any damaged file, and stay within its normal peak of
// resident memory plus 64 MiB. The normal peak is taken in the same process
// first, from the game on the good data.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "game/game_state.h"
#include "game/headless_game.h"
#include "game/screens.h"
#include "platform/application.h"
#include "platform/process_clock.h"
#include "platform/process_memory.h"
#include "platform/resources.h"
#include "tests/support/data_folder.h"
#include "tests/support/temp_folder.h"

namespace klice {
namespace {

namespace fs = std::filesystem;

const fs::path kBuiltData = KLICE_BUILT_DATA_DIR;
const fs::path kCorpus = KLICE_FUZZ_CORPUS_DIR;
constexpr uint64_t kAllowance = uint64_t(64) << 20;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The built data, with `name` written as `bytes` when there are any.
testing::DataFolderCopy DataFolder(const std::string& name = "", const std::string& bytes = "") {
    if (name.empty()) return testing::DataFolderCopy(kBuiltData, "hostile");
    return testing::DataFolderCopy(kBuiltData, "hostile", name, bytes);
}

// The window resource with the bytes of its last wave (the game music)
// replaced: the property path, the binary tag and its 4-byte length lead the
// bytes in the stream.
std::string WindowWithWave(const std::string& wave) {
    const auto stored = platform::FindResource(platform::RT_RCDATA, "TFORM1");
    if (!stored) return {};
    std::string form(reinterpret_cast<const char*>(stored->data()), stored->size());
    const std::string path = std::string("\x09Wave.WAVE\x0A", 11);
    const size_t at = form.rfind(path);
    if (at == std::string::npos) return {};
    const size_t length_at = at + path.size();
    const auto byte = [&](size_t i) { return uint32_t(uint8_t(form[length_at + i])) << (8 * i); };
    const uint32_t length = byte(0) | byte(1) | byte(2) | byte(3);
    const uint32_t replaced = uint32_t(wave.size());
    std::string length_bytes(4, '\0');
    for (size_t i = 0; i < 4; ++i) length_bytes[i] = char(replaced >> (8 * i));
    form.replace(length_at, 4 + length, length_bytes + wave);
    return form;
}

// The window read from `form` while it lives.
class WindowResource {
public:
    explicit WindowResource(const std::string& form) : form_(form) {
        if (const auto stored = platform::FindResource(platform::RT_RCDATA, "TFORM1")) stored_ = *stored;
        platform::RegisterResource(platform::RT_RCDATA, "TFORM1",
                                   {reinterpret_cast<const uint8_t*>(form_.data()), form_.size()});
    }
    ~WindowResource() { platform::RegisterResource(platform::RT_RCDATA, "TFORM1", stored_); }

private:
    std::string form_;
    std::span<const uint8_t> stored_;
};

struct Started {
    std::vector<std::string> errors;  // at start
    bool ended = false;               // right after start
    double cpu_seconds = 0;           // start-up and the first title frames
    uint64_t peak = 0;                // the process's peak so far, afterwards
};

// The game started in `folder`, through three title frames and, when it
// has a level, 60 ticks of level 1 started from the menu.
Started Start(const std::string& folder) {
    Started run;
    const double cpu = platform::ProcessCpuSeconds();
    {
        HeadlessGame game(folder);
        run.errors = game.Errors();
        run.ended = game.Ended();
        game.Tick(3);
        run.cpu_seconds = platform::ProcessCpuSeconds() - cpu;
        if (!game.Ended()) {
            EXPECT_EQ(game.PresentCount(), 3u) << "the title is shown";
            game_state.intro_frames = kTitleTicks;
            game.Tick(2);
            game.MouseMove(kStartBox.centre_x(), kStartBox.centre_y());
            game.Click(kStartBox.centre_x(), kStartBox.centre_y());
            game.Tick(60);
            EXPECT_FALSE(game.Ended());
            EXPECT_EQ(game.TickCount(), 65u);
        }
    }
    run.peak = platform::PeakResidentBytes();
    return run;
}

struct Hostile {
    std::string label;                  // names the case: the reader
    std::string input;                  // in the fuzz corpora
    std::string replaces;               // the data file it stands in for; "TFORM1": the window's last wave
    std::optional<std::string> report;  // the error box at start
};

void PrintTo(const Hostile& h, std::ostream* out) { *out << h.label; }

class HostileData : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileData, IsRefusedWithinTheMemoryBudget) {
    const Hostile& h = GetParam();
    if (platform::PeakResidentBytes() == 0) GTEST_SKIP() << "the system does not tell this process's peak memory";
    const Started normal = Start(DataFolder().Path());
    ASSERT_TRUE(normal.errors.empty()) << normal.errors[0];

    const std::string bytes = ReadAll(kCorpus / h.input);
    ASSERT_FALSE(bytes.empty()) << h.input;
    ASSERT_LE(bytes.size(), 4096u);
    Started hostile;
    if (h.replaces == "TFORM1") {
        const std::string form = WindowWithWave(bytes);
        ASSERT_FALSE(form.empty());
        WindowResource window(form);
        hostile = Start(DataFolder().Path());
        // Without its window the program ends at once, as it does for any
        // window that cannot be read.
        EXPECT_TRUE(hostile.ended);
    } else {
        hostile = Start(DataFolder(h.replaces, bytes).Path());
        EXPECT_FALSE(hostile.ended);
    }
    if (h.report) {
        EXPECT_EQ(hostile.errors, std::vector<std::string>{*h.report});
    } else {
        EXPECT_TRUE(hostile.errors.empty()) << hostile.errors[0];
    }
    // The high-water mark only rises: the normal peak plus the allowance
    // holds it exactly when the hostile start stayed within it.
    EXPECT_LE(hostile.peak, normal.peak + kAllowance)
        << "normal peak " << (normal.peak >> 20) << " MiB, with " << h.input << " " << (hostile.peak >> 20) << " MiB";
    // Load time is a benchmark's to judge (BM_StartUpWithHostileFile in
    // bench/game_frame_bench); the processor time is shown for the log.
    std::printf("normal start: peak %llu MiB, %.0f ms; with %s: peak %llu MiB, %.0f ms\n",
                static_cast<unsigned long long>(normal.peak >> 20), normal.cpu_seconds * 1000, h.input.c_str(),
                static_cast<unsigned long long>(hostile.peak >> 20), hostile.cpu_seconds * 1000);
}

const std::string kPicture = "Error reading TPictureCollectionComponent.List: Error reading TPictureCollectionItem.";

INSTANTIATE_TEST_SUITE_P(
    EveryReader, HostileData,
    ::testing::Values(
        Hostile{"run_length_bomb", "picture_collection/rle-bomb-b1ab6a56", "ruzne.dat",
                kPicture + "Picture.Data: DIB is invalid."},
        Hostile{"uncompressed_header", "picture_collection/hostile-uncompressed-header", "ruzne.dat",
                kPicture + "Picture.Data: Stream read error."},
        Hostile{"jpeg_65000", "picture_collection/hostile-jpeg-65000", "ruzne.dat",
                kPicture + "Picture.Data: JPEG image is not valid."},
        Hostile{"jpeg_18000", "picture_collection/hostile-jpeg-18000", "ruzne.dat",
                kPicture + "Picture.Data: JPEG image is not valid."},
        Hostile{"picture_collection", "picture_collection/hostile-many-pictures", "ruzne.dat",
                kPicture + "Picture.Data: DIB is invalid."},
        Hostile{"component_stream", "component_stream/hostile-lengths", "ruzne.dat",
                kPicture + "Name: Stream read error."},
        Hostile{"wave", "wave/hostile-2gb-data", "TFORM1",
                "Error reading WaveList.Items: Error reading TWaveCollectionItem.Wave.WAVE: Stream read error."},
        Hostile{"level", "level/hostile-counts", "p1.dat", std::nullopt}),
    [](const ::testing::TestParamInfo<Hostile>& info) { return info.param.label; });

}  // namespace
}  // namespace klice
