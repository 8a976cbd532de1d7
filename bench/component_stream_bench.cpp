// Reading component streams: large binary blocks (pictures and waves of
// several megabytes reach their owners through defined properties) and
// long lists of small properties.
#include <benchmark/benchmark.h>

#include "data/component_stream.h"
#include "data/filer.h"
#include "data/persistent.h"
#include "data/stream.h"

namespace klice {

class TBenchItem : public TCollectionItem {
    KLICE_CLASS(TBenchItem, TCollectionItem)
public:
    explicit TBenchItem(TCollection* c) : TCollectionItem(c) {}
    void DefineProperties(TFiler& filer) override {
        TCollectionItem::DefineProperties(filer);
        filer.DefineBinaryProperty(
            "Data",
            [this](TStream& s) {
                data.resize(static_cast<size_t>(s.Size()));
                s.ReadBuffer(data.data(), data.size());
            },
            [this](TStream& s) { s.WriteBuffer(data.data(), data.size()); }, !data.empty());
    }
    std::string name;
    int32_t width = 0, height = 0;
    bool transparent = true;
    TColor color = clBlack;
    std::vector<uint8_t> data;
};

KLICE_DESCRIBE_CLASS(TBenchItem, c) {
    c.String("Name", &TBenchItem::name, &TBenchItem::name);
    c.Integer("Width", &TBenchItem::width, &TBenchItem::width);
    c.Integer("Height", &TBenchItem::height, &TBenchItem::height);
    c.Boolean("Transparent", &TBenchItem::transparent, &TBenchItem::transparent);
    c.Color("Color", &TBenchItem::color, &TBenchItem::color);
}

class TBenchHolder : public TComponent {
    KLICE_CLASS(TBenchHolder, TComponent)
public:
    explicit TBenchHolder(TComponent* owner) : TComponent(owner), list(TBenchItem::StaticClass()) {}
    TCollection list;
    TCollection* List() { return &list; }
    void SetList(TCollection* v) { list.Assign(v); }
};

KLICE_DESCRIBE_CLASS(TBenchHolder, c) { c.Object("List", &TBenchHolder::List, &TBenchHolder::SetList); }

namespace {

std::vector<uint8_t> Stream(int items, size_t block) {
    TBenchHolder holder(nullptr);
    for (int i = 0; i < items; ++i) {
        auto* item = static_cast<TBenchItem*>(holder.list.Add());
        item->name = "p" + std::to_string(i);
        item->width = 1024;
        item->height = 768;
        item->color = i % 2 ? clWhite : 98304;
        item->data.assign(block, static_cast<uint8_t>(i));
    }
    TMemoryStream s;
    WriteComponentRes(s, "BENCH", holder);
    return s.Bytes();
}

void BM_ReadLargeBlocks(benchmark::State& state) {
    std::vector<uint8_t> bytes = Stream(4, 2359341);  // four 1024 x 768 x 24 pictures
    for (auto _ : state) {
        TBenchHolder holder(nullptr);
        TBytesViewStream s(bytes);
        ReadComponentRes(s, holder);
        benchmark::DoNotOptimize(holder.list.Count());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_ReadLargeBlocks)->Unit(benchmark::kMillisecond);

void BM_ReadManySmallItems(benchmark::State& state) {
    std::vector<uint8_t> bytes = Stream(2000, 0);
    for (auto _ : state) {
        TBenchHolder holder(nullptr);
        TBytesViewStream s(bytes);
        ReadComponentRes(s, holder);
        benchmark::DoNotOptimize(holder.list.Count());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 2000);
}
BENCHMARK(BM_ReadManySmallItems)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace klice

BENCHMARK_MAIN();
