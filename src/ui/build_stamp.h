// When the program was configured for building, as the about window shows
// it ("2026-12-08 23:30:00"). Defined in a source generated at configure
// time, so that a new stamp recompiles that one file only.
#pragma once

namespace product {

const char* buildTime();

}  // namespace product
