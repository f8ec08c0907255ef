#include "editor/undo_history.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace folvane::editor {

UndoHistory::UndoHistory(std::size_t slots) : capacity_(std::max<std::size_t>(slots, 2)) {}

namespace {

constexpr std::size_t kBlock = 4096;

// Length of the common prefix of a and b, comparing whole blocks with
// memcmp first: the texts are megabytes long and differ in one place.
std::size_t commonPrefix(std::string_view a, std::string_view b) {
    const std::size_t limit = std::min(a.size(), b.size());
    std::size_t n = 0;
    while (n + kBlock <= limit && std::memcmp(a.data() + n, b.data() + n, kBlock) == 0) n += kBlock;
    while (n < limit && a[n] == b[n]) ++n;
    return n;
}

// Length of the common suffix of a and b, at most `limit`.
std::size_t commonSuffix(std::string_view a, std::string_view b, std::size_t limit) {
    std::size_t n = 0;
    while (n + kBlock <= limit &&
           std::memcmp(a.data() + a.size() - n - kBlock, b.data() + b.size() - n - kBlock, kBlock) == 0)
        n += kBlock;
    while (n < limit && a[a.size() - 1 - n] == b[b.size() - 1 - n]) ++n;
    return n;
}

}  // namespace

UndoHistory::Splice UndoHistory::diff(std::string_view from, std::string_view to) {
    const std::size_t prefix = commonPrefix(from, to);
    const std::size_t suffix = commonSuffix(from, to, std::min(from.size(), to.size()) - prefix);
    return Splice{prefix, suffix, std::string(to.substr(prefix, to.size() - prefix - suffix))};
}

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
        inSync_ = pos_ >= 1 && text == current_;
        return;
    }
    record(std::move(text), caret);
}

void UndoHistory::record(std::string text, Caret caret) {
    if (pos_ == 0) {
        // Snapshot 1 stays the empty text the editor started with.
        slots_.assign(2, Slot{});
        current_ = std::move(text);
        pos_ = 2;
    } else {
        // One pass finds both whether the text changed and how.
        Splice old = diff(text, current_);
        if (old.prefix != text.size() || text.size() != current_.size()) {
            if (pos_ == capacity_) {
                slots_.pop_front();  // the oldest snapshot goes
                --pos_;
            }
            advance(std::move(text), std::move(old));
        }
    }
    if (undoing_) {
        undoing_ = false;
    } else {
        slots_[pos_ - 1].caret = lastCaret_;
        lastCaret_ = caret;
    }
    inSync_ = true;
}

void UndoHistory::advance(std::string text, Splice old) {
    const std::size_t next = pos_ + 1;
    if (slots_.size() >= next) {
        // Snapshot `next` is replaced. The one above it was stored against
        // it, so it is rebuilt and stored against the new text instead.
        if (slots_.size() > next) {
            const std::string replaced = apply(slots_[next - 1].delta, current_);
            const std::string above = apply(slots_[next].delta, replaced);
            slots_[next].delta = diff(text, above);
        }
        slots_[next - 1].delta = Splice{};
    } else {
        slots_.emplace_back();
    }
    slots_[pos_ - 1].delta = std::move(old);
    current_ = std::move(text);
    pos_ = next;
}

void UndoHistory::moveCurrent(std::size_t to) {
    Splice& d = slots_[to - 1].delta;
    const std::size_t len = current_.size() - d.prefix - d.suffix;
    // The same prefix and suffix describe the way back.
    Splice back{d.prefix, d.suffix, current_.substr(d.prefix, len)};
    current_.replace(d.prefix, len, d.middle);
    slots_[pos_ - 1].delta = std::move(back);
    d = Splice{};
    pos_ = to;
}

void UndoHistory::selectionChanged(Caret caret) {
    if (inSync_ && pos_ > 1) lastCaret_ = caret;
}

std::optional<EditorView> UndoHistory::undo() {
    if (!canUndo()) return std::nullopt;
    undoing_ = true;
    moveCurrent(pos_ - 1);
    ++redoCount_;
    inSync_ = false;
    // The caret goes where the undone change happened.
    return EditorView{current_, slots_[pos_].caret};
}

std::optional<EditorView> UndoHistory::redo() {
    if (!canRedo()) return std::nullopt;
    if (pos_ == 0) {
        slots_.assign(1, Slot{});
        pos_ = 1;
    } else if (!slotIsEmpty(pos_ + 1) && !slotEqualsCurrent(pos_ + 1)) {
        moveCurrent(pos_ + 1);
    }
    skipNextRecord_ = true;
    --redoCount_;
    inSync_ = false;
    return EditorView{current_, slots_[pos_ - 1].caret};
}

void UndoHistory::restart() {
    const Caret first = slots_.empty() ? 0 : slots_.front().caret;
    slots_.assign(1, Slot{{}, first});
    slots_.shrink_to_fit();
    std::string().swap(current_);
    pos_ = 1;
    redoCount_ = 0;
    inSync_ = false;
}

std::string UndoHistory::snapshot(std::size_t index) const {
    if (index == 0 || index > slots_.size()) return {};
    std::string text = current_;
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
    std::size_t bytes = sizeof(*this) + current_.capacity() + slots_.size() * sizeof(Slot);
    for (const Slot& s : slots_) bytes += s.delta.middle.capacity() > 15 ? s.delta.middle.capacity() : 0;
    return bytes;
}

}  // namespace folvane::editor
