#include "batch/output_plan.h"

namespace folvane::batch {

std::string duplicateOutputWarning(std::string_view outputPath, std::string_view input,
                                   std::string_view earlierInput) {
    return std::string(outputPath) + " is written twice: the result of " + std::string(input) +
           " replaces that of " + std::string(earlierInput);
}

}  // namespace folvane::batch
