#include "corrections/case_forms.h"

#include "text/gb18030.h"

namespace folvane::corrections {
namespace {

void caseForm(std::string& out, char from, char to) {
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
}

}  // namespace

void upperCaseFormInPlace(std::string& text) { caseForm(text, 'a', 'A'); }
void lowerCaseFormInPlace(std::string& text) { caseForm(text, 'A', 'a'); }

std::string upperCaseForm(std::string_view text) {
    std::string out(text);
    upperCaseFormInPlace(out);
    return out;
}

std::string lowerCaseForm(std::string_view text) {
    std::string out(text);
    lowerCaseFormInPlace(out);
    return out;
}

}  // namespace folvane::corrections
