#include "editor/undo_history.h"

#include <algorithm>
#include <utility>

namespace folvane::editor {

UndoHistory::UndoHistory(std::size_t slots) : capacity_(std::max<std::size_t>(slots, 2)) {}

namespace {

// A text given as a difference from another one, read without building it.
// Either the current text (`root`) or `base` with the bytes after `prefix`
// and before its last `suffix` ones replaced by `middle`.
struct Layer {
    const Layer* base = nullptr;
    const EditorText* root = nullptr;
    std::size_t prefix = 0, suffix = 0;
    const std::string* middle = nullptr;
    std::size_t size = 0;
};

}  // namespace

std::string UndoHistory::apply(const Splice& d, std::string_view base) {
    std::string out;
    out.reserve(d.prefix + d.middle.size() + d.suffix);
    out.append(base.substr(0, d.prefix));
    out.append(d.middle);
    out.append(base.substr(base.size() - d.suffix));
    return out;
}

bool UndoHistory::slotIsEmpty(std::size_t index) const {
    if (index > slots_.size()) return true;
    if (index == pos_) return current_.empty();
    const Splice& d = slots_[index - 1].delta;
    return d.prefix + d.suffix + d.middle.size() == 0;
}

bool UndoHistory::slotEqualsCurrent(std::size_t index) const {
    if (index == pos_) return true;
    if (index > slots_.size()) return current_.empty();
    const Splice& d = slots_[index - 1].delta;
    return d.middle.empty() && d.prefix + d.suffix == current_.size();
}

void UndoHistory::textChanged(std::string text, Caret caret) {
    if (skipNextRecord_) {
        skipNextRecord_ = false;
        inSync_ = pos_ >= 1 && current_ == text;
        return;
    }
    // One pass finds both whether the text changed and how.
    const std::size_t prefix = current_.commonPrefix(text);
    const std::size_t suffix = current_.commonSuffix(text, std::min(text.size(), current_.size()) - prefix);
    const std::size_t len = current_.size() - prefix - suffix;
    const bool changed = prefix != text.size() || text.size() != current_.size();
    Splice old{prefix, suffix, current_.substr(prefix, len)};
    if (changed) current_.replaceBytes(prefix, len, std::string_view(text).substr(prefix, text.size() - prefix - suffix));
    commit(std::move(old), changed, caret);
}

void UndoHistory::edited(const EditorText::Region& region, std::u16string_view units, Caret caret) {
    // Redo's own change is never an edit of the editor's: the flag only
    // stands between redo() and shown().
    skipNextRecord_ = false;
    ByteChange c = current_.replaceRegion(region, units);
    const bool changed = c.changed();
    Splice old{c.pos, current_.size() - c.pos - c.addedLength, std::move(c.removed)};
    commit(std::move(old), changed, caret);
}

void UndoHistory::replaced(EditorText text, Caret caret) {
    skipNextRecord_ = false;
    const std::size_t prefix = current_.commonPrefix(text);
    const std::size_t suffix = current_.commonSuffix(text, std::min(text.size(), current_.size()) - prefix);
    const bool changed = prefix != text.size() || text.size() != current_.size();
    Splice old{prefix, suffix, current_.substr(prefix, current_.size() - prefix - suffix)};
    current_ = std::move(text);
    commit(std::move(old), changed, caret);
}

void UndoHistory::shown(Caret caret) {
    if (skipNextRecord_) {
        skipNextRecord_ = false;
        inSync_ = pos_ >= 1;
        return;
    }
    commit(Splice{}, false, caret);
}

void UndoHistory::commit(Splice old, bool changed, Caret caret) {
    if (pos_ == 0) {
        // Snapshot 1 stays the empty text the editor started with.
        slots_.assign(2, Slot{});
        pos_ = 2;
    } else if (changed) {
        if (pos_ == capacity_) {
            slots_.pop_front();  // the oldest snapshot goes
            --pos_;
            if (savedPos_ > 0) --savedPos_;
        }
        advance(std::move(old));
    }
    if (undoing_) {
        undoing_ = false;
    } else {
        slots_[pos_ - 1].caret = lastCaret_;
        lastCaret_ = caret;
    }
    inSync_ = true;
}

namespace {

void readLayer(const Layer& l, std::size_t pos, std::size_t len, std::string& out) {
    if (len == 0) return;
    if (l.root) {
        out += l.root->substr(pos, len);
        return;
    }
    const std::size_t p = l.prefix, m = l.middle->size(), end = pos + len;
    if (pos < p) {
        const std::size_t e = std::min(end, p);
        readLayer(*l.base, pos, e - pos, out);
        pos = e;
    }
    if (pos < end && pos < p + m) {
        const std::size_t e = std::min(end, p + m);
        out.append(*l.middle, pos - p, e - pos);
        pos = e;
    }
    if (pos < end) readLayer(*l.base, l.base->size - l.suffix + (pos - p - m), end - pos, out);
}

}  // namespace

UndoHistory::Splice UndoHistory::compose(Splice inner, Splice outer) const {
    const std::size_t innerSize = inner.prefix + inner.middle.size() + inner.suffix;
    // What `outer` changes covers what `inner` changed: it says all.
    if (outer.prefix <= inner.prefix && outer.suffix <= inner.suffix) return outer;
    // What `outer` changes lies inside the bytes `inner` holds: they are
    // changed in place, so that a long difference is moved, not copied.
    if (outer.prefix >= inner.prefix && outer.suffix >= inner.suffix) {
        const std::size_t from = outer.prefix - inner.prefix;
        const std::size_t len = innerSize - outer.suffix - outer.prefix;
        inner.middle.replace(from, len, outer.middle);
        return inner;
    }
    // Otherwise the bytes between the two changes are read once.
    const Layer now{nullptr, &current_, 0, 0, nullptr, current_.size()};
    const Layer innerText{&now, nullptr, inner.prefix, inner.suffix, &inner.middle, innerSize};
    const Layer outerText{&innerText, nullptr, outer.prefix, outer.suffix, &outer.middle,
                          outer.prefix + outer.middle.size() + outer.suffix};
    Splice d{std::min(inner.prefix, outer.prefix), std::min(inner.suffix, outer.suffix), {}};
    readLayer(outerText, d.prefix, outerText.size - d.prefix - d.suffix, d.middle);
    return d;
}

void UndoHistory::trim(Splice& d) const {
    const std::size_t hereLen = current_.size() - d.prefix - d.suffix;
    const std::size_t limit = std::min(hereLen, d.middle.size());
    const std::string_view middle = d.middle;
    const std::size_t front = std::min(limit, current_.commonPrefixAt(d.prefix, hereLen, middle));
    const std::size_t back =
        current_.commonSuffixAt(d.prefix + front, hereLen - front, middle.substr(front), limit - front);
    d.prefix += front;
    d.suffix += back;
    d.middle.erase(d.middle.size() - back);
    d.middle.erase(0, front);
}

UndoHistory::Splice UndoHistory::rebase(const Splice& old, Splice next, Splice above) const {
    // `next` against current_, then `above` against that; trimmed to what
    // really differs, so that an equal text is seen as one.
    Splice d = compose(compose(old, std::move(next)), std::move(above));
    trim(d);
    return d;
}

void UndoHistory::advance(Splice old) {
    const std::size_t next = pos_ + 1;
    if (savedPos_ == next) savedPos_ = 0;  // the file's snapshot is replaced
    if (slots_.size() >= next) {
        // Snapshot `next` is replaced. The one above it was stored against
        // it, so it is stored against the new text instead.
        if (slots_.size() > next)
            slots_[next].delta = rebase(old, std::move(slots_[next - 1].delta), std::move(slots_[next].delta));
        slots_[next - 1].delta = Splice{};
    } else {
        slots_.emplace_back();
    }
    slots_[pos_ - 1].delta = std::move(old);
    pos_ = next;
}

EditorChange UndoHistory::moveCurrent(std::size_t to) {
    Splice& d = slots_[to - 1].delta;
    const std::size_t len = current_.size() - d.prefix - d.suffix;
    // The same prefix and suffix describe the way back.
    Splice back{d.prefix, d.suffix, current_.substr(d.prefix, len)};
    EditorChange change = current_.replaceBytes(d.prefix, len, d.middle);
    slots_[pos_ - 1].delta = std::move(back);
    d = Splice{};
    pos_ = to;
    return change;
}

void UndoHistory::selectionChanged(Caret caret) {
    if (inSync_ && pos_ > 1) lastCaret_ = caret;
}

std::optional<EditorView> UndoHistory::undo() {
    if (!canUndo()) return std::nullopt;
    undoing_ = true;
    EditorChange change = moveCurrent(pos_ - 1);
    ++redoCount_;
    inSync_ = false;
    // The caret goes where the undone change happened.
    return EditorView{&current_, slots_[pos_].caret, std::move(change)};
}

std::optional<EditorView> UndoHistory::redo() {
    if (!canRedo()) return std::nullopt;
    EditorChange change;
    if (pos_ == 0) {
        slots_.assign(1, Slot{});
        pos_ = 1;
    } else if (!slotIsEmpty(pos_ + 1) && !slotEqualsCurrent(pos_ + 1)) {
        change = moveCurrent(pos_ + 1);
    }
    skipNextRecord_ = true;
    --redoCount_;
    inSync_ = false;
    return EditorView{&current_, slots_[pos_ - 1].caret, std::move(change)};
}

void UndoHistory::restart() {
    const Caret first = slots_.empty() ? 0 : slots_.front().caret;
    slots_.assign(1, Slot{{}, first});
    slots_.shrink_to_fit();
    current_ = EditorText();
    pos_ = 1;
    savedPos_ = 0;
    redoCount_ = 0;
    inSync_ = false;
}

void UndoHistory::restartAt(EditorText text, Caret caret) {
    restart();
    current_ = std::move(text);
    slots_[0].caret = caret;
    lastCaret_ = caret;
    inSync_ = true;
}

std::string UndoHistory::snapshot(std::size_t index) const {
    if (index == 0 || index > slots_.size()) return {};
    std::string text = current_.str();
    if (index < pos_) {
        for (std::size_t k = pos_ - 1; k >= index; --k) text = apply(slots_[k - 1].delta, text);
    } else {
        for (std::size_t k = pos_ + 1; k <= index; ++k) text = apply(slots_[k - 1].delta, text);
    }
    return text;
}

Caret UndoHistory::caretAt(std::size_t index) const {
    if (index == 0 || index > slots_.size()) return 0;
    return slots_[index - 1].caret;
}

std::size_t UndoHistory::memoryUsage() const {
    std::size_t bytes = sizeof(*this) + current_.memoryUsage() + slots_.size() * sizeof(Slot);
    for (const Slot& s : slots_) bytes += s.delta.middle.capacity() > 15 ? s.delta.middle.capacity() : 0;
    return bytes;
}

}  // namespace folvane::editor
