// The language server: time from a change (one character typed in the
// middle of the document) to its diagnostics published, for Markdown and
// plain text of 100 KB and 1 MB. Measured in-process: the didChange
// notification handled (the incremental edit applied), then the flush that
// runs the document and writes the publishDiagnostics message.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>

#include "article_generator.h"
#include "lsp/server.h"
#include "text/codec.h"
#include "text/file_io.h"

namespace folvane::bench {
namespace {

using json = nlohmann::json;
constexpr std::size_t kKB = 1000;

// The ten real Markdown documents of the tests, repeated to `bytes`.
std::string markdownOf(std::size_t bytes) {
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::directory_iterator(FOLVANE_MARKDOWN_DOCUMENTS))
        if (e.path().extension() == ".md" && e.path().filename().string()[0] != 'S') files.push_back(e.path());
    std::sort(files.begin(), files.end());
    std::string out;
    while (out.size() < bytes)
        for (const auto& f : files) {
            std::string b;
            text::readFile(f.string(), b);
            out += b + "\n\n";
        }
    return out;
}

std::string textOf(std::size_t bytes) {
    std::string t = text::gb18030ToUtf8(generateArticle(bytes));
    std::string out;
    for (std::size_t i = 0; i < t.size(); ++i)
        if (!(t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n')) out += t[i];
    return out;
}

// The first line from the middle on that starts with a Chinese character.
std::size_t middleLine(const std::string& document, bool chinese) {
    const std::size_t lines = static_cast<std::size_t>(std::count(document.begin(), document.end(), '\n'));
    if (!chinese) return lines / 2;
    std::size_t line = 0, at = 0;
    while (at < document.size()) {
        const auto lead = static_cast<unsigned char>(document[at]);
        if (line >= lines / 2 && lead >= 0xE4 && lead <= 0xE9) return line;
        at = document.find('\n', at);
        if (at == std::string::npos) break;
        ++at, ++line;
    }
    return lines / 2;
}

// `fault`: the "," goes behind the line's first (Chinese) character, a new
// fix the server has not seen; else at the start of the line, where it is
// none.
void runChange(benchmark::State& state, const std::string& document, const char* language, const char* uri,
               bool fault = false) {
    std::size_t published = 0, diagnostics = 0;
    lsp::LanguageServer server([&](std::string_view body) {
        published += body.size();
        if (body.find("publishDiagnostics") != std::string_view::npos) {
            diagnostics = 0;
            for (std::size_t at = body.find("\"severity\""); at != std::string_view::npos;
                 at = body.find("\"severity\"", at + 1))
                ++diagnostics;
        }
    });
    server.receive(json{{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", {{"capabilities", json::object()}}}}
                       .dump());
    server.receive(json{{"jsonrpc", "2.0"},
                        {"method", "textDocument/didOpen"},
                        {"params", {{"textDocument", {{"uri", uri}, {"languageId", language}, {"version", 1}, {"text", document}}}}}}
                       .dump());
    server.flush();
    const std::size_t middle = middleLine(document, fault);
    const std::size_t column = fault ? 1 : 0;
    int version = 1;
    bool insert = true;
    for (auto _ : state) {
        state.PauseTiming();
        // Type a "," at the start of the middle line, then take it back.
        const json range = {{"start", {{"line", middle}, {"character", column}}},
                            {"end", {{"line", middle}, {"character", column + (insert ? 0 : 1)}}}};
        const std::string change =
            json{{"jsonrpc", "2.0"},
                 {"method", "textDocument/didChange"},
                 {"params",
                  {{"textDocument", {{"uri", uri}, {"version", ++version}}},
                   {"contentChanges", {{{"range", range}, {"text", insert ? "," : ""}}}}}}}
                .dump();
        insert = !insert;
        state.ResumeTiming();
        server.receive(change);
        server.flush();
    }
    state.counters["diagnostics"] = static_cast<double>(diagnostics);
    state.counters["bytes_out"] = static_cast<double>(published) / static_cast<double>(state.iterations() + 1);
}

void BM_LspChangeMarkdown(benchmark::State& state) {
    static std::map<std::int64_t, std::string> docs;
    auto& d = docs[state.range(0)];
    if (d.empty()) d = markdownOf(static_cast<std::size_t>(state.range(0)) * kKB);
    runChange(state, d, "markdown", "file:///nonexistent-folvane/bench.md");
}
BENCHMARK(BM_LspChangeMarkdown)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_LspChangeMarkdownNewFault(benchmark::State& state) {
    static std::map<std::int64_t, std::string> docs;
    auto& d = docs[state.range(0)];
    if (d.empty()) d = markdownOf(static_cast<std::size_t>(state.range(0)) * kKB);
    runChange(state, d, "markdown", "file:///nonexistent-folvane/bench.md", true);
}
BENCHMARK(BM_LspChangeMarkdownNewFault)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_LspChangeText(benchmark::State& state) {
    static std::map<std::int64_t, std::string> docs;
    auto& d = docs[state.range(0)];
    if (d.empty()) d = textOf(static_cast<std::size_t>(state.range(0)) * kKB);
    runChange(state, d, "plaintext", "file:///nonexistent-folvane/bench.txt");
}
BENCHMARK(BM_LspChangeText)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace folvane::bench

BENCHMARK_MAIN();
