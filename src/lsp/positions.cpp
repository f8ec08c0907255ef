#include "lsp/positions.h"

#include <algorithm>

namespace folvane::lsp {
namespace {

// Whether a line starts at `pos` (0 < pos <= text.size()): after "\n", or
// after a "\r" that no "\n" follows.
bool startsLine(std::string_view text, std::size_t pos) {
    const char before = text[pos - 1];
    if (before == '\n') return true;
    return before == '\r' && (pos == text.size() || text[pos] != '\n');
}

}  // namespace

std::string_view positionEncodingName(PositionEncoding encoding) {
    switch (encoding) {
        case PositionEncoding::Utf8: return "utf-8";
        case PositionEncoding::Utf16: return "utf-16";
        case PositionEncoding::Utf32: return "utf-32";
    }
    return "utf-16";
}

std::optional<PositionEncoding> positionEncodingNamed(std::string_view name) {
    if (name == "utf-8") return PositionEncoding::Utf8;
    if (name == "utf-16") return PositionEncoding::Utf16;
    if (name == "utf-32") return PositionEncoding::Utf32;
    return std::nullopt;
}

LineIndex::LineIndex(std::string_view text) : starts_{0} {
    for (std::size_t p = 1; p <= text.size(); ++p)
        if (startsLine(text, p)) starts_.push_back(p);
}

std::size_t LineIndex::lineEnd(std::string_view text, std::size_t line) const {
    std::size_t end = line + 1 < starts_.size() ? starts_[line + 1] : text.size();
    if (end > starts_[line] && text[end - 1] == '\n') --end;
    if (end > starts_[line] && text[end - 1] == '\r') --end;
    return end;
}

std::size_t LineIndex::offsetOf(std::string_view text, Position p, PositionEncoding encoding) const {
    if (p.line >= starts_.size()) return text.size();
    const std::size_t end = lineEnd(text, p.line);
    std::size_t at = starts_[p.line], units = 0;
    while (at < end) {
        const std::size_t len = std::min(utf8LengthOfLead(static_cast<unsigned char>(text[at])), end - at);
        const std::size_t next = units + unitsOfUtf8Length(len, encoding);
        if (next > p.character) break;
        units = next;
        at += len;
    }
    return at;
}

Position LineIndex::positionOf(std::string_view text, std::size_t offset, PositionEncoding encoding) const {
    offset = std::min(offset, text.size());
    const auto it = std::upper_bound(starts_.begin(), starts_.end(), offset);
    Position p;
    p.line = static_cast<std::size_t>(it - starts_.begin()) - 1;
    for (std::size_t at = starts_[p.line]; at < offset;) {
        const std::size_t len = std::min(utf8LengthOfLead(static_cast<unsigned char>(text[at])), offset - at);
        p.character += unitsOfUtf8Length(len, encoding);
        at += len;
    }
    return p;
}

void LineIndex::replaced(std::string_view text, std::size_t start, std::size_t end, std::size_t insertedLength) {
    // A line start before `start` depends on bytes before it only; one at
    // or after `end + 2` (old offsets) on bytes after the replaced range.
    // Between them the new text is scanned again.
    const auto first = std::lower_bound(starts_.begin() + 1, starts_.end(), std::max<std::size_t>(start, 1));
    const auto last = std::lower_bound(first, starts_.end(), end + 2);
    const std::ptrdiff_t delta = static_cast<std::ptrdiff_t>(insertedLength) - static_cast<std::ptrdiff_t>(end - start);
    const std::size_t scanEnd =
        last == starts_.end() ? text.size() : static_cast<std::size_t>(static_cast<std::ptrdiff_t>(*last) + delta) - 1;
    std::vector<std::size_t> found;
    for (std::size_t p = std::max<std::size_t>(start, 1); p <= scanEnd && p <= text.size(); ++p)
        if (startsLine(text, p)) found.push_back(p);
    for (auto it = last; it != starts_.end(); ++it) *it = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(*it) + delta);
    const auto at = starts_.erase(first, last);
    starts_.insert(at, found.begin(), found.end());
}

std::size_t PositionCursor::offsetOf(Position p) {
    if (p.line >= index_.lineCount()) return text_.size();
    if (p.line != line_ || p.character < units_) {
        line_ = p.line;
        units_ = 0;
        at_ = index_.lineStart(p.line);
        end_ = index_.lineEnd(text_, p.line);
    }
    while (at_ < end_) {
        const std::size_t len = std::min(utf8LengthOfLead(static_cast<unsigned char>(text_[at_])), end_ - at_);
        const std::size_t next = units_ + unitsOfUtf8Length(len, encoding_);
        if (next > p.character) break;
        units_ = next;
        at_ += len;
    }
    return at_;
}

bool replaceRange(std::string& text, LineIndex& index, Position start, Position end, std::string_view replacement,
                  PositionEncoding encoding) {
    const std::size_t a = index.offsetOf(text, start, encoding);
    const std::size_t b = index.offsetOf(text, end, encoding);
    if (a > b) return false;
    text.replace(a, b - a, replacement);
    index.replaced(text, a, b, replacement.size());
    return true;
}

}  // namespace folvane::lsp
