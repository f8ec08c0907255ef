// Reading the fuzzer's bytes: settings from the first bytes, the rest as text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace folvane::fuzz {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size)
        : rest_(reinterpret_cast<const char*>(data), size) {}

    // The next byte, 0 when none is left.
    std::uint8_t byte() {
        if (rest_.empty()) return 0;
        const auto b = static_cast<std::uint8_t>(rest_.front());
        rest_.remove_prefix(1);
        return b;
    }

    // A piece up to the next NUL byte (taken), or the rest.
    std::string_view piece() {
        const std::size_t nul = rest_.find('\0');
        const std::string_view p = rest_.substr(0, nul);
        rest_.remove_prefix(nul == std::string_view::npos ? rest_.size() : nul + 1);
        return p;
    }

    std::string_view rest() const { return rest_; }

private:
    std::string_view rest_;
};

// Stops the run with a finding.
[[noreturn]] inline void violated(const char* what) {
    std::fprintf(stderr, "invariant violated: %s\n", what);
    std::abort();
}

inline void require(bool ok, const char* what) {
    if (!ok) violated(what);
}

}  // namespace folvane::fuzz
