#include "article_generator.h"

#include <random>
#include <string_view>
#include <vector>

#include "text/codec.h"

namespace folvane::bench {
namespace {

// Two-byte characters of ordinary prose, as GB18030.
std::vector<std::string> chineseCharacters() {
    const std::string gb = text::gb(
        "的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动同工也能下过子说产种面而方后多定行学法所民得经十三之进着等部度家电力里如水化高自二理起小物现实加量都两体制机当使点从业本去把性好应开它合还因由其些然前外天政四日那社义事平形相全表间样与关各重新线内数正心反你明看原又么利比或但质气第向道命此变条只没结解问意建月公无系军很情者最立代想已通并提直题党程展五果料象员革位入常文总次品式活设及管特件长求老头基资边流路级少图山统接知较将组见计别她手角期根论运农指几九区强放决西被干做必战先回则任取据处队南给色光门即保治北造百规热领七海口东导器压志世金增争济阶油思术极交受联什认六共权收证改清己美再采转更单风切打白教速花带安场身车例真务具万每目至达走积示议声报斗完类八离华名确才科张信马节话米整空元况今集温传土许步群广石记需段研界拉林律叫且究观越织装影算低持音众书布复容儿须际商非验连断深难近矿千周委素技备半办青省列习响约支般史感劳便团往酸历市克何除消构府称太准精值号率族维划选标写存候毛亲快效斯院查江型眼王按格养易置派层片始却专状育厂京识适属圆包火住调满县局照参红细引听该铁价严");
    std::vector<std::string> out;
    for (std::size_t i = 0; i + 1 < gb.size(); i += 2) out.push_back(gb.substr(i, 2));
    return out;
}

}  // namespace

std::string generateArticle(std::size_t bytes, unsigned seed) {
    static const std::vector<std::string> hanzi = chineseCharacters();
    const std::string comma = text::gb("，"), stop = text::gb("。"), fwSpace = text::gb("　");
    const std::string openQ = text::gb("“"), closeQ = text::gb("”");
    std::mt19937 rng(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };

    std::string out;
    out.reserve(bytes + 1024);
    while (out.size() < bytes) {
        // Head of a paragraph: indentation of any kind, or noise.
        switch (pick(0, 5)) {
            case 0: out += "  "; break;
            case 1: out += fwSpace + fwSpace; break;
            case 2: out += "\t"; break;
            case 3: out += "2009"; break;
            default: break;
        }
        const int paragraphChars = pick(80, 400);
        int lineChars = 0, lineLimit = pick(30, 60);
        bool inQuote = false;
        for (int c = 0; c < paragraphChars; ++c) {
            out += hanzi[static_cast<std::size_t>(pick(0, static_cast<int>(hanzi.size()) - 1))];
            ++lineChars;
            const int r = pick(0, 99);
            if (r < 5) out += ',';
            else if (r < 9) out += comma;
            else if (r < 11) out += '.';
            else if (r < 12) out += '?';
            else if (r < 13) out += "...";
            else if (r < 15) {
                out += inQuote ? (pick(0, 1) ? closeQ : std::string("\"")) : (pick(0, 1) ? openQ : std::string("\""));
                inQuote = !inQuote;
            } else if (r < 16) out += '\'';
            if (lineChars >= lineLimit && c + 1 < paragraphChars) {
                // A broken line, sometimes with noise at its end.
                if (pick(0, 3) == 0) out += pick(0, 1) ? "  " : "~~ ";
                out += "\r\n";
                lineChars = 0;
                lineLimit = pick(30, 60);
            }
        }
        out += pick(0, 2) ? stop : "!";
        if (pick(0, 4) == 0) out += fwSpace;
        out += "\r\n";
        for (int blank = pick(0, 2); blank > 0; --blank) out += pick(0, 3) ? "\r\n" : "   \r\n";
    }
    return out;
}

std::string quotesLine(std::size_t bytes, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(bytes, '"');
    for (char& c : s)
        if (rng() & 1) c = '\'';
    return s;
}

std::string emptyLines(std::size_t bytes) {
    std::string s;
    s.reserve(bytes);
    while (s.size() + 2 <= bytes) s += "\r\n";
    return s;
}

static std::string repeated(std::string_view unit, std::size_t bytes) {
    std::string s;
    s.reserve(bytes + unit.size());
    while (s.size() < bytes) s += unit;
    return s;
}

std::string marksAfterChinese(std::size_t bytes, unsigned seed) {
    static const std::vector<std::string> hanzi = chineseCharacters();
    static constexpr std::string_view kMarks = ".,:;?!";
    std::mt19937 rng(seed);
    std::string s;
    s.reserve(bytes + 16);
    while (s.size() < bytes) {
        s += hanzi[rng() % hanzi.size()];
        for (int n = static_cast<int>(rng() % 4); n >= 0; --n) s += kMarks[rng() % kMarks.size()];
    }
    return s;
}

std::string dotsLine(std::size_t bytes) { return repeated("...", bytes); }
std::string angleLine(std::size_t bytes) { return repeated("<<", bytes); }
std::string indentedBreaks(std::size_t bytes) { return repeated("\r\n\xA1\xA1\xA1\xA1", bytes); }

}  // namespace folvane::bench
