#include "editor/statistics.h"

#include <algorithm>
#include <string>

#include "text/codec.h"
#include "text/gb18030.h"
#include "text/width.h"

namespace folvane::editor {
namespace {

// Bytes a character gains in the full-width form: one for every character
// 0x20-0x7E that stands alone.
bool widens(std::string_view s, std::size_t pos, std::size_t len) {
    const auto b = static_cast<unsigned char>(s[pos]);
    return len == 1 && b >= 0x20 && b <= 0x7E;
}

// 2 × (bytes in the half-width form) − (bytes in the full-width form) for
// one character: 0 for a character that has both forms, 2 per two bytes of
// one that has neither, 1 for a byte that has neither.
std::size_t chineseHalves(std::string_view s, std::size_t pos, std::size_t len) {
    if (widens(s, pos, len)) return 0;
    if (len == 2 && text::halfWidthOf(static_cast<unsigned char>(s[pos]), static_cast<unsigned char>(s[pos + 1])))
        return 0;
    return len;
}

// The text as the counts read it, one byte at a time: a tab reads as the
// letter "a", and, when `dropBreaks`, every "\r\n" pair is left out (the
// pairs never overlap, so each one found is one the removal takes).
class CountedBytes {
public:
    CountedBytes(std::string_view s, bool dropBreaks) : s_(s), dropBreaks_(dropBreaks) {}

    bool next(char& c) {
        if (dropBreaks_)
            while (i_ + 1 < s_.size() && s_[i_] == '\r' && s_[i_ + 1] == '\n') i_ += 2;
        if (i_ >= s_.size()) return false;
        c = s_[i_++];
        if (c == '\t') c = 'a';
        return true;
    }

private:
    std::string_view s_;
    bool dropBreaks_;
    std::size_t i_ = 0;
};

// Calls fn(character) for every character of what `bytes` reads, parsed as
// that text parses (a character is at most four bytes, so a window of four
// bytes is all the look-ahead needed).
template <typename Fn>
void forEachCountedChar(CountedBytes bytes, Fn&& fn) {
    char window[4];
    std::size_t have = 0;
    for (;;) {
        while (have < 4 && bytes.next(window[have])) ++have;
        if (have == 0) return;
        const std::string_view w(window, have);
        const std::size_t len = text::charLength(w, 0);
        fn(w.substr(0, len));
        std::copy(window + len, window + have, window);
        have -= len;
    }
}

}  // namespace

TextStatistics countText(std::string_view text) {
    TextStatistics st;
    st.size = text.size();
    if (text.empty()) return st;
    forEachCountedChar(CountedBytes(text, false), [&](std::string_view c) {
        if (widens(c, 0, c.size())) ++st.nonChinese;
    });
    std::size_t halves = 0;
    forEachCountedChar(CountedBytes(text, true), [&](std::string_view c) { halves += chineseHalves(c, 0, c.size()); });
    st.chinese = halves / 2;
    st.lines = 1;
    for (std::size_t p = text.find("\r\n"); p != std::string_view::npos; p = text.find("\r\n", p + 2)) ++st.lines;
    st.fullWidth = (st.size - st.nonChinese) / 2;
    st.total = st.nonChinese + st.chinese;
    return st;
}

std::string statisticsReport(const TextStatistics& st) {
    std::string r;
    r += text::gb("文本大小:") + std::to_string(st.size) + text::gb(" 字节\r\n");
    r += text::gb("中文字数:") + std::to_string(st.chinese) + text::gb(" 个\r\n");
    r += text::gb("非中文字数:") + std::to_string(st.nonChinese) + text::gb(" 个\r\n");
    r += text::gb("全角字数:") + std::to_string(st.fullWidth) + text::gb(" 个\r\n");
    r += text::gb("总字数:") + std::to_string(st.total) + text::gb(" 个\r\n");
    r += text::gb("段落数:") + std::to_string(st.lines) + text::gb(" 行");
    return r;
}

}  // namespace folvane::editor
