// Conversion between simplified and traditional characters.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace folvane::corrections {

enum class ScriptDirection { ToTraditional, ToSimplified };

// The standard of the traditional side: the converter's own (the default),
// Taiwan's character forms, Taiwan's forms and words (软件 and 軟體), Hong
// Kong's forms.
enum class ScriptStandard { OpenCC, Taiwan, TaiwanPhrases, HongKong };

// "opencc", "tw", "twp", "hk": the names on the command line and in "config.ini".
std::string_view scriptStandardName(ScriptStandard standard);
std::optional<ScriptStandard> scriptStandardNamed(std::string_view name);

// Implementations are created once and reused by every run; calls may come
// from several threads. A failure returns the input unchanged.
class ScriptConverter {
public:
    virtual ~ScriptConverter() = default;
    virtual std::string convert(std::string_view text, ScriptDirection direction, ScriptStandard standard) const = 0;

    std::string toTraditionalChinese(std::string_view text, ScriptStandard standard = ScriptStandard::OpenCC) const {
        return convert(text, ScriptDirection::ToTraditional, standard);
    }
    std::string toSimplifiedChinese(std::string_view text, ScriptStandard standard = ScriptStandard::OpenCC) const {
        return convert(text, ScriptDirection::ToSimplified, standard);
    }
};

}  // namespace folvane::corrections
