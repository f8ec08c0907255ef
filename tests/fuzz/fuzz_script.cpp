// Script conversion: every standard but Taiwan's words keeps the byte length
// of the text and every byte that is no Chinese character (all ASCII and
// bytes that are no character at all) where it stands; Taiwan's words may
// change the length, but never a line break.
#include "corrections/dictionary_converter.h"
#include "fuzz_input.h"

#include <algorithm>

using namespace folvane;

namespace {

const corrections::DictionaryConverter& converter() {
    static const corrections::DictionaryConverter c;
    return c;
}

std::size_t count(std::string_view s, char c) { return static_cast<std::size_t>(std::count(s.begin(), s.end(), c)); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    using corrections::ScriptDirection;
    using corrections::ScriptStandard;
    for (const ScriptDirection d : {ScriptDirection::ToTraditional, ScriptDirection::ToSimplified}) {
        for (const ScriptStandard s : {ScriptStandard::OpenCC, ScriptStandard::Taiwan, ScriptStandard::HongKong}) {
            const std::string out = converter().convert(text, d, s);
            fuzz::require(out.size() == text.size(), "the byte length changed");
            for (std::size_t i = 0; i < text.size(); ++i) {
                const auto b = static_cast<unsigned char>(text[i]);
                if (b == 0 || b == 0xFF || b == '\r' || b == '\n')
                    fuzz::require(out[i] == text[i], "a byte that is no Chinese character moved");
            }
        }
        const std::string words = converter().convert(text, d, ScriptStandard::TaiwanPhrases);
        fuzz::require(count(words, '\n') == count(text, '\n'), "a line break was lost");
    }
    return 0;
}
