#include "editor/text_diff.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <array>

namespace folvane::editor {

namespace {

// Units that must agree after a change before the texts count as together
// again, and how far either text is searched for that place.
constexpr std::size_t kAnchor = 4;
constexpr std::size_t kWindow = 512;
// Changes up to this size (in both texts together) are tried directly,
// before an index of the window is built.
constexpr std::size_t kNearby = 12;
// Changes of at most this many unit pairs are parted exactly.
constexpr std::size_t kExactCells = 4096;

class Differ {
public:
    Differ(std::u16string_view a, std::u16string_view b) : a_(a), b_(b) {}

    std::vector<TextChange> run() {
        std::size_t i = 0, j = 0;
        while (true) {
            while (i < a_.size() && j < b_.size() && a_[i] == b_[j]) ++i, ++j;
            if (i == a_.size() || j == b_.size()) {
                add(i, a_.size() - i, j, b_.size() - j);
                break;
            }
            std::size_t da = 0, db = 0;
            if (!near(i, j, da, db) && !indexed(i, j, da, db)) {
                // No common ground in the window: a change as wide as it.
                da = std::min(kWindow, a_.size() - i);
                db = std::min(kWindow, b_.size() - j);
            }
            refine(i, da, j, db);
            i += da;
            j += db;
        }
        return std::move(changes_);
    }

private:
    // Whether both texts go on alike from a_[i], b_[j]: for kAnchor units,
    // or to the end of both.
    bool together(std::size_t i, std::size_t j) const {
        const std::size_t restA = a_.size() - i, restB = b_.size() - j;
        if (restA < kAnchor || restB < kAnchor) return restA == restB && a_.substr(i) == b_.substr(j);
        return a_.substr(i, kAnchor) == b_.substr(j, kAnchor);
    }

    bool near(std::size_t i, std::size_t j, std::size_t& da, std::size_t& db) const {
        for (std::size_t d = 1; d <= kNearby; ++d)
            for (std::size_t x = 0; x <= d; ++x) {
                const std::size_t y = d - x;
                if (i + x > a_.size() || j + y > b_.size()) continue;
                if (together(i + x, j + y)) {
                    da = x;
                    db = y;
                    return true;
                }
            }
        return false;
    }

    static std::uint64_t key(std::u16string_view s) {
        std::uint64_t k = 0;
        for (char16_t c : s) k = (k << 16) | c;
        return k;
    }

    // The place with the smallest da + db within the window whose next
    // kAnchor units agree, through an index of the second text's window: a
    // small hash table of its own arrays, cleared and filled per search,
    // which allocates nothing (hundreds of thousands of searches in a long
    // run).
    bool indexed(std::size_t i, std::size_t j, std::size_t& da, std::size_t& db) {
        const std::size_t endB = std::min(b_.size(), j + kWindow + kAnchor);
        head_.fill(-1);
        std::size_t n = 0;
        for (std::size_t y = j; y + kAnchor <= endB; ++y, ++n) {
            const std::uint64_t k = key(b_.substr(y, kAnchor));
            keys_[n] = k;
            const std::size_t h = bucket(k);
            next_[n] = head_[h];
            head_[h] = static_cast<std::int32_t>(n);
        }
        std::size_t best = std::numeric_limits<std::size_t>::max();
        for (std::size_t x = 0; x < kWindow && i + x + kAnchor <= a_.size() && x < best; ++x) {
            const std::uint64_t k = key(a_.substr(i + x, kAnchor));
            for (std::int32_t p = head_[bucket(k)]; p >= 0; p = next_[static_cast<std::size_t>(p)]) {
                const auto y = static_cast<std::size_t>(p);
                if (keys_[y] == k && x + y < best && x + y > 0) {
                    best = x + y;
                    da = x;
                    db = y;
                }
            }
        }
        return best != std::numeric_limits<std::size_t>::max();
    }

    static std::size_t bucket(std::uint64_t k) { return static_cast<std::size_t>((k * 0x9E3779B97F4A7C15ull) >> 53); }

    // A small change is parted exactly (longest common subsequence), so that
    // "a,b." → "a，b。" shows two changes, not one across "b".
    void refine(std::size_t i, std::size_t la, std::size_t j, std::size_t lb) {
        if (la == 0 || lb == 0 || la * lb > kExactCells) {
            add(i, la, j, lb);
            return;
        }
        // lcs[x][y]: the longest common subsequence of a_[i+x..i+la) and b_[j+y..j+lb).
        const std::size_t w = lb + 1;
        lcs_.assign((la + 1) * w, 0);
        for (std::size_t x = la; x-- > 0;)
            for (std::size_t y = lb; y-- > 0;)
                lcs_[x * w + y] = a_[i + x] == b_[j + y]
                                      ? static_cast<std::uint16_t>(lcs_[(x + 1) * w + y + 1] + 1)
                                      : std::max(lcs_[(x + 1) * w + y], lcs_[x * w + y + 1]);
        std::size_t x = 0, y = 0;
        while (x < la || y < lb) {
            if (x < la && y < lb && a_[i + x] == b_[j + y] && lcs_[x * w + y] == lcs_[(x + 1) * w + y + 1] + 1) {
                ++x, ++y;
            } else if (y == lb || (x < la && lcs_[(x + 1) * w + y] >= lcs_[x * w + y + 1])) {
                add(i + x, 1, j + y, 0);
                ++x;
            } else {
                add(i + x, 0, j + y, 1);
                ++y;
            }
        }
    }

    void add(std::size_t i, std::size_t la, std::size_t j, std::size_t lb) {
        if (la == 0 && lb == 0) return;
        if (!changes_.empty()) {
            TextChange& last = changes_.back();
            if (last.beforePos + last.beforeLen == i && last.afterPos + last.afterLen == j) {
                last.beforeLen += la;
                last.afterLen += lb;
                return;
            }
        }
        changes_.push_back({i, la, j, lb});
    }

    std::u16string_view a_, b_;
    std::vector<TextChange> changes_;
    std::array<std::int32_t, 2048> head_{};
    std::array<std::int32_t, kWindow + kAnchor> next_{};
    std::array<std::uint64_t, kWindow + kAnchor> keys_{};
    std::vector<std::uint16_t> lcs_;
};

}  // namespace

std::vector<TextChange> diffTexts(std::u16string_view before, std::u16string_view after) {
    return Differ(before, after).run();
}

}  // namespace folvane::editor
