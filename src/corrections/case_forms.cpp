#include "corrections/case_forms.h"

#include "text/gb18030.h"

namespace folvane::corrections {
namespace {

std::string caseForm(std::string_view s, char from, char to) {
    std::string out(s);
    const int shift = to - from;
    for (std::size_t i = 0; i < out.size();) {
        const char c = out[i];
        // Bytes below 0x80 are whole characters: only a lead byte starts a
        // longer one.
        if (static_cast<unsigned char>(c) < 0x80) {
            if (c >= from && c <= from + 25) out[i] = static_cast<char>(c + shift);
            ++i;
        } else {
            i += text::charLength(out, i);
        }
    }
    return out;
}

}  // namespace

std::string upperCaseForm(std::string_view text) { return caseForm(text, 'a', 'A'); }
std::string lowerCaseForm(std::string_view text) { return caseForm(text, 'A', 'a'); }

}  // namespace folvane::corrections
