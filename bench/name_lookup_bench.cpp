// Looking a picture name up, as every sprite of every frame does. The cost
// follows the length of one bucket's chain, not the collection's size: a
// miss in an empty bucket stays flat, while names like "pic0" ... "picN"
// share few buckets (the bucket sees only the length and two characters),
// so hits slow down once there are thousands of them.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "data/hash_collection.h"

namespace {

using klice::THashCollection;
using klice::THashCollectionItem;

void Fill(THashCollection& items, int count) {
    for (int i = 0; i < count; ++i) static_cast<THashCollectionItem*>(items.Add())->SetName("pic" + std::to_string(i));
}

void BM_IndexOfHit(benchmark::State& state) {
    THashCollection items(THashCollectionItem::StaticClass());
    int count = static_cast<int>(state.range(0));
    Fill(items, count);
    std::vector<std::string> asked;
    for (int i = 0; i < count; i += count / 16 + 1) asked.push_back("PIC" + std::to_string(i));
    size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(items.IndexOf(asked[next]));
        next = (next + 1) % asked.size();
    }
}
BENCHMARK(BM_IndexOfHit)->Arg(16)->Arg(64)->Arg(1024)->Arg(16384);

void BM_IndexOfMiss(benchmark::State& state) {
    THashCollection items(THashCollectionItem::StaticClass());
    Fill(items, static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(items.IndexOf("missing"));
}
BENCHMARK(BM_IndexOfMiss)->Arg(16)->Arg(1024)->Arg(16384);

}  // namespace

BENCHMARK_MAIN();
