#include "text/search.h"

#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "text/gb18030.h"
#include "text/release.h"

namespace folvane::text {
namespace {

// First position at or after `from` where the two bytes a, b occur in a row.
std::size_t findPair(std::string_view hay, std::size_t from, char a, char b) {
    const char* base = hay.data();
    const std::size_t n = hay.size();
    std::size_t i = from;
#ifdef __SSE2__
    const __m128i va = _mm_set1_epi8(a);
    const __m128i vb = _mm_set1_epi8(b);
    for (; i + 17 <= n; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i + 1));
        const int mask = _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(x, va), _mm_cmpeq_epi8(y, vb)));
        if (mask) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
#endif
    for (; i + 1 < n; ++i)
        if (base[i] == a && base[i + 1] == b) return i;
    return npos;
}

std::size_t rawFind(std::string_view hay, std::string_view needle, std::size_t from) {
    if (from > hay.size() || needle.size() > hay.size() - from) return npos;
    const char* base = hay.data();
    if (needle.size() == 1) {
        const void* p = ::memchr(base + from, needle[0], hay.size() - from);
        return p ? static_cast<std::size_t>(static_cast<const char*>(p) - base) : npos;
    }
    // Short needles: a vectorised search for their first two bytes, then a
    // check of the rest. Long ones (typed by users) go to memmem, which is
    // linear in the worst case.
    if (needle.size() <= 64) {
        const std::size_t last = hay.size() - needle.size();
        const auto matchesAt = [&](std::size_t p) {
            return std::memcmp(base + p + 1, needle.data() + 1, needle.size() - 1) == 0;
        };
        // memchr finds a rare first byte (the markers' "$") many times
        // faster than the pair search; after a few false starts the first
        // byte is common here, and the pair search goes on.
        std::size_t p = from;
        for (int falseStarts = 0; falseStarts < 4; ++falseStarts) {
            const void* hit = ::memchr(base + p, needle[0], last + 1 - p);
            if (!hit) return npos;
            p = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
            if (matchesAt(p)) return p;
            if (++p > last) return npos;
        }
        for (p = findPair(hay, p, needle[0], needle[1]); p != npos && p <= last;
             p = findPair(hay, p + 1, needle[0], needle[1])) {
            if (needle.size() == 2 || std::memcmp(base + p + 2, needle.data() + 2, needle.size() - 2) == 0)
                return p;
        }
        return npos;
    }
    const void* p = ::memmem(base + from, hay.size() - from, needle.data(), needle.size());
    return p ? static_cast<std::size_t>(static_cast<const char*>(p) - base) : npos;
}

// The boundary test both finders share: `candidate(pos)` gives the next
// byte match at or after `pos`; it is taken when it starts on a character
// boundary (the walker goes over the text once, left to right) and, unless
// the needle delimits itself, ends on one. `from` must be a boundary and
// must not decrease between calls.
template <typename Candidate>
std::size_t nextOnBoundaries(std::string_view hay, std::size_t needleSize, bool selfDelimiting,
                             BoundaryWalker& walker, std::size_t from, Candidate candidate) {
    // Jump to `from` rather than walk over bytes that an in-place
    // replacement may already have overwritten.
    if (walker.position() < from) walker = BoundaryWalker(hay, from);
    std::size_t pos = from;
    for (;;) {
        const std::size_t c = candidate(pos);
        if (c == npos) return npos;
        if (!walker.reach(c)) {
            pos = walker.position();
            continue;
        }
        if (selfDelimiting || BoundaryWalker(hay, c).reach(c + needleSize)) return c;
        pos = c + charLength(hay, c);
    }
}

// Finds successive aligned matches of one needle in one text. A needle that
// starts with a standalone byte and ends with whole characters can be found
// with a plain byte search; any other needle is checked against the
// boundaries of the text, which are walked once from left to right.
class Matcher {
public:
    Matcher(std::string_view hay, std::string_view needle, std::size_t from)
        : hay_(hay), needle_(needle), walker_(hay, from),
          selfDelimiting_(isSelfDelimiting(needle)),
          fast_(!needle.empty() && selfDelimiting_ &&
                isStandaloneByte(static_cast<unsigned char>(needle[0]))) {}

    // Next match at or after `from`; `from` must not decrease between calls
    // and must be a boundary.
    std::size_t next(std::size_t from) {
        if (needle_.empty()) return npos;
        if (fast_) return rawFind(hay_, needle_, from);
        return nextOnBoundaries(hay_, needle_.size(), selfDelimiting_, walker_, from,
                                [this](std::size_t pos) { return rawFind(hay_, needle_, pos); });
    }

private:
    std::string_view hay_;
    std::string_view needle_;
    BoundaryWalker walker_;
    bool selfDelimiting_;
    bool fast_;
};

}  // namespace

std::size_t findAligned(std::string_view hay, std::string_view needle, std::size_t from) {
    return Matcher(hay, needle, from).next(from);
}

bool endsWithAligned(std::string_view s, std::string_view suffix) {
    if (suffix.size() > s.size() || s.substr(s.size() - suffix.size()) != suffix) return false;
    const std::size_t start = s.size() - suffix.size();
    // Step back to a position that is surely a boundary, then walk forward.
    std::size_t j = start;
    while (j > 0 && !isStandaloneByte(static_cast<unsigned char>(s[j - 1]))) --j;
    BoundaryWalker w(s, j);
    return w.reach(start);
}

std::vector<std::size_t> findAllAligned(std::string_view hay, std::string_view needle) {
    std::vector<std::size_t> out;
    Matcher m(hay, needle, 0);
    for (std::size_t p = m.next(0); p != npos; p = m.next(p + needle.size())) out.push_back(p);
    return out;
}

std::string replaceAll(std::string_view s, std::string_view find, std::string_view repl,
                       std::size_t* count) {
    std::size_t n = 0;
    std::string out;
    Matcher m(s, find, 0);
    std::size_t p = m.next(0);
    if (p == npos) {
        out.assign(s);
    } else {
        out.reserve(s.size() + (repl.size() > find.size() ? (repl.size() - find.size()) * 16 : 0));
        std::size_t copied = 0;
        for (; p != npos; p = m.next(copied)) {
            out.append(s.data() + copied, p - copied);
            out.append(repl);
            copied = p + find.size();
            ++n;
        }
        out.append(s.data() + copied, s.size() - copied);
    }
    if (count) *count = n;
    return out;
}

namespace {

// Replaces every match that `m` finds (each `findSize` bytes) by `repl`,
// which is not longer: the text is compacted in place, written behind the
// search. Returns the number of replacements.
// With `keepOpaqueApart`, a match whose replacement would join an opaque
// byte before it with what follows stays as it is.
template <typename Finder>
std::size_t compactReplace(std::string& s, Finder& m, std::size_t findSize, std::string_view repl,
                           bool keepOpaqueApart) {
    // `floor`: a boundary of the output behind which nothing can join any more.
    std::size_t n = 0, copied = 0, written = 0, floor = 0;
    for (std::size_t p = m.next(0); p != npos; p = m.next(copied)) {
        if (written != copied) std::memmove(s.data() + written, s.data() + copied, p - copied);
        written += p - copied;
        copied = p + findSize;
        if (keepOpaqueApart && joinsOpaqueByte(std::string_view(s.data(), written), floor, repl,
                                               std::string_view(s).substr(copied), &floor)) {
            if (written != p) std::memmove(s.data() + written, s.data() + p, findSize);
            written += findSize;
            continue;
        }
        if (!repl.empty()) std::memcpy(s.data() + written, repl.data(), repl.size());
        written += repl.size();
        ++n;
    }
    if (written != copied) {
        std::memmove(s.data() + written, s.data() + copied, s.size() - copied);
        s.resize(written + s.size() - copied);
    }
    return n;
}

}  // namespace

std::size_t replaceAllInPlace(std::string& s, std::string_view find, std::string_view repl, bool keepOpaqueApart) {
    if (find.empty()) return 0;
    if (repl.size() > find.size()) {
        std::size_t n = 0;
        if (!keepOpaqueApart) {
            std::string out = replaceAll(s, find, repl, &n);
            if (n) s.swap(out);
            return n;
        }
        Matcher m(s, find, 0);
        std::string out;
        std::size_t copied = 0, floor = 0;
        for (std::size_t p = m.next(0); p != npos; p = m.next(copied)) {
            if (copied == 0) out.reserve(s.size() + s.size() / 4);
            out.append(s.data() + copied, p - copied);
            const bool keep = joinsOpaqueByte(out, floor, repl, std::string_view(s).substr(p + find.size()), &floor);
            out.append(keep ? std::string_view(s).substr(p, find.size()) : repl);
            copied = p + find.size();
            n += keep ? 0 : 1;
        }
        if (n) {
            out.append(s.data() + copied, s.size() - copied);
            s.swap(out);
        }
        return n;
    }
    // The text does not grow.
    Matcher m(s, find, 0);
    return compactReplace(s, m, find.size(), repl, keepOpaqueApart);
}

namespace {

// The fixpoint of "replace every `find` by `repl`" when `repl` is a prefix of
// `find`: characters are appended one by one, and whenever the output ends
// with a match the match is cut back to its prefix. Before each append the
// output holds no match, and cutting back yields a prefix of that output, so
// one check per appended character keeps the invariant.
std::size_t collapseRuns(std::string& s, std::string_view find, std::size_t keep, bool keepOpaqueApart) {
    const bool fast = isStandaloneByte(static_cast<unsigned char>(find[0]));
    // The output is built in place: it never grows past what has been read.
    std::size_t w = 0, i = 0;
    std::vector<bool> boundary;  // boundary[i]: an output character starts at i
    std::size_t n = 0;
    // An output boundary behind which no opaque byte can join any more.
    std::size_t floor = 0;
    const char last = find.back();
    auto cutIfMatch = [&] {
        if (w < find.size()) return;
        const std::size_t start = w - find.size();
        if (std::string_view(s.data() + start, find.size()) != find) return;
        if (!fast && !boundary[start]) return;
        // A cut that would join an opaque byte before the match with the
        // bytes after it is not made.
        if (keepOpaqueApart) {
            if (floor > start + keep) floor = 0;
            std::size_t settled = 0;
            if (joinsOpaqueByte(std::string_view(s.data(), start + keep), floor, std::string_view(s).substr(i), {},
                                &settled))
                return;
            floor = settled;
        }
        w = start + keep;
        if (!fast) boundary.resize(w);
        ++n;
    };
    if (fast) {
        // A match starts at a standalone byte, so boundaries need no
        // tracking: copy up to each byte that could end a match, then check.
        for (i = 0; i < s.size();) {
            const void* hit = ::memchr(s.data() + i, last, s.size() - i);
            const std::size_t end =
                hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - s.data()) + 1 : s.size();
            if (w != i) std::memmove(s.data() + w, s.data() + i, end - i);
            w += end - i;
            i = end;
            if (hit) cutIfMatch();
        }
    } else {
        boundary.reserve(s.size() + 1);
        for (i = 0; i < s.size();) {
            const std::size_t len = charLength(s, i);
            boundary.resize(w + len, false);
            boundary[w] = true;
            if (w != i) std::memmove(s.data() + w, s.data() + i, len);
            w += len;
            i += len;
            if (s[w - 1] == last) cutIfMatch();
        }
    }
    s.resize(w);
    return n;
}

// True when `prefix` ends on one of the character boundaries of `whole`.
bool endsOnOwnBoundary(std::string_view whole, std::size_t prefixLen) {
    BoundaryWalker w(whole);
    return w.reach(prefixLen);
}

}  // namespace

std::size_t replaceAllRepeat(std::string& s, std::string_view find, std::string_view repl, bool keepOpaqueApart) {
    if (find.empty()) return 0;
    if (repl.size() < find.size() && find.substr(0, repl.size()) == repl &&
        isSelfDelimiting(find) && endsOnOwnBoundary(find, repl.size())) {
        return collapseRuns(s, find, repl.size(), keepOpaqueApart);
    }
    const bool endless = repl.find(find) != std::string_view::npos;
    std::size_t total = 0;
    // Each pass that replaces something is followed by another; a cap keeps
    // exotic patterns that could cycle from running forever.
    for (std::size_t pass = 0; pass <= s.size() + 1; ++pass) {
        const std::size_t n = replaceAllInPlace(s, find, repl, keepOpaqueApart);
        total += n;
        if (n == 0 || endless) break;
    }
    return total;
}

std::string foldAsciiCase(std::string_view s) {
    std::string out(s);
    for (std::size_t i = 0; i < out.size();) {
        const std::size_t len = charLength(out, i);
        if (len == 1 && out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] - 'A' + 'a');
        i += len;
    }
    return out;
}

namespace {

bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
char lower(char c) { return isUpper(c) ? static_cast<char>(c - 'A' + 'a') : c; }

// Aligned matches of one needle, ASCII letters that are whole characters
// compared without regard to their case, found in the text itself rather
// than in a folded copy of it (a long text is not held twice). A letter is
// never a lead byte and stays a valid trail byte in either case, so a
// stretch of the text equal to the needle up to case parses as the needle
// does: the results are those of a search in the folded text.
class IgnoreCaseMatcher {
public:
    IgnoreCaseMatcher(std::string_view hay, std::string_view needle, std::size_t from)
        : hay_(hay), needle_(foldAsciiCase(needle)), foldable_(needle_.size(), false), walker_(hay, from),
          selfDelimiting_(isSelfDelimiting(needle_)) {
        forEachChar(needle_, [&](std::size_t pos, std::size_t len) {
            if (len == 1 && needle_[pos] >= 'a' && needle_[pos] <= 'z') foldable_[pos] = true;
        });
        for (anchor_ = 0; anchor_ < needle_.size() && foldable_[anchor_]; ++anchor_) {
        }
    }

    std::size_t next(std::size_t from) {
        if (needle_.empty()) return npos;
        return nextOnBoundaries(hay_, needle_.size(), selfDelimiting_, walker_, from,
                                [this](std::size_t pos) { return candidate(pos); });
    }

private:
    bool equalsAt(std::size_t c) const {
        for (std::size_t k = 0; k < needle_.size(); ++k) {
            const char h = hay_[c + k];
            if (foldable_[k] ? lower(h) != needle_[k] : h != needle_[k]) return false;
        }
        return true;
    }

    // First position at or after `pos` where the bytes match up to case.
    std::size_t candidate(std::size_t pos) const {
        const std::size_t n = needle_.size();
        if (pos > hay_.size() || n > hay_.size() - pos) return npos;
        const std::size_t last = hay_.size() - n;
        if (anchor_ < n) {
            // A byte that is no letter is looked for directly.
            const char a = needle_[anchor_];
            for (std::size_t h = pos + anchor_; h <= last + anchor_;) {
                const void* hit = std::memchr(hay_.data() + h, a, last + anchor_ + 1 - h);
                if (!hit) return npos;
                const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - hay_.data());
                if (equalsAt(at - anchor_)) return at - anchor_;
                h = at + 1;
            }
            return npos;
        }
        for (std::size_t c = pos; c <= last; ++c)
            if (lower(hay_[c]) == needle_[0] && equalsAt(c)) return c;
        return npos;
    }

    std::string_view hay_;
    std::string needle_;
    std::vector<bool> foldable_;
    std::size_t anchor_ = 0;
    BoundaryWalker walker_;
    bool selfDelimiting_;
};

}  // namespace

CaseFoldedText::CaseFoldedText(std::string_view original) : original_(original) {}

std::size_t CaseFoldedText::find(std::string_view needle, std::size_t from) const {
    return IgnoreCaseMatcher(original_, needle, from).next(from);
}

std::string replaceAllIgnoreCase(std::string_view s, std::string_view find, std::string_view repl,
                                 std::size_t* count) {
    std::size_t n = 0;
    std::string out;
    if (!find.empty()) {
        IgnoreCaseMatcher m(s, find, 0);
        std::size_t copied = 0, floor = 0;
        for (std::size_t p = m.next(0); p != npos; p = m.next(copied)) {
            if (copied == 0) out.reserve(s.size());
            out.append(s.data() + copied, p - copied);
            const bool keep = joinsOpaqueByte(out, floor, repl, s.substr(p + find.size()), &floor);
            out.append(keep ? s.substr(p, find.size()) : repl);
            copied = p + find.size();
            n += keep ? 0 : 1;
        }
        if (n) out.append(s.data() + copied, s.size() - copied);
    }
    if (n == 0) out.assign(s);
    if (count) *count = n;
    return out;
}

std::size_t replaceAllIgnoreCaseInPlace(std::string& s, std::string_view find, std::string_view repl) {
    if (find.empty()) return 0;
    std::size_t n = 0, copied = 0;
    if (repl.size() > find.size()) {
        // Counted first, so that the new text is allocated once, at its size.
        IgnoreCaseMatcher counter(s, find, 0);
        for (std::size_t p = counter.next(0); p != npos; p = counter.next(copied), ++n) copied = p + find.size();
        if (n == 0) return 0;
        std::string out;
        out.reserve(s.size() + n * (repl.size() - find.size()));
        FrontReleaser done(s);
        IgnoreCaseMatcher m(s, find, 0);
        copied = 0;
        n = 0;
        std::size_t floor = 0;
        for (std::size_t p = m.next(0); p != npos; p = m.next(copied)) {
            out.append(s.data() + copied, p - copied);
            const bool keep =
                joinsOpaqueByte(out, floor, repl, std::string_view(s).substr(p + find.size()), &floor);
            out.append(keep ? std::string_view(s).substr(p, find.size()) : repl);
            copied = p + find.size();
            n += keep ? 0 : 1;
            done.consumed(copied);
        }
        out.append(s.data() + copied, s.size() - copied);
        s.swap(out);
        return n;
    }
    // The text does not grow.
    IgnoreCaseMatcher m(s, find, 0);
    return compactReplace(s, m, find.size(), repl, true);
}

}  // namespace folvane::text
