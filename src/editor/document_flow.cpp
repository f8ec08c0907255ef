#include "editor/document_flow.h"

#include <algorithm>

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

std::size_t longestLine(std::string_view text) {
    std::size_t longest = 0, start = 0;
    for (;;) {
        const std::size_t lf = text.find('\n', start);
        std::size_t end = lf == std::string_view::npos ? text.size() : lf;
        if (end > start && lf != std::string_view::npos && text[end - 1] == '\r') --end;
        longest = std::max(longest, end - start);
        if (lf == std::string_view::npos) return longest;
        start = lf + 1;
    }
}

std::string lineTooLongReason() {
    return text::gb("文件中有超过 " + std::to_string(kLongestShownLine / 1024) +
                    " KB 的一行，编辑器无法流畅显示，未打开。可用 folvane-cli 排版该文件。");
}

}  // namespace folvane::editor
