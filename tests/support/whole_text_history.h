// A reference for the undo history: its algorithm written directly over
// whole snapshots of the text, one copy per slot, as simple as it can be.
// The real history stores differences; tests compare it with this one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "editor/undo_history.h"

namespace folvane::testing {

struct WholeTextHistory {
    using Caret = editor::Caret;

    explicit WholeTextHistory(std::size_t n) : texts(n + 2), carets(n + 2), n(n) {}
    std::vector<std::string> texts;
    std::vector<Caret> carets;
    std::size_t n, pos = 0;
    std::int64_t redoCount = 0;
    Caret lastCaret = 0;
    bool undoing = false, skip = false;
    std::string current;  // the editor's text as last reported

    bool canUndo() const { return pos > 1; }
    bool canRedo() const { return redoCount > 0; }

    // The editor reports its text after a change, with the caret.
    void changed(const std::string& text, Caret caret) {
        current = text;
        if (skip) {
            skip = false;
            return;
        }
        if (pos == 0) {
            pos = 2;
        } else if (text != texts[pos]) {
            if (pos == n) {
                texts.erase(texts.begin() + 1);
                texts.emplace_back();
                carets.erase(carets.begin() + 1);
                carets.push_back(0);
            } else {
                ++pos;
            }
        }
        texts[pos] = text;
        if (undoing) {
            undoing = false;
        } else {
            carets[pos] = lastCaret;
            lastCaret = caret;
        }
    }
    void selection(Caret caret) {
        if (pos > 1 && current == texts[pos]) lastCaret = caret;
    }
    // The text and caret to show; only when canUndo() / canRedo().
    std::pair<std::string, Caret> undo() {
        undoing = true;
        --pos;
        ++redoCount;
        return {texts[pos], carets[pos + 1]};
    }
    std::pair<std::string, Caret> redo() {
        if (pos == 0) pos = 1;
        else if (!texts[pos + 1].empty() && texts[pos + 1] != texts[pos]) ++pos;
        skip = true;
        --redoCount;
        return {texts[pos], carets[pos]};
    }
    void restart() {
        for (auto& t : texts) t.clear();
        pos = 1;
        redoCount = 0;
    }
};

}  // namespace folvane::testing
