// How the pipeline reports its progress. The window implements it by posting
// to its GUI thread; the command line prints to a terminal; tests record.
#pragma once

#include <string_view>

namespace folvane::engine {

class TypesetProgress {
public:
    virtual ~TypesetProgress() = default;

    // The progress label's new text (GB18030, e.g. "\r\n正在整理段落").
    virtual void phase(std::string_view label) { (void)label; }
    // Fewer than 200 lines: the label and the main bar stay hidden for the
    // rest of the run.
    virtual void hideMainProgress() {}
    // New position of the main bar (maximum 200).
    virtual void mainPosition(int position) { (void)position; }
    // The batch window's per-file bar; reported only when typesetting for the batch.
    virtual void batchFileBar(int maximum, int position) { (void)maximum, (void)position; }
    // The pipeline has finished: the editor may be enabled again.
    virtual void finished() {}
};

}  // namespace folvane::engine
