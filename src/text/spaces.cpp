#include "text/spaces.h"

#include "text/gb18030.h"

namespace folvane::text {
namespace {

// Length of the space character at `pos` (1 or 2), or 0 when it is none.
std::size_t spaceAt(std::string_view s, std::size_t pos, std::size_t len) noexcept {
    if (len == 1) return s[pos] == ' ' ? 1 : 0;
    if (len == 2 && s[pos] == '\xA1' && s[pos + 1] == '\xA1') return 2;
    return 0;
}

}  // namespace

std::string_view trimLeadingSpaces(std::string_view s) noexcept {
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t len = charLength(s, i);
        if (!spaceAt(s, i, len)) break;
        i += len;
    }
    return s.substr(i);
}

std::string_view trimSpaces(std::string_view s) noexcept {
    s = trimLeadingSpaces(s);
    // A space ends in 0x20 or 0xA1; a line that ends otherwise needs no walk.
    if (s.empty() || (s.back() != ' ' && s.back() != '\xA1')) return s;
    std::size_t end = 0;  // end of the last character that is not a space
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t len = charLength(s, i);
        if (!spaceAt(s, i, len)) end = i + len;
        i += len;
    }
    return s.substr(0, end);
}

}  // namespace folvane::text
