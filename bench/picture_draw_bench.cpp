// Picture items on the game's back surface: the unkeyed 1024 x 768 level
// background against a memcpy of the same 1,572,864 bytes in the same run,
// and the player's rotated draw (60 x 76, mirrored).
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "data/forms.h"
#include "data/picture.h"
#include "display/dxdraws.h"
#include "display/image_list.h"
#include "display/picture_surfaces.h"
#include "tests/support/display_form.h"

using namespace klice;

namespace {

std::unique_ptr<TDIB> Picture(int width, int height) {
    auto dib = std::make_unique<TDIB>();
    dib->SetSize(width, height, 24);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = dib->ScanLine(y);
        for (int x = 0; x < width * 3; ++x) row[x] = static_cast<uint8_t>(x * 7 + y);
    }
    return dib;
}

struct Game : testing::display_form {
    TPictureCollectionItem* background;
    TPictureCollectionItem* player;

    Game() {
        background = list->Items()->Add();
        background->SetName("p1");
        background->Transparent = false;
        background->Picture()->SetGraphic(Picture(1024, 768));
        player = list->Items()->Add();
        player->SetName("pa1");
        player->SetTransparentColor(clWhite);
        player->Picture()->SetGraphic(Picture(60, 76));
        dxdraw->Initialize();
    }
};

void BM_Memcpy1024x768x16(benchmark::State& state) {
    std::vector<uint8_t> a(1572864, 1), b(1572864);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), a.size());
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(a.size()));
}
BENCHMARK(BM_Memcpy1024x768x16);

void BM_DrawBackground(benchmark::State& state) {
    Game game;
    for (auto _ : state) {
        Draw(*game.background, game.dxdraw->Surface(), 0, 0, 0);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 1572864);
}
BENCHMARK(BM_DrawBackground);

void BM_DrawRotatedPlayer(benchmark::State& state) {
    Game game;
    const int width = static_cast<int>(state.range(0));
    for (auto _ : state) {
        DrawRotated(*game.player, game.dxdraw->Surface(), 500, 400, width, 76, 0, 0.5, 0.0, 0.0f);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DrawRotatedPlayer)->Arg(60)->Arg(-60);

}  // namespace

BENCHMARK_MAIN();
