// The pairing state of quotation marks, kept from line to line and from run
// to run (cleared by the interactive run, carried on by batch and CLI runs).
#pragma once

#include <string>

namespace folvane::corrections {

struct QuoteState {
    std::string nextDoubleQuote;  // "“", "”" or empty (empty: an opening mark is due)
    std::string nextSingleQuote;  // "‘", "’" or empty

    void reset() {
        nextDoubleQuote.clear();
        nextSingleQuote.clear();
    }
};

}  // namespace folvane::corrections
