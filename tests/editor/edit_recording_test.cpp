// Recording the editor's edits by range gives the same history as encoding
// the whole text after every change, which the window did before: the same
// texts, carets, positions and redo counts, on random sessions of typing,
// pasting, deleting, runs, undo, redo, New and Open.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "editor/editor_text.h"
#include "editor/undo_history.h"
#include "whole_text_history.h"

namespace folvane::editor {
namespace {

// The window as it was: the editor's whole text is encoded for every change
// and kept in whole snapshots; Undo and Redo put a whole snapshot back into
// the editor.
struct WholeTextWindow : folvane::testing::WholeTextHistory {
    using WholeTextHistory::WholeTextHistory;
    std::u16string editor;
    Caret caret = 0;

    std::string editorText() const { return encodeEditorUnits(editor); }
    void changed() { WholeTextHistory::changed(editorText(), caret); }
    void moveCaret(Caret c) {
        caret = std::clamp<Caret>(c, 0, static_cast<Caret>(editor.size()));
        selection(caret);
    }
    void edit(std::size_t at, std::size_t removed, const std::u16string& added) {
        editor.replace(at, removed, added);
        caret = static_cast<Caret>(at + added.size());
        changed();
        moveCaret(caret);
    }
    void show(const std::string& text, Caret c) {
        editor = decodeForEditor(text);
        caret = 0;
        changed();
        moveCaret(c);
    }
    void replaceAll(const std::string& text) { show(text, 0); }
    bool undo() {
        if (!canUndo()) return false;
        const auto [text, c] = WholeTextHistory::undo();
        show(text, c);
        return true;
    }
    bool redo() {
        if (!canRedo()) return false;
        const auto [text, c] = WholeTextHistory::redo();
        show(text, c);
        return true;
    }
};

// The window now: edits reach the history as ranges; Undo and Redo hand
// back the range to change.
struct RangeWindow {
    explicit RangeWindow(std::size_t n) : h(n) {}
    UndoHistory h;
    std::u16string editor;
    Caret caret = 0;

    void moveCaret(Caret c) {
        caret = std::clamp<Caret>(c, 0, static_cast<Caret>(editor.size()));
        h.selectionChanged(caret);
    }
    void edit(std::size_t at, std::size_t removed, const std::u16string& added) {
        const EditorText::Region region = h.regionForUnits(at, removed);
        editor.replace(at, removed, added);
        caret = static_cast<Caret>(at + added.size());
        const std::size_t end = region.unitEnd - removed + added.size();
        h.edited(region, std::u16string_view(editor).substr(region.unitBegin, end - region.unitBegin), caret);
        moveCaret(caret);
    }
    void replaceAll(const std::string& text) {
        editor = decodeForEditor(text);
        caret = 0;
        h.replaced(EditorText::fromUnits(editor), caret);
        moveCaret(0);
    }
    void show(std::optional<EditorView> v) {
        editor.replace(v->change.pos, v->change.removed, v->change.added);
        h.shown(caret);
        moveCaret(v->caret);
    }
    bool undo() {
        if (!h.canUndo()) return false;
        show(h.undo());
        return true;
    }
    bool redo() {
        if (!h.canRedo()) return false;
        show(h.redo());
        return true;
    }
};

std::u16string someUnits(std::mt19937& rng, std::size_t n) {
    static const std::vector<std::u16string> pieces = {u"\u554A", u"\u6587", u"a", u"\u2029", u"\uFF0C",
                                                       u" ",      u"\u3000", u"\xD840\xDC00"};
    std::u16string s;
    while (s.size() < n) s += pieces[rng() % pieces.size()];
    return s;
}

// A stand-in for a typesetting run: every paragraph gets an indent.
std::string typesetStandIn(const std::string& text) {
    std::string out = "\xA1\xA1";
    for (char c : text) {
        out += c;
        if (c == '\n') out += "\xA1\xA1";
    }
    return out;
}

TEST(EditRecording, MatchesWholeTextRecordingOnRandomSessions) {
    std::mt19937 rng(2026);
    for (int session = 0; session < 60; ++session) {
        const std::size_t slots = session % 3 == 0 ? 4 + rng() % 5 : 200;
        WholeTextWindow ref(slots);
        RangeWindow now(slots);
        // Sessions start from an opened article of many chunks, or empty.
        if (session % 2 == 0) {
            const std::string file = encodeEditorUnits(someUnits(rng, 5000 + rng() % 30000));
            ref.restart();
            ref.replaceAll(file);
            now.h.restart();
            now.replaceAll(file);
        }
        for (int step = 0; step < 150; ++step) {
            const unsigned op = rng() % 20;
            const std::size_t size = ref.editor.size();
            const auto splitsPair = [&](std::size_t at) {
                return at > 0 && at < size && ref.editor[at - 1] >= 0xD800 && ref.editor[at - 1] <= 0xDBFF;
            };
            if (op < 9) {
                // Typing, deleting, pasting or replacing a selection.
                const std::size_t at = static_cast<std::size_t>(ref.caret);
                std::size_t removed = 0;
                std::u16string added;
                switch (rng() % 5) {
                case 0: case 1: added = someUnits(rng, 1); break;              // a key
                case 2: removed = std::min<std::size_t>(1, size - at); break;  // Delete
                case 3: added = someUnits(rng, 1 + rng() % 3000); break;       // a paste
                default: removed = std::min<std::size_t>(rng() % 50, size - at); added = someUnits(rng, rng() % 3); break;
                }
                if (splitsPair(at) || splitsPair(at + removed)) continue;
                ref.edit(at, removed, added);
                now.edit(at, removed, added);
            } else if (op < 11) {
                const Caret c = static_cast<Caret>(size ? rng() % (size + 1) : 0);
                if (splitsPair(static_cast<std::size_t>(c))) continue;
                ref.moveCaret(c);
                now.moveCaret(c);
            } else if (op < 14) {
                ASSERT_EQ(ref.undo(), now.undo());
            } else if (op < 17) {
                ASSERT_EQ(ref.redo(), now.redo());
            } else if (op < 18) {
                const std::string result = typesetStandIn(ref.editorText());
                ref.replaceAll(result);
                now.replaceAll(result);
            } else if (op < 19) {
                ref.restart();  // New
                ref.replaceAll("");
                now.h.restart();
                now.replaceAll("");
            } else {
                const std::string file = encodeEditorUnits(someUnits(rng, rng() % 2000));
                ref.restart();  // Open
                ref.replaceAll(file);
                now.h.restart();
                now.replaceAll(file);
            }
            ASSERT_EQ(encodeEditorUnits(now.editor), ref.editorText()) << session << "/" << step;
            ASSERT_EQ(now.h.current().str(), ref.editorText());
            ASSERT_EQ(now.caret, ref.caret);
            ASSERT_EQ(now.h.historyPos(), ref.pos);
            ASSERT_EQ(now.h.redoCount(), ref.redoCount);
            ASSERT_EQ(now.h.lastCaret(), ref.lastCaret);
            ASSERT_EQ(now.h.canUndo(), ref.pos > 1);
        }
        for (std::size_t k = 1; k <= std::min<std::size_t>(slots, 12); ++k) {
            ASSERT_EQ(now.h.snapshot(k), ref.texts[k]) << session << " slot " << k;
            if (k <= ref.pos) {
                ASSERT_EQ(now.h.caretAt(k), ref.carets[k]);
            }
        }
    }
}

}  // namespace
}  // namespace folvane::editor
