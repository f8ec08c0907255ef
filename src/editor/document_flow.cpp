#include "editor/document_flow.h"

#include "text/codec.h"

namespace folvane::editor {

ConfirmStep stepAfter(SaveAnswer answer) {
    switch (answer) {
    case SaveAnswer::Yes:
        return ConfirmStep::SaveThenProceed;
    case SaveAnswer::No:
        return ConfirmStep::Proceed;
    case SaveAnswer::Cancel:
        break;
    }
    return ConfirmStep::Stop;
}

bool proceedsAfter(ConfirmStep step, bool saved) {
    switch (step) {
    case ConfirmStep::Proceed:
        return true;
    case ConfirmStep::SaveThenProceed:
        return saved;
    case ConfirmStep::Stop:
        break;
    }
    return false;
}

bool opensInBackground(std::uint64_t fileBytes) { return fileBytes >= kBackgroundOpenBytes; }

std::string openFailureReason(bool fileExists, bool regularFile) {
    if (!fileExists) return text::gb("文件不存在。");
    return text::gb(regularFile ? "无法读取该文件。" : "不是普通文件，无法读取。");
}

}  // namespace folvane::editor
