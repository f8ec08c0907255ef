// Stretches of a line that corrections must leave as they are: links,
// e-mail addresses, code between backticks and stock-ticker suffixes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace folvane::corrections {

struct Span {
    std::size_t start;
    std::size_t end;  // one past the last byte
    bool operator==(const Span&) const = default;
};

// The protected stretches of one GB18030 line, left to right, apart and at
// character boundaries:
//   - a link: a scheme ("https://", "ftp://", ...) or "www." at the start of
//     a word, up to a space, a quotation mark, "<", ">", a backtick or a
//     full-width symbol or punctuation mark; Chinese characters belong to it
//     ("https://a.cn/文件名.html"); trailing ASCII punctuation and a closing
//     parenthesis without its opening one are not part of it;
//   - an e-mail address: name@domain.tld;
//   - text between two backticks on the line, backticks included;
//   - a ticker suffix: "." and one to four capital letters after a character
//     that is no space, before anything but a letter or digit ("阿里巴巴.US").
std::vector<Span> protectedSpans(std::string_view line);
// The same into `spans` (cleared first), so that a vector used line after
// line keeps its storage.
void protectedSpansInto(std::string_view line, std::vector<Span>& spans);

// True when the line's last protected stretch reaches its end.
bool endsInProtectedSpan(std::string_view line);

// Applies `correct` to the stretches between the protected ones and keeps
// the protected ones as they are, appending to `out`. `correct` takes a
// piece and returns its corrected form.
template <typename Correct>
void correctAround(std::string_view line, const std::vector<Span>& spans, Correct&& correct, std::string& out) {
    std::size_t pos = 0;
    for (const Span& s : spans) {
        if (s.start > pos) out += correct(line.substr(pos, s.start - pos));
        out += line.substr(s.start, s.end - s.start);
        pos = s.end;
    }
    if (pos < line.size()) out += correct(line.substr(pos));
}

}  // namespace folvane::corrections
