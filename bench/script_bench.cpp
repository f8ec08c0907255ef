// Throughput of the simplified/traditional conversion (OpenCC underneath).
#include <benchmark/benchmark.h>

#include "article_generator.h"
#include "corrections/opencc_converter.h"

namespace folvane::bench {
namespace {

const corrections::OpenccConverter& converter() {
    static const corrections::OpenccConverter c;
    return c;
}

void BM_ToTraditional(benchmark::State& state) {
    const std::string input = generateArticle(static_cast<std::size_t>(state.range(0)) * 1000 * 1000);
    converter().loadTraditional();
    for (auto _ : state) {
        std::string out = converter().toTraditionalChinese(input);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(input.size()));
}
BENCHMARK(BM_ToTraditional)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ToSimplified(benchmark::State& state) {
    const std::string input =
        converter().toTraditionalChinese(generateArticle(static_cast<std::size_t>(state.range(0)) * 1000 * 1000));
    converter().loadSimplified();
    for (auto _ : state) {
        std::string out = converter().toSimplifiedChinese(input);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(input.size()));
}
BENCHMARK(BM_ToSimplified)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace folvane::bench

BENCHMARK_MAIN();
