#include "editor/undo_history.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "whole_text_history.h"

namespace folvane::editor {
namespace {

// The window's side of the contract: every text the history asks for is put
// into the editor at once, which reports the change back.
struct Editor {
    UndoHistory& h;
    std::string text = {};

    void type(std::string t, Caret caret) {
        text = t;
        h.textChanged(std::move(t), caret);
    }
    bool undo() { return show(h.undo()); }
    bool redo() { return show(h.redo()); }
    bool show(std::optional<EditorView> v) {
        if (!v) return false;
        text = v->text();
        h.textChanged(text, v->caret);
        h.selectionChanged(v->caret);
        caret = v->caret;
        return true;
    }
    Caret caret = -1;
};

TEST(UndoHistory, UndoAtStartDoesNothing) {
    UndoHistory h;
    EXPECT_FALSE(h.canUndo());
    EXPECT_FALSE(h.undo());
    EXPECT_FALSE(h.undoing());
    EXPECT_EQ(h.historyPos(), 0u);
    EXPECT_EQ(h.redoCount(), 0);
    Editor e{h};
    e.type("a", 1);  // the first change lands in snapshot 2; snapshot 1 is the empty start
    EXPECT_EQ(h.historyPos(), 2u);
    EXPECT_EQ(h.snapshot(1), "");
    EXPECT_TRUE(h.canUndo());
    EXPECT_FALSE(h.canRedo());
}

TEST(UndoHistory, TwoChangesTwoUndosOneRedo) {
    UndoHistory h;
    Editor e{h};
    e.type("x", 1);
    h.selectionChanged(0);  // the caret moves to the start before the next changes
    e.type("ax", 1);
    e.type("abx", 2);
    EXPECT_EQ(h.historyPos(), 4u);

    ASSERT_TRUE(e.undo());
    EXPECT_EQ(e.text, "ax");
    EXPECT_EQ(e.caret, 1);  // where the undone change was made
    ASSERT_TRUE(e.undo());
    EXPECT_EQ(e.text, "x");
    EXPECT_EQ(e.caret, 0);
    EXPECT_EQ(h.redoCount(), 2);

    ASSERT_TRUE(e.redo());
    EXPECT_EQ(e.text, "ax");
    EXPECT_EQ(e.caret, 0);  // the caret stored with that snapshot: where its change was made
    EXPECT_EQ(h.historyPos(), 3u);
    EXPECT_EQ(h.redoCount(), 1);
    EXPECT_FALSE(h.skipNextRecord());  // the change redo caused was not recorded
    EXPECT_EQ(h.snapshot(4), "abx");
}

TEST(UndoHistory, RedoOntoAnEmptyOrEqualSnapshotStays) {
    // Empty: undo to a snapshot, then a new change replaces the next one;
    // the snapshot after that is empty.
    {
        UndoHistory h;
        Editor e{h};
        e.type("a", 1);
        e.type("ab", 2);
        ASSERT_TRUE(e.undo());
        e.type("ac", 2);  // replaces snapshot 3; snapshot 4 is empty
        ASSERT_EQ(h.historyPos(), 3u);
        ASSERT_EQ(h.redoCount(), 1);
        ASSERT_TRUE(e.redo());
        EXPECT_EQ(h.historyPos(), 3u);
        EXPECT_EQ(h.redoCount(), 0);
        EXPECT_EQ(e.text, "ac");
    }
    // Equal: the replaced snapshot's successor holds the same text as the
    // new one.
    {
        UndoHistory h;
        Editor e{h};
        e.type("a", 1);
        e.type("ab", 2);
        e.type("abc", 3);
        ASSERT_TRUE(e.undo());
        ASSERT_TRUE(e.undo());
        e.type("abc", 3);  // snapshot 3 becomes "abc", like snapshot 4
        ASSERT_EQ(h.historyPos(), 3u);
        ASSERT_TRUE(e.redo());
        EXPECT_EQ(h.historyPos(), 3u);
        EXPECT_EQ(h.redoCount(), 1);
        EXPECT_EQ(e.text, "abc");
        // A stale snapshot that differs is still reached, as documented.
        e.type("abcd", 4);
        EXPECT_EQ(h.historyPos(), 4u);
    }
}

TEST(UndoHistory, RestartStartsAFreshHistory) {
    UndoHistory h;
    Editor e{h};
    e.type("old", 3);
    e.type("older", 5);
    ASSERT_TRUE(e.undo());
    ASSERT_TRUE(h.canRedo());
    h.restart();
    EXPECT_EQ(h.historyPos(), 1u);
    EXPECT_FALSE(h.canUndo());
    EXPECT_FALSE(h.canRedo());  // the previous document's text cannot come back
    e.type("", 0);
    EXPECT_EQ(h.historyPos(), 1u);  // equal to snapshot 1: stays there
    e.type("new", 3);
    EXPECT_EQ(h.historyPos(), 2u);
    EXPECT_EQ(h.snapshot(3), "");
}

TEST(UndoHistory, OldestSnapshotsGoPastTheLastSlot) {
    UndoHistory h(4);
    Editor e{h};
    for (int i = 1; i <= 6; ++i) e.type(std::string(static_cast<std::size_t>(i), 'x'), i);
    EXPECT_EQ(h.historyPos(), 4u);
    EXPECT_EQ(h.snapshot(1), "xxx");
    EXPECT_EQ(h.snapshot(4), "xxxxxx");
    int undos = 0;
    while (e.undo()) ++undos;
    EXPECT_EQ(undos, 3);
    EXPECT_EQ(e.text, "xxx");
}

TEST(UndoHistory, MemoryGrowsWithTheEditsNotTheText) {
    UndoHistory h;
    Editor e{h};
    std::string text(1 << 18, 'a');
    e.type(text, 0);
    const std::size_t base = h.memoryUsage();
    std::mt19937 rng(7);
    for (int i = 0; i < 1000; ++i) {
        text[rng() % text.size()] = static_cast<char>('b' + i % 20);
        e.type(text, 0);
    }
    EXPECT_LT(h.memoryUsage() - base, 1000u * 256u);
    for (int i = 0; i < 500; ++i) ASSERT_TRUE(e.undo());
    EXPECT_LT(h.memoryUsage() - base, 1000u * 256u);
}

// Random sessions of edits, caret moves, undos, redos (only when enabled, as
// the window offers them) and new documents, against the documented
// algorithm over whole snapshots.
TEST(UndoHistory, MatchesTheDocumentedAlgorithm) {
    std::mt19937 rng(424242);
    for (int session = 0; session < 300; ++session) {
        const std::size_t slots = 3 + rng() % 6;
        UndoHistory h(slots);
        testing::WholeTextHistory ref(slots);
        std::string editor;
        for (int step = 0; step < 120; ++step) {
            const unsigned op = rng() % 10;
            if (op < 5) {
                // An edit: insert, delete or replace a short run; sometimes none.
                std::string t = editor;
                const std::size_t at = t.empty() ? 0 : rng() % (t.size() + 1);
                switch (rng() % 6) {
                case 0: t.insert(at, std::string(1 + rng() % 3, static_cast<char>('a' + rng() % 3))); break;
                case 1: if (!t.empty()) t.erase(rng() % t.size(), 1 + rng() % 2); break;
                case 2: if (!t.empty()) t[rng() % t.size()] = static_cast<char>('a' + rng() % 3); break;
                case 3:
                    // A whole new text, as a run's result: most bytes change,
                    // some stay, and the length may change.
                    for (char& c : t)
                        if (rng() % 4) c = static_cast<char>('a' + (c - 'a' + 1) % 4);
                    if (rng() % 2) t += "dd";
                    break;
                default: break;
                }
                const Caret caret = static_cast<Caret>(at);
                editor = t;
                h.textChanged(t, caret);
                ref.changed(t, caret);
            } else if (op < 6) {
                const Caret caret = static_cast<Caret>(rng() % 10);
                h.selectionChanged(caret);
                ref.selection(caret);
            } else if (op < 8) {
                ASSERT_EQ(h.canUndo(), ref.pos > 1);
                if (!h.canUndo()) continue;
                const auto v = h.undo();
                const auto r = ref.undo();
                ASSERT_TRUE(v);
                ASSERT_EQ(v->text(), r.first);
                ASSERT_EQ(v->caret, r.second);
                editor = r.first;
                h.textChanged(editor, v->caret);
                ref.changed(editor, v->caret);
            } else if (op < 10 - (rng() % 2)) {
                ASSERT_EQ(h.canRedo(), ref.redoCount > 0);
                if (!h.canRedo()) continue;
                const auto v = h.redo();
                const auto r = ref.redo();
                ASSERT_TRUE(v);
                ASSERT_EQ(v->text(), r.first);
                ASSERT_EQ(v->caret, r.second);
                editor = r.first;
                h.textChanged(editor, v->caret);
                ref.changed(editor, v->caret);
            } else {
                h.restart();
                ref.restart();
            }
            ASSERT_EQ(h.historyPos(), ref.pos) << session << "/" << step;
            ASSERT_EQ(h.redoCount(), ref.redoCount);
            ASSERT_EQ(h.lastCaret(), ref.lastCaret);
            ASSERT_EQ(h.undoing(), ref.undoing);
            ASSERT_EQ(h.skipNextRecord(), ref.skip);
            for (std::size_t k = 1; k <= slots; ++k) {
                ASSERT_EQ(h.snapshot(k), ref.texts[k]) << session << "/" << step << " slot " << k;
                if (ref.pos > 0 && k <= ref.pos) {
                    ASSERT_EQ(h.caretAt(k), ref.carets[k]);
                }
            }
        }
    }
}

// Typing after undos over snapshots of another text (the text before a
// run): each key replaces one of them and the one above it is stored anew
// against the typed text. Redo then walks through the old ones unchanged.
TEST(UndoHistory, TypingOverStaleSnapshotsOfAnotherTextKeepsThem) {
    struct Case {
        const char* name;
        std::size_t at;  // where the keys go, as a share of the text in 1/8
        bool longer;     // the new text is longer than the old one
    };
    const Case cases[] = {{"keys in the middle", 4, false}, {"keys at the start", 0, true}, {"keys at the end", 8, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UndoHistory h(50);
        testing::WholeTextHistory ref(50);
        std::mt19937 rng(99);
        std::string text;
        for (int i = 0; i < 20000; ++i) text += static_cast<char>('a' + rng() % 26);
        const auto change = [&](const std::string& t, Caret caret) {
            h.textChanged(t, caret);
            ref.changed(t, caret);
        };
        change(text, 0);
        for (int i = 0; i < 12; ++i) {  // the old text's own keystrokes
            text.insert(text.size() / 2 + static_cast<std::size_t>(i), 1, 'K');
            change(text, static_cast<Caret>(text.size() / 2));
        }
        for (int i = 0; i < 10; ++i) {
            const auto v = h.undo();
            const auto r = ref.undo();
            ASSERT_TRUE(v);
            ASSERT_EQ(v->text(), r.first);
            change(r.first, v->caret);
        }
        // The run: every other byte differs.
        std::string result = ref.texts[ref.pos];
        for (std::size_t i = 0; i < result.size(); i += 2) result[i] = static_cast<char>(result[i] ^ 0x20);
        if (c.longer) result += "tail";
        change(result, 0);
        for (int i = 0; i < 8; ++i) {
            const std::size_t at = std::min(result.size(), result.size() * c.at / 8 + static_cast<std::size_t>(i));
            result.insert(at, 1, 'z');
            change(result, static_cast<Caret>(at + 1));
            for (std::size_t k = 1; k <= 50; ++k) ASSERT_EQ(h.snapshot(k), ref.texts[k]) << "key " << i << " slot " << k;
        }
        while (h.canRedo()) {
            const auto v = h.redo();
            const auto r = ref.redo();
            ASSERT_TRUE(v);
            ASSERT_EQ(v->text(), r.first);
            ASSERT_EQ(v->caret, r.second);
            change(r.first, v->caret);
        }
        // The stale snapshots stay as small as their own edits once they
        // are stored against each other again: well below one text each.
        EXPECT_LT(h.memoryUsage(), 6 * text.size());
    }
}

}  // namespace
}  // namespace folvane::editor
