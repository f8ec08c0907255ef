// Where the results of a run over many files go, decided before anything is
// written: one output per input in an output folder, named after the input,
// or all results merged into one file. Shared by the batch window and
// folvane-cli.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "batch/batch_job.h"
#include "engine/typeset_options.h"

namespace folvane::batch {

// The output name of an input is batch::outputNameFor (batch_job.h).

struct PlannedOutput {
    std::string path;     // the output path of the input
    // Not empty: the output must not be written, because it would replace a
    // later input before that input is read (the message names both paths).
    std::string refusal;
    // Not empty: the output replaces the output of an earlier input of the
    // same name (kept, as the later result wins; worth a warning).
    std::string warning;
};

// The output of every input in `inputs` (in order) in the folder `outDir`.
// An output may replace its own input (that input is read before its
// output is written) and an input already read; one that would replace a
// later input is refused. Files are compared as the file system sees them
// (the same file under another path is the same file). In merge mode every
// path is the candidate name of the merged file and nothing is refused: the
// merged file must be put in place only after the last input is read (an
// atomic writer committed at the end does this).
std::vector<PlannedOutput> planOutputs(const std::vector<std::string>& inputs, const std::string& outDir,
                                       bool merge);

// What separates consecutive non-empty results in one stream (standard
// output, a merged file): the paragraph separator of `options`, one line
// break plus the blank lines of doubleBreak and tripleBreak (holding the
// indentation when fillBlankLines), so that the last paragraph of one
// result and the first of the next stay apart. GB18030 with "\r\n".
std::string resultSeparator(const engine::TypesetOptions& options);

}  // namespace folvane::batch
