// Script conversion: both directions keep the byte length of the text and
// every byte that is no Chinese character (all ASCII and bytes that are no
// character at all) where it stands.
#include "corrections/opencc_converter.h"
#include "fuzz_input.h"

using namespace folvane;

namespace {

const corrections::OpenccConverter& converter() {
    static const corrections::OpenccConverter c;
    return c;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto& c = converter();
    for (const std::string& out : {c.toTraditionalChinese(text), c.toSimplifiedChinese(text)}) {
        fuzz::require(out.size() == text.size(), "the byte length changed");
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto b = static_cast<unsigned char>(text[i]);
            if (b == 0 || b == 0xFF || b == '\r' || b == '\n')
                fuzz::require(out[i] == text[i], "a byte that is no Chinese character moved");
        }
    }
    return 0;
}
