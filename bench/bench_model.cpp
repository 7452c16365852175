#include "keymapimgclass.h"

#include <benchmark/benchmark.h>

namespace {
void fill(KeyMapImgClass& m)
{
    for (int c = 0; c < KeyCols; ++c)
        for (int r = 0; r < KeyRows; ++r) {
            TKeyMap map;
            map.count = 5;
            for (int j = 0; j < 5; ++j)
                map.pairs[j].code = uint8_t(j == 4 ? 0xE0 + c % 8 : 4 + c + r + j);
            m.setKeyMap(c, r, map);
        }
}

void BM_makeImage(benchmark::State& state)
{
    KeyMapImgClass m;
    fill(m);
    for (auto _ : state) {
        m.makeImage();
        benchmark::DoNotOptimize(m.image()[880]);
    }
}
BENCHMARK(BM_makeImage);

void BM_decodeReplacing(benchmark::State& state)
{
    KeyMapImgClass m;
    fill(m);
    m.makeImage();
    for (auto _ : state) {
        DecodeResult r = m.decodeImageReplacing(m.image());
        benchmark::DoNotOptimize(r.changedKeys.size());
    }
}
BENCHMARK(BM_decodeReplacing);
}  // namespace

BENCHMARK_MAIN();
