#include "text/gb18030.h"

#include <algorithm>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

namespace {

// True for a byte after which a character always ends: one that stands
// alone, one that can only be a single byte or the second of two (40-7E,
// 80), never a lead byte nor a byte inside a four-byte code.
bool endsCharacter(unsigned char b) noexcept { return isStandaloneByte(b) || (b >= 0x40 && b <= 0x7E) || b == 0x80; }

// Start of the run of bytes 81-FE that ends at `pos` (at most back to `floor`).
std::size_t highRunStart(std::string_view s, std::size_t pos, std::size_t floor) noexcept {
    const char* base = s.data();
    std::size_t k = pos;
#ifdef __SSE2__
    const __m128i below = _mm_set1_epi8(static_cast<char>(0x80));  // as signed: 81-FE lie strictly between
    const __m128i above = _mm_set1_epi8(static_cast<char>(0xFF));
    for (; k - floor >= 16; k -= 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + k - 16));
        const __m128i high = _mm_and_si128(_mm_cmpgt_epi8(x, below), _mm_cmplt_epi8(x, above));
        const unsigned other = ~static_cast<unsigned>(_mm_movemask_epi8(high)) & 0xFFFFu;
        if (other) return k - 16 + static_cast<std::size_t>(32 - __builtin_clz(other));
    }
#endif
    while (k > floor && isLeadByte(static_cast<unsigned char>(base[k - 1]))) --k;
    return k;
}

}  // namespace

std::size_t charStartBefore(std::string_view s, std::size_t pos, std::size_t floor) noexcept {
    if (isStandaloneByte(static_cast<unsigned char>(s[pos - 1]))) return pos - 1;
    // Chinese text: a run of bytes 81-FE after a boundary parts into
    // two-byte characters (every such byte is a lead byte, and a valid
    // second byte after one), so the count of its bytes decides.
    if (isLeadByte(static_cast<unsigned char>(s[pos - 1]))) {
        const std::size_t r = highRunStart(s, pos, floor);
        if (r == floor || endsCharacter(static_cast<unsigned char>(s[r - 1])))
            return r + ((pos - 1 - r) & ~std::size_t{1});
    }
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
