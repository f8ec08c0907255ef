// State a run reads besides TypesetOptions, and that survives from run to run.
// The application owns one RunContext and passes it to every run.
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

}  // namespace folvane::engine
