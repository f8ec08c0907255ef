#include "engine/change_records.h"

#include <algorithm>

#include "text/gb18030.h"

namespace folvane::engine {
namespace {

// A shortest edit script (Myers) over two token lists, as hunks of token
// indices; the caller turns them into byte offsets.
std::vector<Hunk> tokenHunks(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b,
                             std::size_t maxEdits) {
    std::vector<Hunk> out;
    std::size_t pre = 0;
    while (pre < a.size() && pre < b.size() && a[pre] == b[pre]) ++pre;
    std::size_t suf = 0;
    while (suf < a.size() - pre && suf < b.size() - pre && a[a.size() - 1 - suf] == b[b.size() - 1 - suf]) ++suf;
    const auto n = static_cast<long>(a.size() - pre - suf), m = static_cast<long>(b.size() - pre - suf);
    if (n == 0 && m == 0) return out;
    auto A = [&](long i) { return a[pre + static_cast<std::size_t>(i)]; };
    auto B = [&](long j) { return b[pre + static_cast<std::size_t>(j)]; };
    const long maxD = std::min<long>(n + m, static_cast<long>(maxEdits));
    const long off = maxD + 1;
    std::vector<long> v(static_cast<std::size_t>(2 * off + 1), 0);
    std::vector<std::vector<long>> trace;
    long found = -1;
    for (long d = 0; d <= maxD && found < 0; ++d) {
        // Only the diagonals this step can read are kept: |k| <= d + 1.
        trace.emplace_back(v.begin() + (off - d - 1), v.begin() + (off + d + 2));
        for (long k = -d; k <= d; k += 2) {
            long x;
            if (k == -d || (k != d && v[static_cast<std::size_t>(off + k - 1)] < v[static_cast<std::size_t>(off + k + 1)]))
                x = v[static_cast<std::size_t>(off + k + 1)];
            else
                x = v[static_cast<std::size_t>(off + k - 1)] + 1;
            long y = x - k;
            while (x < n && y < m && A(x) == B(y)) ++x, ++y;
            v[static_cast<std::size_t>(off + k)] = x;
            if (x >= n && y >= m) {
                found = d;
                break;
            }
        }
    }
    if (found < 0) {
        out.push_back({pre, pre + static_cast<std::size_t>(n), pre, pre + static_cast<std::size_t>(m)});
        return out;
    }
    // Back through the trace: each step is an insertion or a deletion, and
    // neighbouring ones make one hunk.
    std::vector<Hunk> rev;
    long x = n, y = m;
    for (long d = found; d > 0; --d) {
        const std::vector<long>& kept = trace[static_cast<std::size_t>(d)];
        auto pv = [&](long kk) { return kept[static_cast<std::size_t>(kk + d + 1)]; };
        const long k = x - y;
        long pk;
        if (k == -d || (k != d && pv(k - 1) < pv(k + 1)))
            pk = k + 1;
        else
            pk = k - 1;
        // The step's one edit leads from (px, py), then the diagonal to (x, y).
        const long px = pv(pk), py = px - pk;
        const std::size_t ox = pre + static_cast<std::size_t>(px), oy = pre + static_cast<std::size_t>(py);
        Hunk h = pk == k + 1 ? Hunk{ox, ox, oy, oy + 1} : Hunk{ox, ox + 1, oy, oy};
        if (!rev.empty() && rev.back().oldStart == h.oldEnd && rev.back().newStart == h.newEnd) {
            rev.back().oldStart = h.oldStart;
            rev.back().newStart = h.newStart;
        } else {
            rev.push_back(h);
        }
        x = px;
        y = py;
    }
    out.assign(rev.rbegin(), rev.rend());
    return out;
}

std::vector<std::string_view> characters(std::string_view s, std::vector<std::size_t>& starts) {
    std::vector<std::string_view> t;
    text::forEachChar(s, [&](std::size_t p, std::size_t len) {
        t.push_back(s.substr(p, len));
        starts.push_back(p);
    });
    starts.push_back(s.size());
    return t;
}

std::vector<std::string_view> linesOf(std::string_view s, std::vector<std::size_t>& starts) {
    std::vector<std::string_view> t;
    std::size_t a = 0;
    while (a < s.size()) {
        const std::size_t p = s.find("\r\n", a);
        const std::size_t e = p == std::string_view::npos ? s.size() : p + 2;
        t.push_back(s.substr(a, e - a));
        starts.push_back(a);
        a = e;
    }
    starts.push_back(s.size());
    return t;
}

template <typename Split>
std::vector<Hunk> hunksBy(std::string_view before, std::string_view after, std::size_t maxEdits, Split split) {
    std::vector<std::size_t> sa, sb;
    const auto ta = split(before, sa);
    const auto tb = split(after, sb);
    std::vector<Hunk> h = tokenHunks(ta, tb, maxEdits);
    for (Hunk& x : h) x = {sa[x.oldStart], sa[x.oldEnd], sb[x.newStart], sb[x.newEnd]};
    return h;
}

}  // namespace

std::vector<Hunk> characterHunks(std::string_view before, std::string_view after, std::size_t maxEdits) {
    return hunksBy(before, after, maxEdits, characters);
}

std::vector<Hunk> lineHunks(std::string_view before, std::string_view after, std::size_t maxEdits) {
    return hunksBy(before, after, maxEdits, linesOf);
}

TextPositions::TextPositions(std::string_view text) : text_(text) {
    lineStarts_.push_back(0);
    for (std::size_t p = text.find("\r\n"); p != std::string_view::npos; p = text.find("\r\n", p + 2))
        lineStarts_.push_back(p + 2);
}

void TextPositions::locate(std::size_t offset, std::size_t& line, std::size_t& column) {
    offset = std::min(offset, text_.size());
    const auto it = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), offset);
    const auto l = static_cast<std::size_t>(it - lineStarts_.begin()) - 1;
    if (l != line_ || offset < pos_) {
        line_ = l;
        pos_ = lineStarts_[l];
        column_ = 1;
    }
    while (pos_ < offset) {
        pos_ += text::charLength(text_, pos_);
        ++column_;
    }
    line = line_ + 1;
    column = column_;
}

std::vector<Change> changesBetween(std::string_view before, std::string_view after, std::string_view rule) {
    std::vector<Change> out;
    TextPositions where(before);
    auto record = [&](std::size_t os, std::size_t oe, std::size_t ns, std::size_t ne) {
        Change c;
        where.locate(os, c.line, c.column);
        where.locate(oe, c.endLine, c.endColumn);
        c.rule = std::string(rule);
        c.before = std::string(before.substr(os, oe - os));
        c.after = std::string(after.substr(ns, ne - ns));
        out.push_back(std::move(c));
    };
    for (const Hunk& h : lineHunks(before, after)) {
        const std::string_view a = before.substr(h.oldStart, h.oldEnd - h.oldStart);
        const std::string_view b = after.substr(h.newStart, h.newEnd - h.newStart);
        if (a.size() + b.size() < 64 * 1024) {
            for (const Hunk& c : characterHunks(a, b))
                record(h.oldStart + c.oldStart, h.oldStart + c.oldEnd, h.newStart + c.newStart, h.newStart + c.newEnd);
        } else {
            record(h.oldStart, h.oldEnd, h.newStart, h.newEnd);
        }
    }
    return out;
}

}  // namespace folvane::engine
