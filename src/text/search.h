// Character-aligned search and replacement on GB18030 texts.
//
// Every match starts at a character boundary and covers whole characters, so a
// trail byte 0x5D is never "]" and "，，" never matches across two characters.
// Every function here is linear in the length of the text (times the pattern
// length at most), also for the "repeat while found" forms.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace folvane::text {

inline constexpr std::size_t npos = std::string_view::npos;

// First match of `needle` at or after `from` (which must be a boundary), or
// npos. An empty needle never matches.
std::size_t findAligned(std::string_view hay, std::string_view needle, std::size_t from = 0);

inline bool containsAligned(std::string_view hay, std::string_view needle) {
    return findAligned(hay, needle) != npos;
}

// True when `s` ends with `suffix` and the suffix starts at a boundary of `s`.
bool endsWithAligned(std::string_view s, std::string_view suffix);

// Every match, left to right, without overlap.
std::vector<std::size_t> findAllAligned(std::string_view hay, std::string_view needle);

// One left-to-right pass replacing every match; the pass never looks at what
// it has inserted. Returns the new text; `count` receives the number of
// replacements when given.
std::string replaceAll(std::string_view s, std::string_view find, std::string_view repl,
                       std::size_t* count = nullptr);

// replaceAll on `s` in place; returns the number of replacements. With
// `keepOpaqueApart`, a match whose replacement would join an opaque byte
// before it with the bytes after it into one character (see
// joinsOpaqueByte) is left as it is: for removals that must not make
// characters out of bytes that were none.
std::size_t replaceAllInPlace(std::string& s, std::string_view find, std::string_view repl,
                              bool keepOpaqueApart = false);

// "While the text contains `find`, replace every occurrence": repeats until
// no match is left. When `repl` is a prefix of `find` (deletions and the
// collapsing of runs, the only uses the engine has) this runs in one linear
// pass; otherwise passes are repeated, stopping after one pass when `repl`
// contains `find` (which would never end). Returns the number of replacements.
std::size_t replaceAllRepeat(std::string& s, std::string_view find, std::string_view repl,
                             bool keepOpaqueApart = false);

// ASCII letters that are whole characters folded to lower case; every other
// byte unchanged. Boundaries of the result are those of the input.
std::string foldAsciiCase(std::string_view s);

// Searches in a text that ignore the case of ASCII letters (whole
// characters); the text is not copied.
class CaseFoldedText {
public:
    explicit CaseFoldedText(std::string_view original);
    // First match at or after `from` (a boundary), or npos.
    std::size_t find(std::string_view needle, std::size_t from = 0) const;
    std::string_view original() const { return original_; }

private:
    std::string_view original_;
};

// Replace-all that ignores the case of ASCII letters (one pass, no rescan).
// An empty `find` leaves the text unchanged. A match whose replacement would
// join an opaque byte before it with the bytes after it stays as it is.
std::string replaceAllIgnoreCase(std::string_view s, std::string_view find, std::string_view repl,
                                 std::size_t* count = nullptr);
// The same on `s` itself; returns the number of replacements. A replacement
// no longer than `find` compacts the text in place; a longer one builds the
// new text at its exact size while the consumed front of `s` is given back
// (on an allocation failure `s` is then lost: for a text that is dropped
// anyway).
std::size_t replaceAllIgnoreCaseInPlace(std::string& s, std::string_view find, std::string_view repl);

}  // namespace folvane::text
