#include "text/gb18030.h"

#include <algorithm>
#include <cstring>

namespace folvane::text {

bool isSelfDelimiting(std::string_view pattern) noexcept {
    for (std::size_t i = 0; i < pattern.size();) {
        const auto b0 = static_cast<unsigned char>(pattern[i]);
        const std::size_t len = charLength(pattern, i);
        if (len == 1 && isLeadByte(b0)) {
            // A lead byte read as opaque only because the pattern ends too
            // soon would join the text's next bytes into one character.
            if (i + 1 >= pattern.size()) return false;
            const auto b1 = static_cast<unsigned char>(pattern[i + 1]);
            if (b1 >= 0x30 && b1 <= 0x39 && i + 3 >= pattern.size()) return false;
        }
        i += len;
    }
    return true;
}

std::size_t charStartBefore(std::string_view s, std::size_t pos, std::size_t floor) noexcept {
    if (isStandaloneByte(static_cast<unsigned char>(s[pos - 1]))) return pos - 1;
    // Go back to a position that is surely a boundary, then walk forward.
    std::size_t j = pos - 1;
    while (j > floor && !isStandaloneByte(static_cast<unsigned char>(s[j - 1]))) --j;
    std::size_t last = j;
    for (std::size_t i = j; i < pos; i += charLength(s, i)) last = i;
    return last;
}

std::size_t lastCharStart(std::string_view s) noexcept {
    return s.empty() ? 0 : charStartBefore(s, s.size(), 0);
}

bool endsHalfWidth(std::string_view s) noexcept {
    if (s.empty()) return true;
    const std::size_t start = lastCharStart(s);
    const std::size_t len = s.size() - start;
    const auto b = static_cast<unsigned char>(s[start]);
    if (len == 1) return b >= 0x01 && b <= 0x7F;
    return len == 2 && b == 0xA1 && static_cast<unsigned char>(s[start + 1]) == 0xA1;
}

bool joinsOpaqueByte(std::string_view left, std::size_t floor, std::string_view next, std::string_view after,
                     std::size_t* settled) noexcept {
    if (settled) *settled = left.size();
    for (std::size_t pos = left.size(); pos > floor;) {
        const std::size_t start = charStartBefore(left, pos, floor);
        if (left.size() - start > 3) break;
        if (pos - start == 1 && isLeadByte(static_cast<unsigned char>(left[start]))) {
            if (settled) *settled = start;
            char joined[8];
            const std::size_t l = left.size() - start;
            const std::size_t r1 = std::min<std::size_t>(next.size(), 4);
            const std::size_t r2 = std::min<std::size_t>(after.size(), 4 - r1);
            std::memcpy(joined, left.data() + start, l);
            if (r1) std::memcpy(joined + l, next.data(), r1);
            if (r2) std::memcpy(joined + l + r1, after.data(), r2);
            if (charLength(std::string_view(joined, l + r1 + r2), 0) > 1) return true;
        }
        pos = start;
    }
    return false;
}

}  // namespace folvane::text
