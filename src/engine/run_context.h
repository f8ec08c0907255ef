// State a run reads besides TypesetOptions, and that survives from run to run.
// The application owns one RunContext; every run works on a copy of it and
// hands the copy back, from which the owner takes the run's state.
#pragma once

#include "corrections/date_template.h"
#include "corrections/quote_state.h"
#include "corrections/script_converter.h"
#include "corrections/signature.h"

namespace folvane::engine {

struct RunContext {
    corrections::SignatureContext signature;
    corrections::QuoteState quotes;
    corrections::Clock clock;  // empty: the local date and time
    // Simplified/traditional conversion; without one the script steps do nothing.
    const corrections::ScriptConverter* scriptConverter = nullptr;
    // The standard of the traditional side of both conversions.
    corrections::ScriptStandard scriptStandard = corrections::ScriptStandard::OpenCC;
};

// What a finished run hands on to the next: the quote pairing and the
// signatures it inserted (taken off again by the next run). What the window
// may change during the run (the signature switch and templates, the clock,
// the converter) stays as `owner` has it.
inline void takeRunState(RunContext& owner, const RunContext& run) {
    owner.quotes = run.quotes;
    owner.signature.lastHeadSignature = run.signature.lastHeadSignature;
    owner.signature.lastTailSignature = run.signature.lastTailSignature;
}

}  // namespace folvane::engine
