// Helpers for tests that write GB18030 expectations as readable UTF-8.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "text/codec.h"
#include "text/gb18030.h"

namespace folvane::testing {

// The first text x + code + y, over every one- and two-byte code (any
// bytes) and every x of `before` and y of `after`, for which `agrees` is
// false; empty when it holds for all. The contexts are where character
// boundaries could move; one fault is reported, not thousands.
template <typename Agrees>
std::optional<std::string> firstCodeInContextWhere(std::span<const std::string> before,
                                                   std::span<const std::string> after, Agrees&& agrees) {
    for (int b0 = 0; b0 < 256; ++b0)
        for (int b1 = -1; b1 < 256; ++b1) {
            std::string code(1, static_cast<char>(b0));
            if (b1 >= 0) code += static_cast<char>(b1);
            for (const auto& x : before)
                for (const auto& y : after) {
                    std::string s = x + code + y;
                    if (!agrees(s)) return s;
                }
        }
    return std::nullopt;
}

// The bytes of `s` that are characters of their own though no character
// (0x80, 0xFF, lead bytes without a valid follower), in order. A step that
// keeps every such byte apart gives them back unchanged: one that joined
// one with a neighbour would lose it here.
inline std::string opaqueBytes(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t len = text::charLength(s, i);
        if (len == 1 && static_cast<unsigned char>(s[i]) >= 0x80) out += s[i];
        i += len;
    }
    return out;
}

// GB18030 bytes of a UTF-8 literal.
inline std::string g(std::string_view utf8) { return text::gb(utf8); }

// Readable form of a GB18030 text: UTF-8 with line breaks and other control
// bytes escaped, so that failures show what differs.
inline std::string show(std::string_view gbText) {
    const std::string u = text::gb18030ToUtf8(gbText);
    std::string out;
    for (unsigned char c : u) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (c < 0x20 || c == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

inline ::testing::AssertionResult gbEqual(const char* aExpr, const char* bExpr, std::string_view a,
                                          std::string_view b) {
    if (a == b) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << aExpr << " and " << bExpr << " differ:\n  actual:   \""
                                         << show(a) << "\"\n  expected: \"" << show(b) << "\"";
}

}  // namespace folvane::testing

// Compares two GB18030 texts byte for byte and prints them readably.
#define EXPECT_GB_EQ(actual, expected) EXPECT_PRED_FORMAT2(::folvane::testing::gbEqual, actual, expected)
