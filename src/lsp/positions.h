// Positions of the Language Server Protocol in the editor's text: lines end
// in "\n", "\r\n" or "\r", and a column counts the units of the encoding
// the client and the server agreed on (UTF-16 code units unless the client
// offers another). The server keeps each document as UTF-8.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace folvane::lsp {

enum class PositionEncoding { Utf8, Utf16, Utf32 };

// "utf-8", "utf-16", "utf-32": the protocol's names.
std::string_view positionEncodingName(PositionEncoding encoding);
std::optional<PositionEncoding> positionEncodingNamed(std::string_view name);

struct Position {
    std::size_t line = 0;
    std::size_t character = 0;
    bool operator==(const Position&) const = default;
    auto operator<=>(const Position&) const = default;
};

// The units one character takes in `encoding`, from the length (1-4) of
// its UTF-8 form.
inline std::size_t unitsOfUtf8Length(std::size_t utf8Length, PositionEncoding encoding) {
    switch (encoding) {
        case PositionEncoding::Utf8: return utf8Length;
        case PositionEncoding::Utf16: return utf8Length == 4 ? 2 : 1;
        case PositionEncoding::Utf32: return 1;
    }
    return 1;
}

// The length of the UTF-8 character led by byte `b` (1 for a byte that
// leads none, so a walk always moves on).
inline std::size_t utf8LengthOfLead(unsigned char b) {
    if (b < 0xC0) return 1;
    if (b < 0xE0) return 2;
    if (b < 0xF0) return 3;
    return b < 0xF8 ? 4 : 1;
}

// Where the lines of a UTF-8 text start, kept up to date as the text is
// edited.
class LineIndex {
public:
    LineIndex() : starts_{0} {}
    explicit LineIndex(std::string_view text);

    std::size_t lineCount() const { return starts_.size(); }
    std::size_t lineStart(std::size_t line) const { return starts_[line]; }
    // The end of the line's characters, before its break.
    std::size_t lineEnd(std::string_view text, std::size_t line) const;

    // The byte offset of `p`. A line past the last one is the end of the
    // text; a character past the end of its line is that end (as the
    // protocol says); a position inside a character goes to its start.
    std::size_t offsetOf(std::string_view text, Position p, PositionEncoding encoding) const;
    // The position of a byte offset (at a character boundary).
    Position positionOf(std::string_view text, std::size_t offset, PositionEncoding encoding) const;

    // Brings the index up to date after bytes [start, end) of the text
    // were replaced by `insertedLength` bytes; `text` is the new text.
    void replaced(std::string_view text, std::size_t start, std::size_t end, std::size_t insertedLength);

    bool operator==(const LineIndex&) const = default;

private:
    std::vector<std::size_t> starts_;
};

// Offsets of positions asked in rising order, walking each line once (the
// many fixes of one long line cost its length, not its length each).
class PositionCursor {
public:
    PositionCursor(std::string_view text, const LineIndex& index, PositionEncoding encoding)
        : text_(text), index_(index), encoding_(encoding) {}
    // As LineIndex::offsetOf.
    std::size_t offsetOf(Position p);

private:
    std::string_view text_;
    const LineIndex& index_;
    PositionEncoding encoding_;
    std::size_t line_ = static_cast<std::size_t>(-1), units_ = 0, at_ = 0, end_ = 0;
};

// Replaces the range [start, end) of `text` (UTF-8) by `replacement` and
// updates `index`. False, changing nothing, when the range's start lies
// after its end.
bool replaceRange(std::string& text, LineIndex& index, Position start, Position end, std::string_view replacement,
                  PositionEncoding encoding);

}  // namespace folvane::lsp
