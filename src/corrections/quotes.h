// Quotation-mark correction ("引号修正") of one line.
#pragma once

#include <string>
#include <string_view>

#include "corrections/quote_state.h"

namespace folvane::corrections {

// The placeholder "$#单引号#$" (GB18030): during one call it stands for an
// apostrophe that stays ASCII; every occurrence, also one the user typed,
// comes out as an ASCII apostrophe.
const std::string& apostrophePlaceholder();

// Corrects one line (GB18030, without its line break): every kind of double
// and single quotation mark is folded to ASCII, then double quotes alternate
// between "“" and "”", and single quotes become "‘" or "’" where a
// non-half-width character stands beside them (apostrophes in English stay
// ASCII). The alternation continues from `state` and is left in it.
std::string correctQuotes(std::string_view line, QuoteState& state);
// The same into `out`, but only for a line the correction may change: one
// that holds a quotation mark or a "$". For any other line it returns false
// and leaves `out` alone (the line comes out as it is; the state only gets
// its opening marks due if it was cleared). `out` must not hold `line`; its
// storage is reused.
bool correctQuotesIfAny(std::string_view line, QuoteState& state, std::string& out);

}  // namespace folvane::corrections
