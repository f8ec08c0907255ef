// Throughput of the simplified/traditional conversion, and the time its
// dictionary tables take to build.
#include <benchmark/benchmark.h>

#include "article_generator.h"
#include "corrections/dictionary_converter.h"

namespace folvane::bench {
namespace {

using corrections::ScriptDirection;
using corrections::ScriptStandard;

const corrections::DictionaryConverter& converter() {
    static const corrections::DictionaryConverter c;
    return c;
}

void BM_LoadTables(benchmark::State& state) {
    for (auto _ : state) {
        corrections::DictionaryConverter c;
        c.load();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_LoadTables)->Unit(benchmark::kMillisecond);

void convertArticle(benchmark::State& state, ScriptDirection direction, ScriptStandard standard) {
    std::string input = generateArticle(static_cast<std::size_t>(state.range(0)) * 1000 * 1000);
    if (direction == ScriptDirection::ToSimplified) input = converter().convert(input, ScriptDirection::ToTraditional, standard);
    converter().load();
    for (auto _ : state) {
        std::string out = converter().convert(input, direction, standard);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(input.size()));
}

void BM_ToTraditional(benchmark::State& state) { convertArticle(state, ScriptDirection::ToTraditional, ScriptStandard::OpenCC); }
void BM_ToSimplified(benchmark::State& state) { convertArticle(state, ScriptDirection::ToSimplified, ScriptStandard::OpenCC); }
void BM_ToTaiwanPhrases(benchmark::State& state) {
    convertArticle(state, ScriptDirection::ToTraditional, ScriptStandard::TaiwanPhrases);
}
BENCHMARK(BM_ToTraditional)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToSimplified)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToTaiwanPhrases)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace folvane::bench

BENCHMARK_MAIN();
