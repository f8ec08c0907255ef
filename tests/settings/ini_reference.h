// A second, independent reading of the settings file format, used to check
// what the store writes: lines split at "\n", headers "[name]", keys before
// the first "=", first occurrence wins, ASCII case ignored.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/gb18030.h"

namespace folvane::testing {

// Line texts without their ends ("\r\n", "\n", or a "\r" ending the file).
inline std::vector<std::string> referenceLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::string cur;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            if (!cur.empty() && cur.back() == '\r') cur.pop_back();
            lines.push_back(cur);
            cur.clear();
        } else {
            cur += bytes[i];
        }
    }
    if (!cur.empty()) {
        if (cur.back() == '\r') cur.pop_back();
        lines.push_back(cur);
    }
    return lines;
}

inline std::string referenceFold(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = text::charLength(s, i);
        for (std::size_t j = 0; j < n; ++j) {
            char c = s[i + j];
            if (n == 1 && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            out += c;
        }
        i += n;
    }
    return out;
}

inline std::string referenceTrim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return std::string(s.substr(b, e - b));
}

// True when the last character of `s` is the one-byte "]".
inline bool referenceEndsWithBracket(std::string_view s) {
    std::size_t last = std::string_view::npos;
    for (std::size_t i = 0; i < s.size(); i += text::charLength(s, i)) last = i;
    return last != std::string_view::npos && last == s.size() - 1 && s[last] == ']';
}

// Keys (folded) of `section` with their first values, and their order.
struct ReferenceSection {
    std::map<std::string, std::string> values;
    std::vector<std::string> order;
};

inline ReferenceSection referenceSection(std::string_view bytes, std::string_view section) {
    ReferenceSection out;
    const std::string want = referenceFold(section);
    bool inside = false;
    for (const std::string& line : referenceLines(bytes)) {
        const std::string t = referenceTrim(line);
        if (t.size() >= 2 && t[0] == '[' && referenceEndsWithBracket(t)) {
            inside = referenceFold(referenceTrim(t.substr(1, t.size() - 2))) == want;
            continue;
        }
        if (!inside || t.empty() || t[0] == ';' || t[0] == '#') continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = referenceFold(referenceTrim(line.substr(0, eq)));
        if (out.values.emplace(key, line.substr(eq + 1)).second) out.order.push_back(key);
    }
    return out;
}

}  // namespace folvane::testing
