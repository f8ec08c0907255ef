// The editor's undo history: numbered snapshots of the whole text with the
// caret position of each, moved through by Undo and Redo.
//
// Snapshots are numbered from 1; historyPos is the one the editor shows (0
// before the first change). The first change lands in snapshot 2, so that
// snapshot 1 is the empty text the editor started with. Only the snapshot at
// historyPos is held whole; every other one is held as the difference
// (common prefix and suffix lengths and the bytes between) from its
// neighbour towards historyPos, so memory grows with the size of the edits,
// not with the size of the text times the number of snapshots. When a change
// would go past the last of the `slots` snapshots, the oldest one is dropped
// and the others move down by one.
//
// The current snapshot is the editor's text itself, kept in step edit by
// edit (EditorText): an edit of the editor is recorded from the range it
// changed, and Undo and Redo hand back the range the editor has to change,
// so that neither costs a pass over a long text.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "editor/editor_text.h"

namespace folvane::editor {

// A caret position in the editor's own unit; the history only stores and
// returns it.
using Caret = std::int64_t;

inline constexpr std::size_t kHistorySlots = 99'999;

// What Undo and Redo ask the editor to show: the editor changes `change`
// and then holds the whole text `shown`, which stays valid until the history
// changes again; the caret goes to `caret`.
struct EditorView {
    const EditorText* shown = nullptr;
    Caret caret = 0;
    EditorChange change;
    std::string text() const { return shown->str(); }
};

class UndoHistory {
public:
    explicit UndoHistory(std::size_t slots = kHistorySlots);  // at least 2

    // Every change of the editor text, also those that Undo and Redo cause,
    // must be reported here with the text and the caret after the change,
    // before the caret movement it causes is reported. The change that Redo
    // causes is not recorded; any other is: a text equal to the current
    // snapshot stays in it, a different one becomes the next snapshot
    // (replacing whatever was there).
    void textChanged(std::string text, Caret caret);

    // The same report, from the editor's own edit: the editor's units of
    // `region` (taken with regionForUnits before the edit was applied to
    // the history) now read `units`. Only that range is encoded.
    EditorText::Region regionForUnits(std::size_t pos, std::size_t removed) const {
        return current_.regionForUnits(pos, removed);
    }
    void edited(const EditorText::Region& region, std::u16string_view units, Caret caret);
    // The same report when the whole text was replaced by `text`, built
    // elsewhere (a worker, for an opened file or a run's result).
    void replaced(EditorText text, Caret caret);
    // The editor now shows what undo() or redo() returned; `caret` is its
    // caret at that moment.
    void shown(Caret caret);

    // The caret or the selection moved. While the editor still shows the
    // current snapshot (and historyPos > 1), the position is remembered as
    // the place of the next change.
    void selectionChanged(Caret caret);

    // One step back; nullopt (and nothing changes) when canUndo() is false.
    std::optional<EditorView> undo();
    // One step forward; nullopt when canRedo() is false. A next snapshot
    // that is empty or equal to the current one is not moved to, but the
    // step still uses up one redo.
    std::optional<EditorView> redo();

    bool canUndo() const { return pos_ > 1; }
    bool canRedo() const { return redoCount_ > 0; }

    // A new or opened document: historyPos becomes 1, so that the next
    // change is compared with the empty snapshot 1 and lands in snapshot 1
    // or 2. The previous document's snapshots and redo steps are dropped:
    // they belong to another text. The window then replaces the editor's
    // text and reports it, so that the history holds the editor's text again.
    void restart();
    // An opened document: restart(), with snapshot 1 holding `text`, the
    // file's text as the editor shows it, and `caret`. Its history starts
    // there, so Undo has nothing to take back, as after start-up.
    void restartAt(EditorText text, Caret caret);

    // The snapshot the file on disk holds (after an open or a save). It
    // stays marked while the history moves away from it and back, and is
    // forgotten when a new change takes its slot or it is dropped as the
    // oldest; restart() forgets it too.
    void markSaved() { savedPos_ = std::max<std::size_t>(pos_, 1); }
    bool atSavedSnapshot() const { return savedPos_ != 0 && savedPos_ == std::max<std::size_t>(pos_, 1); }

    std::size_t historyPos() const { return pos_; }
    std::int64_t redoCount() const { return redoCount_; }
    Caret lastCaret() const { return lastCaret_; }
    bool undoing() const { return undoing_; }
    bool skipNextRecord() const { return skipNextRecord_; }
    std::size_t slotCount() const { return capacity_; }

    // The text of snapshot `index` (1-based; empty beyond the recorded ones)
    // and its caret. Rebuilding a snapshot far from historyPos costs one
    // pass over the text per step; meant for tests and diagnostics.
    std::string snapshot(std::size_t index) const;
    Caret caretAt(std::size_t index) const;
    const EditorText& current() const { return current_; }

    // Bytes held by the snapshots, the differences and their bookkeeping.
    std::size_t memoryUsage() const;

private:
    // Text = neighbour[0, prefix) + middle + the neighbour's last `suffix` bytes.
    struct Splice {
        std::size_t prefix = 0;
        std::size_t suffix = 0;
        std::string middle;
    };
    struct Slot {
        Splice delta;  // unused for the slot at historyPos
        Caret caret = 0;
    };

    static std::string apply(const Splice& d, std::string_view base);
    // current_ has become the editor's new text; `old` gives the text before
    // from it, `changed` whether they differ. Records as textChanged says.
    void commit(Splice old, bool changed, Caret caret);
    // current_ becomes the next snapshot; `old` is the previous one's difference from it.
    void advance(Splice old);
    // `above`, stored against `next` (stored against the text before,
    // itself given by `old` from current_), stored against current_.
    Splice rebase(const Splice& old, Splice next, Splice above) const;
    // `outer`, stored against the text `inner` gives from current_, stored
    // against current_. Costs the size of the bytes it has to read, not of
    // the text: a long `inner` is changed in place.
    Splice compose(Splice inner, Splice outer) const;
    // Moves what `d`'s middle has in common with current_ into its prefix
    // and suffix.
    void trim(Splice& d) const;
    EditorChange moveCurrent(std::size_t to);
    bool slotIsEmpty(std::size_t index) const;
    bool slotEqualsCurrent(std::size_t index) const;

    std::size_t capacity_;
    std::deque<Slot> slots_;  // snapshot k is slots_[k - 1]; later ones are empty
    EditorText current_;      // the text of snapshot pos_
    std::size_t pos_ = 0;
    std::size_t savedPos_ = 0;  // 0: no snapshot is the file's
    std::int64_t redoCount_ = 0;
    Caret lastCaret_ = 0;
    bool undoing_ = false;
    bool skipNextRecord_ = false;
    bool inSync_ = false;  // the editor shows the current snapshot
};

}  // namespace folvane::editor
