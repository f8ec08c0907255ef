// Character statistics of a text ("文字统计信息").
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace folvane::editor {

struct TextStatistics {
    std::size_t size = 0;      // bytes of the text
    std::size_t chinese = 0;   // characters that have no half-width form
    std::size_t nonChinese = 0;  // half-width characters (a tab counts as one)
    std::size_t fullWidth = 0;   // (size - nonChinese) / 2, truncated
    std::size_t total = 0;       // chinese + nonChinese
    std::size_t lines = 0;       // pieces between "\r\n"; 0 for an empty text
};

// Counts a GB18030 text. Measured in two-byte units, as the counts have
// always been: a character with a half-width form (ASCII marks, letters,
// digits, the space, and their full-width forms) counts nowhere in
// `chinese`, every other two-byte character counts one, a four-byte
// character two, and a lone control or stray byte (outside a "\r\n") half.
// Line breaks add to `size` and `fullWidth` only.
TextStatistics countText(std::string_view text);

// The report shown in the statistics window and copied to the clipboard
// (GB18030): "文本大小:N 字节\r\n中文字数:N 个\r\n非中文字数:N 个\r\n
// 全角字数:N 个\r\n总字数:N 个\r\n段落数:N 行".
std::string statisticsReport(const TextStatistics& stats);

}  // namespace folvane::editor
