#include "editor/editor_text.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "text/codec.h"
#include "text/gb18030.h"

namespace folvane::editor {

namespace {

constexpr std::size_t kSmallChunk = EditorText::kChunkBytes / 4;

// A byte after which a chunk may end (see the header).
bool cleanByte(char b) { return static_cast<unsigned char>(b) < 0x30 && b != '\r'; }

// A code unit whose form is one such byte, or "\r\n".
bool cleanUnit(char16_t u) {
    return (u < 0x30 && u != u'\r') || u == 0x00A0 || u == 0x2028 || u == 0x2029 || u == 0xFDD0 || u == 0xFDD1;
}

// A chunk with no clean byte for this long is cut at the next character
// boundary instead.
constexpr std::size_t kLongChunk = 2 * EditorText::kChunkBytes;

bool highSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool lowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// A unit after which the encoding may be cut although it is not clean: its
// form is a whole character that no following byte can join.
bool cuttableUnit(std::u16string_view units, std::size_t i) {
    const char16_t u = units[i];
    if (highSurrogate(u) || u == u'\r' || (u >= 0xDC80 && u <= 0xDCFF)) return false;
    return i + 1 >= units.size() || !lowSurrogate(units[i + 1]);
}

// Common beginning of two texts given as lists of pieces.
std::size_t prefixOf(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b) {
    std::size_t n = 0, ia = 0, ib = 0, oa = 0, ob = 0;
    while (ia < a.size() && ib < b.size()) {
        const std::size_t len = std::min(a[ia].size() - oa, b[ib].size() - ob);
        const char* pa = a[ia].data() + oa;
        const char* pb = b[ib].data() + ob;
        if (std::memcmp(pa, pb, len) != 0) {
            std::size_t k = 0;
            while (pa[k] == pb[k]) ++k;
            return n + k;
        }
        n += len;
        oa += len;
        ob += len;
        if (oa == a[ia].size()) ++ia, oa = 0;
        if (ob == b[ib].size()) ++ib, ob = 0;
    }
    return n;
}

// Common end of two texts given as lists of pieces, at most `limit`.
std::size_t suffixOf(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b,
                     std::size_t limit) {
    std::size_t n = 0, ia = a.size(), ib = b.size(), ra = 0, rb = 0;  // ra: bytes left in a[ia - 1]
    if (ia) ra = a[ia - 1].size();
    if (ib) rb = b[ib - 1].size();
    while (n < limit && ia && ib) {
        if (ra == 0) {
            if (--ia == 0) break;
            ra = a[ia - 1].size();
            continue;
        }
        if (rb == 0) {
            if (--ib == 0) break;
            rb = b[ib - 1].size();
            continue;
        }
        const std::size_t len = std::min({ra, rb, limit - n});
        const char* pa = a[ia - 1].data() + ra - len;
        const char* pb = b[ib - 1].data() + rb - len;
        if (std::memcmp(pa, pb, len) != 0) {
            std::size_t k = 0;
            while (pa[len - 1 - k] == pb[len - 1 - k]) ++k;
            return n + k;
        }
        n += len;
        ra -= len;
        rb -= len;
    }
    return n;
}

}  // namespace

// The length of the bytes of `gb` that the editor shows as its first
// `units` code units (a whole number of characters).
std::size_t bytesOfUnits(std::string_view gb, std::size_t units) {
    std::size_t pos = 0, done = 0;
    while (done < units && pos < gb.size()) {
        if (gb[pos] == '\r' && pos + 1 < gb.size() && gb[pos + 1] == '\n') {
            pos += 2;
            ++done;
            continue;
        }
        const std::size_t len = text::charLength(gb, pos);
        // One- and two-byte characters are one unit each; a four-byte one
        // is decoded to learn its units.
        done += len < 4 ? 1 : decodeForEditor(gb.substr(pos, len)).size();
        pos += len;
    }
    return pos;
}

std::string encodeEditorUnits(std::u16string_view units) {
    // Most texts hold none of the units that the plain text spells otherwise.
    const auto special = [](char16_t u) {
        return u == 0x00A0 || u == 0x2028 || u == 0xFDD0 || u == 0xFDD1 || u == u'\r';
    };
    if (std::none_of(units.begin(), units.end(), special)) return text::gb18030FromUtf16(units, true);
    std::u16string plain(units);
    for (std::size_t i = 0; i < plain.size(); ++i) {
        char16_t& u = plain[i];
        if (u == 0x00A0) u = u' ';
        else if (u == u'\r' && i + 1 < plain.size() && plain[i + 1] == u'\n') continue;
        else if (special(u)) u = u'\n';  // an editor makes a lone "\r" a line end too
    }
    return text::gb18030FromUtf16(plain, true);
}

std::u16string decodeForEditor(std::string_view gb) {
    // Chunks are short, but an undo may decode thousands of them: the table
    // is faster than iconv on any length once it is built.
    return text::gb18030ToUtf16ByTable(gb, true);
}

std::string encodeUnitsExactly(std::u16string_view units) {
    std::string out = text::gb18030FromUtf16(units, false);
    text::lfToCrLfInPlace(out);
    return out;
}

std::vector<EditorText::Chunk> EditorText::piecesFromUnits(std::u16string_view units, bool exact) {
    std::vector<Chunk> pieces;
    // About two bytes a unit in a Chinese text.
    const std::size_t target = kChunkBytes / 2;
    // Exactly encoded, only a unit below 0x30 gives a clean byte.
    const auto clean = [exact](char16_t u) { return exact ? u < 0x30 && u != u'\r' : cleanUnit(u); };
    const auto encode = [exact](std::u16string_view piece) {
        return exact ? encodeUnitsExactly(piece) : encodeEditorUnits(piece);
    };
    std::size_t start = 0;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const std::size_t len = i + 1 - start;
        if ((len >= target && clean(units[i])) || (len >= kLongChunk / 2 && cuttableUnit(units, i))) {
            const std::u16string_view piece = units.substr(start, i + 1 - start);
            pieces.push_back(Chunk{encode(piece), piece.size()});
            start = i + 1;
        }
    }
    if (start < units.size()) {
        const std::u16string_view piece = units.substr(start);
        pieces.push_back(Chunk{encode(piece), piece.size()});
    }
    return pieces;
}

std::vector<EditorText::Chunk> EditorText::piecesFromBytes(std::string_view gb, std::u16string* decoded) {
    std::vector<Chunk> pieces;
    if (decoded) decoded->reserve(decoded->size() + gb.size());  // no byte gives more than one unit
    const auto take = [&](std::size_t start, std::size_t end) {
        const std::string_view piece = gb.substr(start, end - start);
        std::u16string units = decodeForEditor(piece);
        pieces.push_back(Chunk{std::string(piece), units.size()});
        if (decoded) *decoded += units;
    };
    std::size_t start = 0;
    while (gb.size() - start > kChunkBytes) {
        // A clean byte is a character of its own wherever it stands, so the
        // first one from the chunk size on is found without walking the
        // characters before it.
        const std::size_t limit = std::min(gb.size(), start + kLongChunk);
        std::size_t end = start + kChunkBytes - 1;
        while (end < limit && !cleanByte(gb[end])) ++end;
        if (end < limit) {
            ++end;
        } else if (start + kLongChunk > gb.size()) {
            break;  // the rest is the last chunk
        } else {
            // No clean byte: the first character boundary from the long
            // chunk size on, never between the two bytes of "\r\n".
            for (end = start; end - start < kLongChunk;) end += text::charLength(gb, end);
            if (gb[end - 1] == '\r' && end < gb.size() && gb[end] == '\n') ++end;
        }
        take(start, end);
        start = end;
    }
    if (start < gb.size()) take(start, gb.size());
    return pieces;
}

EditorText EditorText::fromUnits(std::u16string_view units) {
    EditorText t;
    t.splice(0, 0, piecesFromUnits(units, false));
    return t;
}

EditorText EditorText::fromExactUnits(std::u16string_view units) {
    EditorText t;
    t.splice(0, 0, piecesFromUnits(units, true));
    return t;
}

EditorText EditorText::fromBytes(std::string_view gb) {
    EditorText t;
    t.splice(0, 0, piecesFromBytes(gb));
    return t;
}

std::vector<std::string_view> EditorText::spans() const {
    std::vector<std::string_view> v;
    v.reserve(chunks_.size());
    for (const Chunk& c : chunks_) v.emplace_back(c.bytes);
    return v;
}

std::vector<std::string_view> EditorText::spans(std::size_t pos, std::size_t len) const {
    std::vector<std::string_view> v;
    pos = std::min(pos, bytes_);
    len = std::min(len, bytes_ - pos);
    if (len == 0) return v;
    std::size_t start = 0, unitStart = 0, taken = 0;
    for (std::size_t i = chunkAtByte(pos, &start, &unitStart); i < chunks_.size() && taken < len; ++i) {
        const std::string_view b = chunks_[i].bytes;
        const std::size_t from = pos > start ? pos - start : 0;
        v.push_back(b.substr(from, std::min(b.size() - from, len - taken)));
        taken += v.back().size();
        start += b.size();
    }
    return v;
}

std::string EditorText::str() const {
    std::string out;
    out.reserve(bytes_);
    for (const Chunk& c : chunks_) out += c.bytes;
    return out;
}

std::string EditorText::substr(std::size_t pos, std::size_t len) const {
    std::string out;
    const std::vector<std::string_view> parts = spans(pos, len);
    std::size_t n = 0;
    for (const std::string_view p : parts) n += p.size();
    out.reserve(n);
    for (const std::string_view p : parts) out += p;
    return out;
}

std::size_t EditorText::commonPrefix(std::string_view other) const { return prefixOf(spans(), {other}); }

std::size_t EditorText::commonSuffix(std::string_view other, std::size_t limit) const {
    return suffixOf(spans(), {other}, limit);
}

std::size_t EditorText::commonPrefix(const EditorText& other) const { return prefixOf(spans(), other.spans()); }

std::size_t EditorText::commonSuffix(const EditorText& other, std::size_t limit) const {
    return suffixOf(spans(), other.spans(), limit);
}

std::size_t EditorText::commonPrefixAt(std::size_t pos, std::size_t len, std::string_view other) const {
    return prefixOf(spans(pos, len), {other});
}

std::size_t EditorText::commonSuffixAt(std::size_t pos, std::size_t len, std::string_view other,
                                       std::size_t limit) const {
    return suffixOf(spans(pos, len), {other}, limit);
}

bool EditorText::operator==(std::string_view other) const {
    return other.size() == bytes_ && commonPrefix(other) == bytes_;
}

std::size_t EditorText::chunkAtByte(std::size_t pos, std::size_t* byteStart, std::size_t* unitStart) const {
    std::size_t b = 0, u = 0;
    for (std::size_t i = 0; i < chunks_.size(); ++i) {
        const std::size_t n = chunks_[i].bytes.size();
        if (pos < b + n || i + 1 == chunks_.size()) {
            *byteStart = b;
            *unitStart = u;
            return i;
        }
        b += n;
        u += chunks_[i].units;
    }
    *byteStart = *unitStart = 0;
    return 0;
}

EditorText::Region EditorText::regionForUnits(std::size_t pos, std::size_t removed) const {
    Region r;
    if (chunks_.empty()) return r;
    const std::size_t last = removed ? pos + removed - 1 : pos;
    std::size_t b = 0, u = 0, i = 0;
    for (; i + 1 < chunks_.size() && pos >= u + chunks_[i].units; ++i) {
        b += chunks_[i].bytes.size();
        u += chunks_[i].units;
    }
    r.firstChunk = i;
    r.unitBegin = u;
    r.byteBegin = b;
    for (;;) {
        b += chunks_[i].bytes.size();
        u += chunks_[i].units;
        ++i;
        if (i == chunks_.size() || last < u) break;
    }
    r.endChunk = i;
    r.unitEnd = u;
    r.byteEnd = b;
    return r;
}

void EditorText::splice(std::size_t first, std::size_t end, std::vector<Chunk> pieces) {
    for (std::size_t i = first; i < end; ++i) {
        bytes_ -= chunks_[i].bytes.size();
        units_ -= chunks_[i].units;
    }
    // The neighbours join in, so that small or unclean ends can be merged.
    std::vector<Chunk> seg;
    seg.reserve(pieces.size() + 2);
    if (first > 0) {
        --first;
        bytes_ -= chunks_[first].bytes.size();
        units_ -= chunks_[first].units;
        seg.push_back(std::move(chunks_[first]));
    }
    for (Chunk& p : pieces)
        if (!p.bytes.empty()) seg.push_back(std::move(p));
    if (end < chunks_.size()) {
        bytes_ -= chunks_[end].bytes.size();
        units_ -= chunks_[end].units;
        seg.push_back(std::move(chunks_[end]));
        ++end;
    }
    std::vector<Chunk> merged;
    merged.reserve(seg.size());
    for (Chunk& c : seg) {
        if (!merged.empty()) {
            Chunk& prev = merged.back();
            const bool small = prev.bytes.size() < kSmallChunk || c.bytes.size() < kSmallChunk;
            if (small && prev.bytes.size() + c.bytes.size() <= 2 * kChunkBytes) {
                prev.bytes += c.bytes;
                prev.units += c.units;
                continue;
            }
        }
        merged.push_back(std::move(c));
    }
    for (Chunk& c : merged) {
        if (c.bytes.capacity() > c.bytes.size() + c.bytes.size() / 4) c.bytes.shrink_to_fit();
        bytes_ += c.bytes.size();
        units_ += c.units;
    }
    const auto at = chunks_.erase(chunks_.begin() + static_cast<std::ptrdiff_t>(first),
                                  chunks_.begin() + static_cast<std::ptrdiff_t>(end));
    chunks_.insert(at, std::make_move_iterator(merged.begin()), std::make_move_iterator(merged.end()));
}

ByteChange EditorText::replaceRegion(const Region& region, std::u16string_view units) {
    std::string oldBytes;
    for (std::size_t i = region.firstChunk; i < region.endChunk; ++i) oldBytes += chunks_[i].bytes;
    // Only what the user changed is encoded from the editor's units: the
    // units before and after it that show the old text (a line end the
    // editor shows for a lone "\r", a line separator, U+FDD0/U+FDD1, a
    // no-break space) keep the old text's own bytes.
    const std::u16string oldUnits = decodeForEditor(oldBytes);
    const auto shows = [](char16_t was, char16_t now) {
        if (was == now) return true;
        const bool lineEnd = was == u'\n' || was == u'\r' || was == 0x2028 || was == 0x2029 || was == 0xFDD0 ||
                             was == 0xFDD1;
        return (now == 0x2029 && lineEnd) || (now == 0x2028 && was == u'\n') || (now == u' ' && was == 0x00A0);
    };
    const std::size_t unitLimit = std::min(oldUnits.size(), units.size());
    std::size_t front = 0;
    while (front < unitLimit && shows(oldUnits[front], units[front])) ++front;
    std::size_t back = 0;
    while (back < unitLimit - front && shows(oldUnits[oldUnits.size() - 1 - back], units[units.size() - 1 - back])) ++back;
    // Never between the two halves of a surrogate pair.
    if (front > 0 && front < oldUnits.size() && lowSurrogate(oldUnits[front])) --front;
    if (back > 0 && back < oldUnits.size() && highSurrogate(oldUnits[oldUnits.size() - 1 - back])) --back;
    std::size_t frontBytes = bytesOfUnits(oldBytes, front);
    const std::size_t backStart = bytesOfUnits(oldBytes, oldUnits.size() - back);
    std::string middle = encodeEditorUnits(units.substr(front, units.size() - front - back));
    // A lone "\r" kept in front of a line feed would make "\r\n" of the two.
    if (frontBytes > 0 && oldBytes[frontBytes - 1] == '\r' &&
        ((!middle.empty() && middle[0] == '\n') || (middle.empty() && backStart < oldBytes.size() &&
                                                    oldBytes[backStart] == '\n'))) {
        --frontBytes;
        middle.insert(0, "\r\n");
    }
    std::string newBytes = oldBytes.substr(0, frontBytes) + middle + oldBytes.substr(backStart);
    std::u16string check;
    std::vector<Chunk> pieces = piecesFromBytes(newBytes, &check);
    const bool same = oldUnits.size() == region.unitEnd - region.unitBegin && check.size() == units.size() &&
                      std::equal(check.begin(), check.end(), units.begin(), shows);
    if (!same) {
        // The kept bytes would not read as the editor shows them (bytes that
        // join across the edit): everything from the editor's units.
        pieces = piecesFromUnits(units, false);
        newBytes.clear();
        for (const Chunk& p : pieces) newBytes += p.bytes;
    }
    splice(region.firstChunk, region.endChunk, std::move(pieces));

    ByteChange change;
    std::size_t prefix = 0;
    const std::size_t limit = std::min(oldBytes.size(), newBytes.size());
    while (prefix < limit && oldBytes[prefix] == newBytes[prefix]) ++prefix;
    std::size_t suffix = 0;
    while (suffix < limit - prefix &&
           oldBytes[oldBytes.size() - 1 - suffix] == newBytes[newBytes.size() - 1 - suffix])
        ++suffix;
    change.pos = region.byteBegin + prefix;
    change.removed = oldBytes.substr(prefix, oldBytes.size() - prefix - suffix);
    change.addedLength = newBytes.size() - prefix - suffix;
    return change;
}

EditorChange EditorText::replaceBytes(std::size_t pos, std::size_t len, std::string_view bytes) {
    pos = std::min(pos, bytes_);
    len = std::min(len, bytes_ - pos);
    EditorChange change;
    if (chunks_.empty()) {
        splice(0, 0, piecesFromBytes(bytes, &change.added));
        return change;
    }
    std::size_t byteStart = 0, unitStart = 0;
    const std::size_t first = chunkAtByte(pos, &byteStart, &unitStart);
    std::size_t end = first, endByte = byteStart;
    std::size_t oldUnits = 0;
    // Every chunk the replaced bytes touch, and the next ones while the new
    // bytes would end without a clean end.
    while (end < chunks_.size() && (end == first || endByte < pos + len)) {
        oldUnits += chunks_[end].units;
        endByte += chunks_[end].bytes.size();
        ++end;
    }
    // Their bytes with the replacement made; the replaced bytes themselves
    // are never copied (an undo may replace the whole text).
    std::string region;
    region.reserve(pos - byteStart + bytes.size() + (endByte - pos - len));
    region.append(chunks_[first].bytes, 0, pos - byteStart);
    region.append(bytes);
    region += substr(pos + len, endByte - pos - len);
    // A last character that the next chunk's bytes would complete takes
    // that chunk in too.
    const auto endsOnBoundary = [&] {
        if (end == chunks_.size()) return true;
        // Walked from the last byte that surely starts a character.
        std::size_t from = region.size();
        while (from > 0 && !text::isStandaloneByte(static_cast<unsigned char>(region[from - 1]))) --from;
        if (from > 0) --from;
        const std::string joined = region.substr(from) + chunks_[end].bytes.substr(0, 3);
        std::size_t i = 0;
        while (i < region.size() - from) i += text::charLength(joined, i);
        return i == region.size() - from;
    };
    while (!endsOnBoundary()) {
        region += chunks_[end].bytes;
        oldUnits += chunks_[end].units;
        ++end;
    }
    change.pos = unitStart;
    change.removed = oldUnits;
    std::vector<Chunk> pieces = piecesFromBytes(region, &change.added);
    splice(first, end, std::move(pieces));
    return change;
}

std::size_t EditorText::memoryUsage() const {
    std::size_t n = sizeof(*this) + chunks_.capacity() * sizeof(Chunk);
    for (const Chunk& c : chunks_) n += c.bytes.capacity() > 15 ? c.bytes.capacity() + 1 : 0;
    return n;
}

}  // namespace folvane::editor
