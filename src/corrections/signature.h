// Head and tail signatures: taken off before a run, added after it.
#pragma once

#include <string>

#include "corrections/date_template.h"

namespace folvane::corrections {

struct SignatureContext {
    // The check box "启用首尾签名". A run works on a copy of the context,
    // so a change in the window counts from the next run on.
    bool signatureEnabled = false;
    std::string headSignatureTemplate;  // GB18030, "\r\n" between lines; empty: none
    std::string tailSignatureTemplate;
    // What the last run inserted (expanded); empty at start, never stored.
    std::string lastHeadSignature;
    std::string lastTailSignature;
};

// Takes the previous run's signatures off `article`: the head signature with
// the "\r\n" behind it, and the tail signature (its "\r\n" stays for the tail
// clean-up of the pipeline).
void removeSignatures(std::string& article, const SignatureContext& ctx);

// Puts freshly expanded signatures around the finished `article` and records
// them in lastHeadSignature / lastTailSignature. An empty template adds
// nothing and leaves its record as it was.
void insertSignatures(std::string& article, SignatureContext& ctx, const Clock& clock);

}  // namespace folvane::corrections
