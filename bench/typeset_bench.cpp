// Throughput of the typesetting pipeline on generated and adversarial texts.
#include <benchmark/benchmark.h>

#include "article_generator.h"
#include "engine/typeset.h"

namespace folvane::bench {
namespace {

using engine::TypesetOptions;

constexpr std::size_t kMB = 1000 * 1000;

const std::string& article(std::size_t bytes) {
    static const std::string one = generateArticle(1 * kMB);
    static const std::string ten = generateArticle(10 * kMB);
    return bytes == kMB ? one : ten;
}

// Evicts the input from the caches between iterations, so that 1 MB and
// 10 MB are both measured as a user meets them: a text typeset once.
void evictCaches() {
    static std::string scratch(64 * kMB, '\0');
    for (std::size_t i = 0; i < scratch.size(); i += 64) scratch[i] = static_cast<char>(scratch[i] + 1);
    benchmark::DoNotOptimize(scratch.data());
}

void runTypeset(benchmark::State& state, const std::string& input, const TypesetOptions& options,
                bool signatures = false) {
    for (auto _ : state) {
        state.PauseTiming();
        evictCaches();
        state.ResumeTiming();
        engine::RunContext ctx;
        ctx.signature.signatureEnabled = signatures;
        ctx.signature.headSignatureTemplate = "#YYYY-#MM-#DD";
        ctx.signature.tailSignatureTemplate = "#HH:#II:#SS";
        std::string out = engine::typesetText(input, {}, false, options, ctx);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(input.size()));
}

TypesetOptions joinAndNoise() {
    TypesetOptions o = TypesetOptions::defaults();
    o.joinNonParagraphBreaks = o.stripHeadNoise = o.stripTailNoise = true;
    return o;
}

void BM_TypesetDefaults(benchmark::State& state) {
    runTypeset(state, article(static_cast<std::size_t>(state.range(0)) * kMB), TypesetOptions::defaults());
}
BENCHMARK(BM_TypesetDefaults)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_TypesetJoinAndNoise(benchmark::State& state) {
    runTypeset(state, article(static_cast<std::size_t>(state.range(0)) * kMB), joinAndNoise());
}
BENCHMARK(BM_TypesetJoinAndNoise)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

// Every switch of the pipeline and of the punctuation and quote corrections,
// signatures included; not the script conversion.
TypesetOptions everySwitch() {
    TypesetOptions o;
    for (const auto& f : engine::typesetOptionFields()) o.*(f.member) = true;
    o.toTraditional = o.toSimplified = false;
    return o;
}

void BM_TypesetEverySwitch(benchmark::State& state) {
    runTypeset(state, article(static_cast<std::size_t>(state.range(0)) * kMB), everySwitch(), true);
}
BENCHMARK(BM_TypesetEverySwitch)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

TypesetOptions with(bool TypesetOptions::*field) {
    TypesetOptions o = TypesetOptions::defaults();
    o.*field = true;
    return o;
}

// One long line each: the documented scans search again from the start of
// the line for every mark.
void BM_QuotesLineFixQuotes(benchmark::State& state) {
    runTypeset(state, quotesLine(kMB), with(&TypesetOptions::fixQuotes));
}
void BM_MarksLineFixPunctuation(benchmark::State& state) {
    runTypeset(state, marksAfterChinese(kMB), with(&TypesetOptions::fixPunctuation));
}
BENCHMARK(BM_QuotesLineFixQuotes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarksLineFixPunctuation)->Unit(benchmark::kMillisecond);

void BM_AdversarialQuotes(benchmark::State& state) { runTypeset(state, quotesLine(kMB), joinAndNoise()); }
void BM_AdversarialEmptyLines(benchmark::State& state) { runTypeset(state, emptyLines(kMB), joinAndNoise()); }
void BM_AdversarialDots(benchmark::State& state) { runTypeset(state, dotsLine(kMB), joinAndNoise()); }
void BM_AdversarialAngles(benchmark::State& state) { runTypeset(state, angleLine(kMB), joinAndNoise()); }
void BM_AdversarialIndentedBreaks(benchmark::State& state) {
    runTypeset(state, indentedBreaks(kMB), joinAndNoise());
}
BENCHMARK(BM_AdversarialQuotes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AdversarialEmptyLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AdversarialDots)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AdversarialAngles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AdversarialIndentedBreaks)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace folvane::bench

BENCHMARK_MAIN();
