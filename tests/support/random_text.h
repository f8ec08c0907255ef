// Seeded random texts for property tests: pieces drawn from a pool that mixes
// the characters a rule reacts to with bytes that make character boundaries
// interesting (lead bytes, digits, stray and NUL bytes).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace folvane::testing {

class RandomText {
public:
    explicit RandomText(std::uint32_t seed) : state_(seed * 2654435761u + 1) {}

    std::uint32_t next() {
        // xorshift32: the same sequence on every platform.
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    std::size_t below(std::size_t n) { return n ? next() % n : 0; }

    // Up to `maxPieces` pieces of `pool`, one after another.
    std::string pieces(const std::vector<std::string>& pool, std::size_t maxPieces) {
        std::string s;
        for (std::size_t n = below(maxPieces + 1); n > 0; --n) s += pool[below(pool.size())];
        return s;
    }

    // Up to `maxLength` arbitrary bytes.
    std::string bytes(std::size_t maxLength) {
        std::string s;
        for (std::size_t n = below(maxLength + 1); n > 0; --n) s += static_cast<char>(next() >> 24);
        return s;
    }

private:
    std::uint32_t state_;
};

// Bytes that test character boundaries: a dangling lead byte, the start of a
// four-byte character, a stray trail byte, NUL, 0x80, 0xFF, digits.
inline const std::vector<std::string>& boundaryBytes() {
    static const std::vector<std::string> pool = {"\x81", "\x81\x30", "\xA1", "\xA3", "\xB0", std::string(1, '\0'),
                                                  "\x80", "\xFF", "0",    "9",    "\x40"};
    return pool;
}

inline std::vector<std::string> withBoundaryBytes(std::vector<std::string> pool) {
    pool.insert(pool.end(), boundaryBytes().begin(), boundaryBytes().end());
    return pool;
}

}  // namespace folvane::testing
