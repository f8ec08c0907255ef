// The settings file: an INI text of GB18030 bytes, read and replaced whole.
//
// Rules of the format (a line ends at "\n"; a "\r" just before it, or at the
// very end of the file, belongs to the line end):
// - A section header is a line that, without the spaces and tabs around it,
//   starts with "[" and ends with "]" (a whole character); the section's name
//   is what lies between them, without surrounding spaces and tabs.
// - A line whose first character after spaces and tabs is ";" or "#" is a
//   comment.
// - Inside a section, a line holding "=" is a key line: the key is the text
//   before the first "=" without surrounding spaces and tabs; the value is
//   everything after that "=" up to the line end, exactly as stored (a
//   stored " 1" is not "1").
// - Section names and keys compare without regard to the case of ASCII
//   letters. When a key occurs more than once in the section, or the section
//   more than once in the file, the first occurrence in file order counts.
// - Every other line (blank, without "=", before the first header, or in
//   another section) is kept byte for byte and otherwise ignored.
// Any byte content parses; bytes that fit none of the rules are kept as
// lines of their own kind "other".
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace folvane::settings {

// The parsed lines of an INI text. Setting a key changes only that key's
// line (or adds one); every other byte of the text is kept.
class IniText {
public:
    IniText() = default;
    explicit IniText(std::string_view bytes);

    // The value of `key` in `section`, or nullopt when absent.
    std::optional<std::string_view> find(std::string_view section, std::string_view key) const;

    // Gives `key` the `value`: the first occurrence keeps everything up to
    // and including its "=" and gets the new value; a missing key is added
    // after the last key line of the section (right after its header when it
    // has none); a missing section is added at the end of the text. New lines
    // end like the first line of the text ("\r\n" when there is none).
    // `key`, `section` and `value` must be valid (isValidKey, isValidValue).
    void set(std::string_view section, std::string_view key, std::string_view value);

    std::string bytes() const;

private:
    enum class Kind { Other, Header, Key };
    struct Line {
        std::string text;     // without its line end
        std::string end;      // "\r\n", "\n", "\r" or "" (the last line)
        Kind kind = Kind::Other;
        std::string name;     // header: section name, key line: key; ASCII-folded
        std::size_t valueStart = 0;  // key line: offset of the value in `text`
    };
    static Line classify(std::string text, std::string end);
    std::string_view newLineEnd() const;

    std::vector<Line> lines_;
};

// The largest settings file read: settings are a few kilobytes, and a
// larger file is refused rather than read into memory.
inline constexpr std::uint64_t kMaxSettingsFileSize = 16u << 20;

// A key is usable when it is not empty, has no surrounding spaces or tabs,
// holds no "=", "\r" or "\n", and does not start like a header or comment.
bool isValidKey(std::string_view key);
// A section name is usable when it is not empty, has no surrounding spaces
// or tabs, holds no "\r" or "\n" and does not end in a lead byte that would
// join the closing "]".
bool isValidSection(std::string_view section);
// A value must fit on its line: no "\r" and no "\n".
bool isValidValue(std::string_view value);

// The outcome of a write: what went wrong, for the caller to show.
struct WriteResult {
    bool ok = true;
    std::string message;  // when !ok: the file's path and the reason
    explicit operator bool() const { return ok; }
};

struct IniAssignment {
    std::string key;
    std::string value;
};

// One INI file and the section the program uses in it.
class IniStore {
public:
    IniStore(std::string path, std::string section);

    const std::string& path() const { return path_; }
    const std::string& section() const { return section_; }

    // The file as it is now. A missing, unreadable or empty file gives an
    // empty text (every key absent); `error` receives the reason when the
    // file exists but cannot be read.
    IniText read(std::string* error = nullptr) const;

    // The value of one key read from the file now, or `fallback`.
    std::string readText(std::string_view key, std::string_view fallback) const;

    // Applies the assignments in order to the file as it is now and replaces
    // the file once, atomically, so that keys written by others in the
    // meantime are kept. A file that exists but cannot be read is left alone
    // (rewriting it would lose its other lines), as is a file that would not
    // change. An invalid key or value writes nothing.
    WriteResult write(std::span<const IniAssignment> assignments) const;
    WriteResult writeText(std::string_view key, std::string_view value) const;

private:
    std::string path_;
    std::string section_;
};

}  // namespace folvane::settings
