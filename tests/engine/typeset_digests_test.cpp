// The typesetting result, byte for byte, on a fixed set of texts under a
// fixed set of switch combinations: the fuzz corpus, the sample article and
// generated texts full of the cases the steps treat specially (ASCII and
// full-width marks, quotes, links, headings, opaque bytes, every kind of
// line break). The expected results are kept as 64-bit digests in
// data/typeset-digests.txt; work on the speed of the steps must leave every
// one of them as it is.
//
// After a deliberate change of behaviour, write the file anew with
//   FOLVANE_WRITE_TYPESET_DIGESTS=tests/engine/data/typeset-digests.txt
//     build/tests/engine/engine_typeset_digests_test
// (one command line)
// and say in the commit why the results changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/run_context.h"
#include "engine/typeset.h"
#include "text/codec.h"

namespace {

using folvane::engine::TypesetOptions;

std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::uint64_t fnv1a(std::string_view s) {
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (const char c : s) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001b3ULL;
    }
    return h;
}

// A text of `lines` lines from `seed`: Chinese characters, full-width and
// ASCII marks, letters and digits, pieces that protection, headings and
// pauses look for, opaque bytes, and the line breaks of `breakKind`.
std::string generatedText(std::uint32_t seed, int lines, int breakKind) {
    std::mt19937 rnd(seed);
    const auto pick = [&rnd](std::size_t n) { return static_cast<std::size_t>(rnd() % n); };
    static const std::vector<std::string> han = [] {
        std::vector<std::string> v;
        const std::string s = folvane::text::gb("的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动");
        for (std::size_t i = 0; i + 1 < s.size(); i += 2) v.push_back(s.substr(i, 2));
        return v;
    }();
    static const std::vector<std::string> wide = [] {
        std::vector<std::string> v;
        const std::string s = folvane::text::gb("。，、；：？！“”‘’（）《》【】…—　．０１２ＡＢｃ");
        for (std::size_t i = 0; i + 1 < s.size(); i += 2) v.push_back(s.substr(i, 2));
        return v;
    }();
    static const std::string ascii = ".,:;?!\"'()<>[]{}@`/-_=+*&%$#~|\\";
    static const std::string plain = "abcXYZ0123456789 ";
    static const std::vector<std::string> pieces = [] {
        std::vector<std::string> v;
        for (const char* p : {"http://example.com/a.b?c=1", "mail@host.cn", "`code.x`", "第一章", "第十二回 开始",
                              "……", "——", "www.abc.com", "1.5", "a.b", "Mr. Li", "\t", "  ", "    ", "　　",
                              "'", "\"", "“", "”", "‘", "’", "$Qelvo$行为艺术$", "$Qelvo$行为艺术二$"})
            v.push_back(folvane::text::gb(p));
        return v;
    }();
    static const std::vector<std::string> opaque = {"\x81\x30", "\xff", "\x81", "\x81\x30\x81", "\xa1", "\x80"};
    static const std::vector<std::string> breaks[] = {
        {"\r\n"},
        {"\r\n", "\n", "\r", "\r\n\r\n", "\r\n  \r\n", folvane::text::gb("\r\n　　")},
        {"\r\n", "\r\n", "\r\n\r\n", folvane::text::gb("\r\n　　")},
        {"\r\n", "\r\n    ", "\r\n\r\n\r\n"},
    };
    std::string out;
    for (int l = 0; l < lines; ++l) {
        const std::size_t length = pick(61);
        for (std::size_t k = 0; k < length; ++k) {
            const std::size_t r = pick(100);
            if (r < 45) out += han[pick(han.size())];
            else if (r < 60) out += wide[pick(wide.size())];
            else if (r < 78) out += ascii[pick(ascii.size())];
            else if (r < 86) out += plain[pick(plain.size())];
            else if (r < 95) out += pieces[pick(pieces.size())];
            else out += opaque[pick(opaque.size())];
        }
        const auto& b = breaks[breakKind];
        out += b[pick(b.size())];
    }
    return out;
}

struct NamedText {
    std::string name;
    std::string text;
};

std::vector<NamedText> texts() {
    std::vector<NamedText> v;
    std::vector<std::filesystem::path> corpus;
    for (const char* dir : {"fuzz_typeset", "fuzz_strip"})
        for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(FOLVANE_FUZZ_CORPUS) / dir))
            corpus.push_back(e.path());
    std::sort(corpus.begin(), corpus.end());
    for (const auto& p : corpus) v.push_back({p.parent_path().filename().string() + "/" + p.filename().string(), slurp(p)});
    std::string article = folvane::text::gb(slurp(FOLVANE_SAMPLE_ARTICLE));
    std::string crLf;
    for (const char c : article) crLf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    v.push_back({"sample-article", crLf});
    for (std::uint32_t seed = 1; seed <= 24; ++seed)
        v.push_back({"generated-" + std::to_string(seed), generatedText(seed, seed % 6 == 0 ? 600 : 40,
                                                                        static_cast<int>(seed % 4))});
    return v;
}

struct NamedOptions {
    std::string name;
    TypesetOptions options;
};

std::vector<NamedOptions> optionSets() {
    static const char* const kEvery[] = {"trimParagraphEnds", "addIndent", "indentFullWidth", "lineBreakFix",
                                         "doubleBreak", "tripleBreak", "joinNonParagraphBreaks", "fullToHalfWidth",
                                         "halfToFullWidth", "fixPunctuation", "fixQuotes", "stripHeadNoise",
                                         "stripTailNoise", "fillBlankLines"};
    static const char* const kMore[] = {"protectLinks", "spaceHanLatin", "smartJoin"};
    const auto set = [](TypesetOptions& o, const char* name, bool on) {
        o.*(folvane::engine::findTypesetOptionField(name)->member) = on;
    };
    std::vector<NamedOptions> v;
    v.push_back({"defaults", TypesetOptions::defaults()});
    TypesetOptions every = TypesetOptions::defaults();
    for (const char* n : kEvery) set(every, n, true);
    v.push_back({"every", every});
    TypesetOptions all = every;
    for (const char* n : kMore) set(all, n, true);
    v.push_back({"every-smart", all});
    TypesetOptions half = TypesetOptions::defaults();
    for (const char* n : {"fullToHalfWidth", "fixPunctuation", "fixQuotes"}) set(half, n, true);
    set(half, "protectLinks", false);
    v.push_back({"half-width", half});
    std::mt19937 rnd(77);
    for (int k = 0; k < 12; ++k) {
        TypesetOptions o;
        for (const char* n : kEvery) set(o, n, rnd() & 1);
        for (const char* n : kMore) set(o, n, rnd() & 1);
        v.push_back({"random-" + std::to_string(k), o});
    }
    return v;
}

TEST(TypesetDigests, EveryResultStaysByteForByte) {
    std::map<std::string, std::uint64_t> results;
    for (const NamedText& t : texts())
        for (const NamedOptions& o : optionSets()) {
            folvane::engine::RunContext ctx;
            results[t.name + " " + o.name] = fnv1a(folvane::engine::typesetText(t.text, {}, false, o.options, ctx));
        }
    ASSERT_GT(results.size(), 400u);
    if (const char* target = std::getenv("FOLVANE_WRITE_TYPESET_DIGESTS")) {
        std::ofstream out(target, std::ios::binary);
        for (const auto& [key, digest] : results) out << key << ' ' << std::hex << digest << std::dec << '\n';
        GTEST_SKIP() << "digests written to " << target;
    }
    std::map<std::string, std::uint64_t> expected;
    std::istringstream in(slurp(FOLVANE_TYPESET_DIGESTS));
    std::string name, set;
    std::uint64_t digest = 0;
    while (in >> name >> set >> std::hex >> digest >> std::dec) expected[name + " " + set] = digest;
    ASSERT_EQ(expected.size(), results.size()) << "the digests file lists other texts or switch sets";
    int differing = 0;
    for (const auto& [key, value] : results) {
        const auto it = expected.find(key);
        if (it == expected.end() || it->second != value) {
            ++differing;
            ADD_FAILURE() << "the result of " << key << " changed";
        }
    }
    EXPECT_EQ(differing, 0);
}

}  // namespace
