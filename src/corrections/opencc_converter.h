// Simplified/traditional conversion with OpenCC's phrase-aware conversions.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "corrections/script_converter.h"

namespace folvane::corrections {

// Where Debian installs OpenCC's configurations.
inline constexpr std::string_view kOpenccConfigDirectory = "/usr/share/opencc";

// Converts with "s2t.json" (to traditional) and "t2s.json" (to simplified).
// Each direction is loaded once, on first use or by load(), and then shared
// by every call; calls may come from several threads.
//
// GB18030 in, GB18030 of the same byte length out: a character whose
// converted form has another byte length keeps its original form, and where
// a phrase maps to a different number of characters its characters are
// converted one by one. NUL bytes and bytes that are no character are kept
// as they are and split the text into pieces converted separately. When a
// configuration cannot be loaded or a conversion fails, the input comes back
// unchanged.
class OpenccConverter final : public ScriptConverter {
public:
    explicit OpenccConverter(std::string configDirectory = std::string(kOpenccConfigDirectory));
    ~OpenccConverter() override;
    OpenccConverter(const OpenccConverter&) = delete;
    OpenccConverter& operator=(const OpenccConverter&) = delete;

    std::string toTraditionalChinese(std::string_view text) const override;
    std::string toSimplifiedChinese(std::string_view text) const override;
    // The same on the text itself: every character keeps its place, so a
    // long text is converted without a copy. Should a conversion fail
    // midway, the pieces before the failure stay converted.
    void toTraditionalChineseInPlace(std::string& text) const;
    void toSimplifiedChineseInPlace(std::string& text) const;

    // Loads the direction(s) now. False, with the reason in `error`, when a
    // configuration cannot be loaded; conversions in that direction then
    // return their input.
    bool loadTraditional(std::string* error = nullptr) const;
    bool loadSimplified(std::string* error = nullptr) const;

private:
    class Direction;
    std::unique_ptr<Direction> toTraditional_;
    std::unique_ptr<Direction> toSimplified_;
};

}  // namespace folvane::corrections
