#include "corrections/script_matcher.h"

#include <bit>
#include <cstring>

#include "text/gb18030.h"

namespace folvane::corrections::script {
namespace {

std::size_t hashOf(std::string_view s) {
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
    return static_cast<std::size_t>(h ^ (h >> 29));
}


}  // namespace

CharEnds::CharEnds(std::string_view text, std::size_t pos, std::size_t maxChars) : text_(text), pos_(pos) {
    std::size_t p = pos;
    while (count_ < maxChars && count_ < kMaxKeyChars && p < text.size()) {
        p += text::charLength(text, p);
        ends_[count_++] = p;
    }
}

std::size_t charCount(std::string_view s) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size(); i += text::charLength(s, i)) ++n;
    return n;
}

void Dictionary::grow() {
    std::vector<Slot> old(slots_.empty() ? 1024 : slots_.size() * 2);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
        if (s.key.empty()) continue;
        std::size_t i = hashOf(s.key) & mask;
        while (!slots_[i].key.empty()) i = (i + 1) & mask;
        slots_[i] = s;
    }
}

void Dictionary::add(std::string_view key, std::string_view value) {
    const std::size_t chars = charCount(key);
    if (key.empty() || chars > kMaxKeyChars) return;
    if ((size_ + 1) * 2 > slots_.size()) grow();
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = hashOf(key) & mask;
    while (!slots_[i].key.empty()) {
        if (slots_[i].key == key) return;
        i = (i + 1) & mask;
    }
    slots_[i] = {key, value};
    ++size_;
    if (chars > maxChars_) maxChars_ = chars;
    lengths_[firstIndex(key, 0, text::charLength(key, 0))] |= static_cast<std::uint16_t>(1u << (chars - 1));
}

void Dictionary::seal() {
    // About 32 bits per key: few false hits, and small enough to stay in cache.
    std::size_t bits = 1024;
    while (bits < size_ * 32) bits *= 2;
    pairs_.assign(bits / 64, 0);
    for (const Slot& s : slots_) {
        if (s.key.empty()) continue;
        const std::size_t first = text::charLength(s.key, 0);
        if (first >= s.key.size()) continue;
        const std::size_t bit = hashOf(s.key.substr(0, first + text::charLength(s.key, first))) & (bits - 1);
        pairs_[bit / 64] |= std::uint64_t{1} << (bit % 64);
    }
}

const std::string_view* Dictionary::find(std::string_view key) const {
    if (slots_.empty()) return nullptr;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hashOf(key) & mask; !slots_[i].key.empty(); i = (i + 1) & mask)
        if (slots_[i].key == key) return &slots_[i].value;
    return nullptr;
}

Match Dictionary::longest(const CharEnds& at, std::uint16_t mask) const {
    if (mask > 1 && at.count() >= 2 && !pairs_.empty()) {
        const std::size_t bit =
            hashOf(at.text().substr(at.pos(), at.end(1) - at.pos())) & (pairs_.size() * 64 - 1);
        if (!(pairs_[bit / 64] & (std::uint64_t{1} << (bit % 64)))) mask &= 1;
    }
    for (std::size_t n = std::min<std::size_t>(at.count(), static_cast<std::size_t>(std::bit_width(mask))); n > 0; --n) {
        if (!(mask & (1u << (n - 1)))) continue;
        const std::size_t len = at.end(n - 1) - at.pos();
        if (const std::string_view* v = find(at.text().substr(at.pos(), len)))
            return {len, n, *v, !changesCount_};
    }
    return {};
}

Match Group::longest(std::string_view text, std::size_t pos, std::size_t firstLen) const {
    std::uint16_t masks[8];
    std::uint16_t all = 0;
    const std::size_t n = std::min<std::size_t>(dicts.size(), 8);
    for (std::size_t i = 0; i < n; ++i) all |= masks[i] = dicts[i]->lengthsAt(text, pos, firstLen);
    if (!all) return {};
    const CharEnds at(text, pos, static_cast<std::size_t>(std::bit_width(all)));
    Match best;
    for (std::size_t i = 0; i < n; ++i) {
        if (!masks[i]) continue;
        const Match m = dicts[i]->longest(at, masks[i]);
        if (!m.keyBytes) continue;
        if (firstMatch) return m;
        if (m.keyBytes > best.keyBytes) best = m;
    }
    return best;
}

namespace {

// Appends what `m` (matched at `key`) gives.
void emit(std::string_view key, const Match& m, const Group& group, bool keepByteLength, std::string& out) {
    const std::string_view value = m.value;
    if (!keepByteLength) {
        out += value;
        return;
    }
    if (!m.keepsCount) {  // a regional word, used as it is
        out += value;
        return;
    }
    const bool sameCount = charCount(value) == m.keyChars;
    if (sameCount) {
        // Character for character; one whose form has another byte length stays.
        std::size_t k = 0, v = 0;
        while (k < key.size()) {
            const std::size_t kl = text::charLength(key, k);
            const std::size_t vl = text::charLength(value, v);
            out.append(kl == vl ? value.substr(v, vl) : key.substr(k, kl));
            k += kl;
            v += vl;
        }
        return;
    }
    // Another number of characters: each character of the key on its own.
    for (std::size_t k = 0; k < key.size();) {
        const std::size_t kl = text::charLength(key, k);
        const std::string_view one = key.substr(k, kl);
        const Match single = group.longest(one, 0, kl);
        if (single.keyBytes == kl && single.value.size() == kl && text::charLength(single.value, 0) == kl)
            out += single.value;
        else
            out += one;
        k += kl;
    }
}

// One pass of `group` over `text`, appending to `out`.
void pass(std::string_view text, const Group& group, bool keepByteLength, std::string& out) {
    std::size_t copied = 0;
    for (std::size_t p = 0; p < text.size();) {
        const std::size_t len = text::charLength(text, p);
        const Match m = group.longest(text, p, len);
        if (!m.keyBytes) {
            p += len;
            continue;
        }
        out.append(text, copied, p - copied);
        emit(text.substr(p, m.keyBytes), m, group, keepByteLength, out);
        p += m.keyBytes;
        copied = p;
    }
    out.append(text, copied, text.size() - copied);
}

// The passes of `chain` over one segment.
void passes(std::string_view segment, const Chain& chain, bool keepByteLength, std::string& a, std::string& b,
            std::string& out) {
    if (chain.passes.empty()) {
        out += segment;
        return;
    }
    std::string_view current = segment;
    for (std::size_t i = 0; i + 1 < chain.passes.size(); ++i) {
        std::string& next = i % 2 ? b : a;
        next.clear();
        pass(current, chain.passes[i], keepByteLength, next);
        current = next;
    }
    pass(current, chain.passes.back(), keepByteLength, out);
}

}  // namespace

void convert(std::string_view text, const Chain& chain, bool keepByteLength, std::string& out) {
    std::string normalized;
    if (!chain.normalization.dicts.empty()) {
        normalized.reserve(text.size());
        pass(text, chain.normalization, keepByteLength, normalized);
        text = normalized;
    }
    std::string a, b;
    if (chain.segmentation.dicts.empty()) {
        passes(text, chain, keepByteLength, a, b, out);
        return;
    }
    std::size_t runStart = 0;
    for (std::size_t p = 0; p < text.size();) {
        const std::size_t len = text::charLength(text, p);
        const Match m = chain.segmentation.longest(text, p, len);
        if (!m.keyBytes) {
            p += len;
            continue;
        }
        if (p > runStart) passes(text.substr(runStart, p - runStart), chain, keepByteLength, a, b, out);
        passes(text.substr(p, m.keyBytes), chain, keepByteLength, a, b, out);
        p += m.keyBytes;
        runStart = p;
    }
    if (runStart < text.size()) passes(text.substr(runStart), chain, keepByteLength, a, b, out);
}

}  // namespace folvane::corrections::script
