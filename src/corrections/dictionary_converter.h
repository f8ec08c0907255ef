// Simplified/traditional conversion with the converter's current
// dictionaries, compiled into the program and matched over GB18030 text.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "corrections/script_converter.h"

namespace folvane::corrections {

// Each standard chains the dictionaries as the converter's configurations of
// the same name do (s2t/t2s, s2tw/tw2s, s2twp/tw2sp, s2hk/hk2s): the longest
// phrase first, then single characters.
//
// A character whose converted form has another byte length in GB18030 keeps
// its original form, and a phrase whose value has another number of
// characters is converted character by character, so the byte length of the
// text is kept. The one exception are the phrases of Taiwan's words (standard
// TaiwanPhrases, both directions): "U盘" becomes "隨身碟" and the text may
// change its length there.
class DictionaryConverter final : public ScriptConverter {
public:
    DictionaryConverter();
    ~DictionaryConverter() override;
    DictionaryConverter(const DictionaryConverter&) = delete;
    DictionaryConverter& operator=(const DictionaryConverter&) = delete;

    std::string convert(std::string_view text, ScriptDirection direction, ScriptStandard standard) const override;
    // The same on the text itself: pieces that keep their length are written
    // over themselves, so a long text is not held twice.
    void convertInPlace(std::string& text, ScriptDirection direction, ScriptStandard standard) const;

    // Builds the tables now (otherwise on first use).
    void load() const;

private:
    struct Tables;
    const Tables& tables() const;
    mutable std::once_flag once_;
    mutable std::unique_ptr<Tables> tables_;
};

}  // namespace folvane::corrections
