// The undo history on a large text: 10,000 single-character edits recorded
// on a 5 MB article, then undone one by one. Reports the median and 99th
// percentile time of one record and of one undo (the undo itself plus the
// change report that showing its text causes), and the history's memory.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <vector>

#include "article_generator.h"
#include "editor/undo_history.h"

namespace folvane::bench {
namespace {

constexpr std::size_t kMB = 1000 * 1000;
constexpr int kEdits = 10'000;

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
}

void BM_HistoryEditsOn5MB(benchmark::State& state) {
    const std::string article = generateArticle(5 * kMB);
    for (auto _ : state) {
        editor::UndoHistory history;
        std::string text = article;
        history.textChanged(text, 0);
        std::mt19937 rng(99);
        std::vector<double> records, undos;
        records.reserve(kEdits);
        undos.reserve(kEdits);
        for (int i = 0; i < kEdits; ++i) {
            // Insert or delete one two-byte character somewhere in the text.
            const std::size_t at = rng() % (text.size() - 2);
            if (i % 2 == 0) text.insert(at, "\xB0\xA1");
            else text.erase(at, 2);
            std::string reported = text;  // the window hands over a fresh copy
            const auto t0 = Clock::now();
            history.textChanged(std::move(reported), static_cast<editor::Caret>(at));
            records.push_back(ms(Clock::now() - t0));
        }
        const std::size_t memory = history.memoryUsage();
        for (int i = 0; i < kEdits; ++i) {
            const auto t0 = Clock::now();
            const auto view = history.undo();
            const auto t1 = Clock::now();
            std::string shown(view->text());  // what the editor reports back
            const auto t2 = Clock::now();
            history.textChanged(std::move(shown), view->caret);
            undos.push_back(ms(t1 - t0) + ms(Clock::now() - t2));
        }
        if (history.current() != article) state.SkipWithError("undo did not restore the article");
        state.counters["record_median_ms"] = percentile(records, 0.5);
        state.counters["record_p99_ms"] = percentile(records, 0.99);
        state.counters["undo_median_ms"] = percentile(undos, 0.5);
        state.counters["undo_p99_ms"] = percentile(undos, 0.99);
        state.counters["history_MB"] = static_cast<double>(memory) / kMB;
    }
}
BENCHMARK(BM_HistoryEditsOn5MB)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace folvane::bench

BENCHMARK_MAIN();
