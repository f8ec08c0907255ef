#include "corrections/title.h"

#include "text/gb18030.h"
#include "text/spaces.h"
#include "text/width.h"

namespace folvane::corrections {
namespace {

bool isSeparatorSign(char c) {
    static constexpr std::string_view kSigns = "!?/\\|`~@,#$%^&*().:;<>{}+[]=\"";
    return c != 0 && kSigns.find(c) != std::string_view::npos;
}

// The longest prefix of `s` of at most `limit` bytes that ends on a
// character boundary.
std::string_view wholeCharacters(std::string_view s, std::size_t limit) {
    if (s.size() <= limit) return s;
    text::BoundaryWalker walker(s);
    if (walker.reach(limit)) return s.substr(0, limit);
    return s.substr(0, walker.previousStart());
}

}  // namespace

std::string titleFromText(std::string_view text) {
    const std::string_view prefix = wholeCharacters(text, kTitleLengthLimit);
    for (std::size_t i = 0; i < prefix.size();) {
        const std::size_t len = text::charLength(prefix, i);
        const auto b0 = static_cast<unsigned char>(prefix[i]);
        bool separator = false;
        if (len == 1) {
            // A "\r\n" ends the name even when the limit falls between its bytes.
            separator = isSeparatorSign(prefix[i]) || (b0 == '\r' && text.substr(i, 2) == "\r\n");
        } else if (len == 2) {
            const auto b1 = static_cast<unsigned char>(prefix[i + 1]);
            separator = isSeparatorSign(text::halfWidthOf(b0, b1)) || (b0 == 0xA1 && b1 == 0xB6);  // 《
        }
        if (separator) return std::string(prefix.substr(0, i));
        i += len;
    }
    return std::string(prefix);
}

std::string proposedSaveName(std::string_view text) {
    return titleFromText(text::trimSpaces(wholeCharacters(text, kSaveNamePrefixLimit)));
}

}  // namespace folvane::corrections
