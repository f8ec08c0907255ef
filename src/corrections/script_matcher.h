// Dictionary matching for the simplified/traditional conversion, on GB18030
// text: at each place the longest key of a dictionary group that starts there
// is replaced by its value, else the character is copied; a conversion runs
// such passes one after another.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace folvane::corrections::script {

// Keys are at most this many characters long (the longest of the shipped
// dictionaries has 15).
inline constexpr std::size_t kMaxKeyChars = 16;

// The ends of the next characters from one place of a text: end(i) is the
// byte offset after i + 1 characters. Computed once per place and shared by
// every dictionary that is asked there.
class CharEnds {
public:
    CharEnds(std::string_view text, std::size_t pos, std::size_t maxChars);
    std::size_t count() const { return count_; }
    std::size_t end(std::size_t i) const { return ends_[i]; }
    std::string_view text() const { return text_; }
    std::size_t pos() const { return pos_; }

private:
    std::string_view text_;
    std::size_t pos_;
    std::size_t count_ = 0;
    std::array<std::size_t, kMaxKeyChars> ends_{};
};

struct Match {
    std::size_t keyBytes = 0;  // 0: nothing matched
    std::size_t keyChars = 0;
    std::string_view value;
    bool keepsCount = true;  // false: the value is used as it is, whatever its length
};

// One dictionary: keys and values are views of storage that outlives it.
class Dictionary {
public:
    // `valuesMayChangeLength`: values are used as they are, also where they
    // have another number of characters or bytes than their keys (regional
    // words: "U盘" and "隨身碟"); otherwise the byte-length rule of convert()
    // applies to them.
    explicit Dictionary(bool valuesMayChangeLength = false) : changesCount_(valuesMayChangeLength) {}

    // The first entry of a key wins.
    void add(std::string_view key, std::string_view value);
    // Builds the filter of longer keys once every entry is added (lookups
    // work without it, only slower).
    void seal();
    std::size_t size() const { return size_; }
    std::size_t maxKeyChars() const { return maxChars_; }

    // Bit n - 1 set: some key of n characters may start at `pos` of `text`
    // (whose first character has `firstLen` bytes).
    std::uint16_t lengthsAt(std::string_view text, std::size_t pos, std::size_t firstLen) const {
        return lengths_[firstIndex(text, pos, firstLen)];
    }
    // The longest key among the lengths of `mask` that the text at `at` starts with.
    Match longest(const CharEnds& at, std::uint16_t mask) const;
    // The value of exactly `key`, or nullptr.
    const std::string_view* find(std::string_view key) const;

private:
    struct Slot {
        std::string_view key;
        std::string_view value;
    };
    static std::size_t firstIndex(std::string_view s, std::size_t pos, std::size_t firstLen) {
        const auto b0 = static_cast<unsigned char>(s[pos]);
        return firstLen == 1 ? std::size_t{b0} << 8 : (std::size_t{b0} << 8) | static_cast<unsigned char>(s[pos + 1]);
    }
    void grow();

    std::vector<Slot> slots_;
    std::size_t size_ = 0;
    std::size_t maxChars_ = 0;
    // For the first two bytes of a key (one byte and zero for a one-byte
    // first character): bit n - 1 is set when some key of n characters
    // starts so. Most places of a text then need one probe or none.
    std::vector<std::uint16_t> lengths_ = std::vector<std::uint16_t>(65536, 0);
    // A bit per hash of the first two characters of the keys of two
    // characters or more (built by seal()): where it is clear, only
    // one-character keys can match, and the probes for the longer ones
    // (misses, mostly) are saved.
    std::vector<std::uint64_t> pairs_;
    bool changesCount_;
};

// Dictionaries asked together: `firstMatch` takes the first dictionary that
// matches at all, otherwise the longest match of all wins (the earlier on a tie).
struct Group {
    std::vector<const Dictionary*> dicts;
    bool firstMatch = true;

    // The match at `pos` of `text`, whose first character has `firstLen` bytes.
    Match longest(std::string_view text, std::size_t pos, std::size_t firstLen) const;
};

// A whole conversion: a normalising pass over the text, then, when
// `segmentation` has dictionaries, the text is cut into segments (each key
// it matches is one, text between them another) and every pass of `passes`
// works inside one segment at a time, as the converter's configurations do.
struct Chain {
    Group normalization;
    Group segmentation;
    std::vector<Group> passes;
};

// Converts `text` with `chain`, appending to `out`. With `keepByteLength`
// a character whose converted form has another byte length keeps its
// original form, and an entry whose value has another number of characters
// is converted character by character (outside dictionaries that may change
// the length); otherwise values are used as they are.
void convert(std::string_view text, const Chain& chain, bool keepByteLength, std::string& out);

// Number of characters of a GB18030 text.
std::size_t charCount(std::string_view s);

}  // namespace folvane::corrections::script
