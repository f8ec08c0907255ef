// Character boundaries of GB18030 byte strings.
//
// A text inside the core is a byte string in GB18030 (a superset of GBK, so
// every GBK byte sequence means the same). Characters are 1, 2 or 4 bytes:
//   - a byte below 0x80 is one character;
//   - a lead byte 0x81-0xFE followed by 0x30-0x39, 0x81-0xFE, 0x30-0x39 is a
//     4-byte character;
//   - a lead byte followed by 0x40-0x7E or 0x80-0xFE is a 2-byte character;
//   - any other byte (0x80, 0xFF, a lead byte without a valid follower) is an
//     opaque one-byte character: kept, never dropped, never half-width.
#pragma once

#include <cstddef>
#include <string_view>

namespace folvane::text {

inline bool isLeadByte(unsigned char b) noexcept { return b >= 0x81 && b <= 0xFE; }

// Length in bytes (1, 2 or 4) of the character that starts at `pos` < s.size().
inline std::size_t charLength(std::string_view s, std::size_t pos) noexcept {
    const auto b0 = static_cast<unsigned char>(s[pos]);
    if (!isLeadByte(b0) || pos + 1 >= s.size()) return 1;
    const auto b1 = static_cast<unsigned char>(s[pos + 1]);
    if ((b1 >= 0x40 && b1 <= 0x7E) || (b1 >= 0x80 && b1 <= 0xFE)) return 2;
    if (b1 >= 0x30 && b1 <= 0x39 && pos + 3 < s.size()) {
        const auto b2 = static_cast<unsigned char>(s[pos + 2]);
        const auto b3 = static_cast<unsigned char>(s[pos + 3]);
        if (isLeadByte(b2) && b3 >= 0x30 && b3 <= 0x39) return 4;
    }
    return 1;
}

// True for a byte that can never be the second, third or fourth byte of a
// character. Such a byte always starts a character of its own, whatever
// precedes it, so a search for it needs no boundary check.
inline bool isStandaloneByte(unsigned char b) noexcept {
    return b < 0x30 || (b >= 0x3A && b <= 0x3F) || b == 0x7F || b == 0xFF;
}

// True when `pattern`, matched at a character boundary of any text, is sure to
// cover whole characters of that text: it starts with a standalone byte or is
// checked separately, and the way its own characters parse does not depend on
// bytes after its end (no dangling lead byte).
bool isSelfDelimiting(std::string_view pattern) noexcept;

// Walks the character boundaries of a text from left to right. Used by every
// search that must match at boundaries only; the walk over one text is linear
// however many positions are asked for, as long as they do not decrease.
class BoundaryWalker {
public:
    explicit BoundaryWalker(std::string_view s, std::size_t start = 0) noexcept
        : s_(s), pos_(start) {}

    // Moves to the first boundary at or after `target`; true when `target`
    // itself is a boundary. Targets must not decrease between calls.
    bool reach(std::size_t target) noexcept {
        while (pos_ < target) {
            prev_ = pos_;
            pos_ += charLength(s_, pos_);
        }
        return pos_ == target;
    }

    // The current boundary.
    std::size_t position() const noexcept { return pos_; }
    // Start of the character that ends at position(); npos before the first step.
    std::size_t previousStart() const noexcept { return prev_; }

private:
    std::string_view s_;
    std::size_t pos_;
    std::size_t prev_ = std::string_view::npos;
};

// Start of the last character of a non-empty text (linear in the worst case).
std::size_t lastCharStart(std::string_view s) noexcept;

// Start of the character that ends at `pos`, where `pos` and `floor` <= pos
// are boundaries and pos > floor. Looks no further back than the nearest
// standalone byte, so calls for successive line ends cost the length of the
// lines at most.
std::size_t charStartBefore(std::string_view s, std::size_t pos, std::size_t floor) noexcept;

// True when writing `next`, then `after`, right behind `left` would join
// an opaque lead byte near the end of `left` (one that stands alone only
// because nothing valid followed it) with those bytes into one character:
// a removal or replacement that did so would make a character out of bytes
// that were none. `floor` is a character boundary of `left`; only its last
// three bytes matter. `settled`, when given, receives a boundary before
// which nothing can join any more however `left` grows: the first opaque
// lead byte among its last three bytes, else its end.
bool joinsOpaqueByte(std::string_view left, std::size_t floor, std::string_view next,
                     std::string_view after = {}, std::size_t* settled = nullptr) noexcept;

// True for an empty text, or when the last character is one byte 0x01-0x7F or
// the full-width space A1 A1.
bool endsHalfWidth(std::string_view s) noexcept;

// Calls fn(pos, len) for every character, left to right.
template <typename Fn>
void forEachChar(std::string_view s, Fn&& fn) {
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t len = charLength(s, i);
        fn(i, len);
        i += len;
    }
}

}  // namespace folvane::text
