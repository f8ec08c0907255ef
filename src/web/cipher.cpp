#include "web/cipher.h"

#include <cstdint>

namespace folvane::web {

namespace {

constexpr std::string_view kMagic = "FVC1";
constexpr std::size_t kHeaderSize = 12;

std::uint32_t fnv1a(std::string_view bytes, std::uint32_t h = 2166136261u) {
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 16777619u;
    }
    return h;
}

// xorshift32 seeded from the key; never zero.
class KeyStream {
public:
    explicit KeyStream(std::string_view key) : state_(fnv1a(key) | 1u) {}
    unsigned char next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<unsigned char>(state_ >> 24);
    }

private:
    std::uint32_t state_;
};

void put32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t get32(std::string_view s) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[static_cast<std::size_t>(i)]);
    return v;
}

std::string mix(std::string_view bytes, std::string_view key) {
    KeyStream ks(key);
    std::string out(bytes);
    for (char& c : out) c = static_cast<char>(static_cast<unsigned char>(c) ^ ks.next());
    return out;
}

}  // namespace

std::string encipher(std::string_view plain, std::string_view key) {
    std::string out(kMagic);
    put32(out, static_cast<std::uint32_t>(plain.size()));
    put32(out, fnv1a(plain));
    out += mix(plain, key);
    return out;
}

std::optional<std::string> decipher(std::string_view data, std::string_view key) {
    if (data.size() < kHeaderSize || data.substr(0, kMagic.size()) != kMagic) return std::nullopt;
    const std::uint32_t size = get32(data.substr(4, 4));
    const std::uint32_t sum = get32(data.substr(8, 4));
    if (data.size() - kHeaderSize != size) return std::nullopt;
    std::string plain = mix(data.substr(kHeaderSize), key);
    if (fnv1a(plain) != sum) return std::nullopt;
    return plain;
}

}  // namespace folvane::web
