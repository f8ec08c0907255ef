// A line rebuilt from left to right by the correction passes, which must ask,
// before each mark, whether the text written so far ends in a half-width
// character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "text/gb18030.h"

namespace folvane::corrections {

class LineBuilder {
public:
    explicit LineBuilder(std::size_t capacity) { out_.reserve(capacity); }
    // Builds in the storage of `storage` (its bytes are dropped), so that a
    // string used line after line keeps its memory.
    LineBuilder(std::string&& storage, std::size_t capacity) : out_(std::move(storage)) {
        out_.clear();
        out_.reserve(capacity);
    }

    void append(std::string_view s) { out_ += s; }
    void append(char c) { out_ += c; }

    // text::endsHalfWidth of the text written so far, in amortised constant
    // time. Characters are parsed as the text alone parses them.
    bool endsHalfWidth() {
        if (out_.empty()) return true;
        const std::size_t last = lastStart();
        const auto b = static_cast<unsigned char>(out_[last]);
        const std::size_t len = out_.size() - last;
        if (len == 1) return b >= 0x01 && b <= 0x7F;
        return len == 2 && b == 0xA1 && static_cast<unsigned char>(out_[last + 1]) == 0xA1;
    }

    // True when the text written so far ends in a lead byte that stands
    // alone: a wide mark appended now would take it in as its first byte.
    bool endsInLoneLead() {
        if (out_.empty()) return false;
        const std::size_t last = lastStart();
        return last + 1 == out_.size() && text::isLeadByte(static_cast<unsigned char>(out_[last]));
    }

    std::string take() { return std::move(out_); }

private:
    // Start of the last character written.
    std::size_t lastStart() {
        std::size_t pos = settled_, last = settled_;
        while (pos < out_.size()) {
            last = pos;
            const std::size_t len = text::charLength(out_, pos);
            // Once all bytes a character's length depends on are written,
            // later appends cannot change it: no need to parse it again.
            if (pos + 4 <= out_.size() && pos + len < out_.size()) settled_ = pos + len;
            pos += len;
        }
        return last;
    }

    std::string out_;
    std::size_t settled_ = 0;  // a boundary; the characters before it are final
};

}  // namespace folvane::corrections
