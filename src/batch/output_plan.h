// Messages about where the results of a run over many files go, shared by
// the batch window and folvane-cli. BatchRun (batch_job.h) decides: it
// refuses an output that would replace an input not read yet, and reports
// an output that replaces the one an earlier input of the same name wrote.
#pragma once

#include <string>
#include <string_view>

#include "batch/batch_job.h"
#include "engine/typeset_options.h"

namespace folvane::batch {

// The output name of an input is batch::outputNameFor (batch_job.h).

// The warning when the result of `input` replaced, at `outputPath`, the one
// of `earlierInput` (two inputs of one output name: the later one wins).
std::string duplicateOutputWarning(std::string_view outputPath, std::string_view input,
                                   std::string_view earlierInput);

// What separates consecutive non-empty results in one stream (standard
// output, a merged file): paragraphSeparator(options), one line break plus
// the blank lines of doubleBreak and tripleBreak (holding the indentation
// when fillBlankLines), so that the last paragraph of one result and the
// first of the next stay apart. GB18030 with "\r\n".
inline std::string resultSeparator(const engine::TypesetOptions& options) { return paragraphSeparator(options); }

}  // namespace folvane::batch
