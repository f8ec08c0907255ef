// Conversion between simplified and traditional characters.
#pragma once

#include <string>
#include <string_view>

namespace folvane::corrections {

// Both directions keep the byte length of the text; a failure returns the
// input unchanged. Implementations are created once and reused by every run.
class ScriptConverter {
public:
    virtual ~ScriptConverter() = default;
    virtual std::string toTraditionalChinese(std::string_view text) const = 0;
    virtual std::string toSimplifiedChinese(std::string_view text) const = 0;
};

}  // namespace folvane::corrections
