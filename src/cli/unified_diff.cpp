#include "cli/unified_diff.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "cli/quoted_name.h"

namespace folvane::cli {
namespace {

struct Line {
    std::string_view text;  // without its "\n"
    bool broken;            // followed by "\n"
    bool operator==(const Line&) const = default;
};

std::vector<Line> linesOf(std::string_view s) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < s.size()) {
        const std::size_t p = s.find('\n', start);
        if (p == std::string_view::npos) {
            lines.push_back({s.substr(start), false});
            break;
        }
        lines.push_back({s.substr(start, p - start), true});
        start = p + 1;
    }
    return lines;
}

enum class Op : char { Keep = ' ', Remove = '-', Add = '+' };

// The edit script of the lines between a common head and a common tail: the
// longest common subsequence where the table fits in kMaxCells, else the
// whole middle replaced (typesetting usually changes every line, and the
// diff then stays linear).
constexpr std::uint64_t kMaxCells = 16 * 1024 * 1024;

void middleScript(const std::vector<Line>& a, std::size_t a0, std::size_t a1, const std::vector<Line>& b,
                  std::size_t b0, std::size_t b1, std::vector<Op>& ops) {
    const std::size_t n = a1 - a0, m = b1 - b0;
    if (static_cast<std::uint64_t>(n + 1) * (m + 1) > kMaxCells) {
        ops.insert(ops.end(), n, Op::Remove);
        ops.insert(ops.end(), m, Op::Add);
        return;
    }
    // lcs[i][j]: longest common subsequence of a[a0+i..] and b[b0+j..].
    std::vector<std::uint32_t> lcs((n + 1) * (m + 1), 0);
    auto at = [&](std::size_t i, std::size_t j) -> std::uint32_t& { return lcs[i * (m + 1) + j]; };
    for (std::size_t i = n; i-- > 0;)
        for (std::size_t j = m; j-- > 0;)
            at(i, j) = a[a0 + i] == b[b0 + j] ? at(i + 1, j + 1) + 1 : std::max(at(i + 1, j), at(i, j + 1));
    std::size_t i = 0, j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && a[a0 + i] == b[b0 + j]) {
            ops.push_back(Op::Keep);
            ++i;
            ++j;
        } else if (i < n && (j == m || at(i + 1, j) >= at(i, j + 1))) {
            ops.push_back(Op::Remove);
            ++i;
        } else {
            ops.push_back(Op::Add);
            ++j;
        }
    }
}

void appendLine(std::string& out, char op, const Line& line) {
    out += op;
    out += line.text;
    out += '\n';
    if (!line.broken) out += "\\ No newline at end of file\n";
}

std::string range(std::size_t start, std::size_t count) {
    // A range of no lines names the line before it.
    return std::to_string(count == 0 ? start : start + 1) + (count == 1 ? "" : "," + std::to_string(count));
}

// A name of the header as version control writes it: relative names under
// "a/" and "b/", an absolute one as it is; quoted where it must be; a tab
// after a name with a space, so that `patch` takes the whole name.
std::string headerName(std::string_view prefix, std::string_view name) {
    const std::string full = name.starts_with('/') ? std::string(name) : std::string(prefix) + std::string(name);
    return quotedName(full) + (name.find(' ') != std::string_view::npos ? "\t" : "");
}

}  // namespace

std::string unifiedDiff(std::string_view name, std::string_view before, std::string_view after) {
    if (before == after) return {};
    const std::vector<Line> a = linesOf(before), b = linesOf(after);
    std::size_t head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head]) ++head;
    std::size_t tail = 0;
    while (tail < a.size() - head && tail < b.size() - head && a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    std::vector<Op> ops(head, Op::Keep);
    middleScript(a, head, a.size() - tail, b, head, b.size() - tail, ops);
    ops.insert(ops.end(), tail, Op::Keep);

    constexpr std::size_t kContext = 3;
    std::string out = "--- " + headerName("a/", name) + "\n+++ " + headerName("b/", name) + "\n";
    std::size_t k = 0;
    // Positions in a and b at each op.
    std::vector<std::size_t> ia(ops.size() + 1), ib(ops.size() + 1);
    for (std::size_t x = 0; x < ops.size(); ++x) {
        ia[x + 1] = ia[x] + (ops[x] != Op::Add);
        ib[x + 1] = ib[x] + (ops[x] != Op::Remove);
    }
    while (k < ops.size()) {
        if (ops[k] == Op::Keep) {
            ++k;
            continue;
        }
        // A hunk: from kContext lines before this change to kContext lines
        // after the last change that is closer than 2 * kContext to the next.
        const std::size_t start = k >= kContext ? k - kContext : 0;
        std::size_t end = k;
        for (;;) {
            while (end < ops.size() && ops[end] != Op::Keep) ++end;
            std::size_t next = end;
            while (next < ops.size() && ops[next] == Op::Keep && next - end < 2 * kContext) ++next;
            if (next < ops.size() && ops[next] != Op::Keep) {
                end = next;
                continue;
            }
            end = std::min(ops.size(), end + kContext);
            break;
        }
        out += "@@ -" + range(ia[start], ia[end] - ia[start]) + " +" + range(ib[start], ib[end] - ib[start]) + " @@\n";
        for (std::size_t x = start; x < end; ++x) {
            if (ops[x] == Op::Add) appendLine(out, '+', b[ib[x]]);
            else appendLine(out, static_cast<char>(ops[x]), a[ia[x]]);
        }
        k = end;
    }
    return out;
}

}  // namespace folvane::cli
