#include "settings/ini_store.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "text/file_io.h"
#include "text/gb18030.h"
#include "text/search.h"

namespace folvane::settings {
namespace {

bool isBlankByte(char c) { return c == ' ' || c == '\t'; }

// Spaces and tabs are one-byte characters that no multi-byte character
// contains, so trimming them byte by byte keeps character boundaries.
std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && isBlankByte(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlankByte(s.back())) s.remove_suffix(1);
    return s;
}

bool hasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

IniText::Line IniText::classify(std::string text, std::string end) {
    Line line;
    line.text = std::move(text);
    line.end = std::move(end);
    const std::string_view t = trimBlanks(line.text);
    if (t.size() >= 2 && t.front() == '[' && text::endsWithAligned(t, "]")) {
        line.kind = Kind::Header;
        line.name = text::foldAsciiCase(trimBlanks(t.substr(1, t.size() - 2)));
        return line;
    }
    if (!t.empty() && (t.front() == ';' || t.front() == '#')) return line;
    // "=" is a byte that never occurs inside a multi-byte character.
    const std::size_t eq = line.text.find('=');
    if (eq == std::string::npos) return line;
    line.kind = Kind::Key;
    line.name = text::foldAsciiCase(trimBlanks(std::string_view(line.text).substr(0, eq)));
    line.valueStart = eq + 1;
    return line;
}

IniText::IniText(std::string_view bytes) {
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t nl = bytes.find('\n', start);
        std::size_t textEnd = nl == std::string_view::npos ? bytes.size() : nl;
        const std::size_t next = nl == std::string_view::npos ? bytes.size() : nl + 1;
        if (textEnd > start && bytes[textEnd - 1] == '\r') --textEnd;
        lines_.push_back(classify(std::string(bytes.substr(start, textEnd - start)),
                                  std::string(bytes.substr(textEnd, next - textEnd))));
        start = next;
    }
}

std::optional<std::string_view> IniText::find(std::string_view section, std::string_view key) const {
    const std::string fs = text::foldAsciiCase(section);
    const std::string fk = text::foldAsciiCase(key);
    bool inSection = false;
    for (const Line& line : lines_) {
        if (line.kind == Kind::Header) inSection = line.name == fs;
        else if (inSection && line.kind == Kind::Key && line.name == fk)
            return std::string_view(line.text).substr(line.valueStart);
    }
    return std::nullopt;
}

std::string_view IniText::newLineEnd() const {
    if (!lines_.empty() && (lines_.front().end == "\n" || lines_.front().end == "\r\n")) return lines_.front().end;
    return "\r\n";
}

void IniText::set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string fs = text::foldAsciiCase(section);
    const std::string fk = text::foldAsciiCase(key);
    std::size_t header = lines_.size();  // first header of the section
    std::size_t lastKey = lines_.size();  // last key line of that first section
    bool inSection = false;
    bool inFirst = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        Line& line = lines_[i];
        if (line.kind == Kind::Header) {
            inSection = line.name == fs;
            inFirst = inSection && header == lines_.size();
            if (inFirst) header = lastKey = i;
        } else if (inSection && line.kind == Kind::Key) {
            if (line.name == fk) {
                line.text.replace(line.valueStart, std::string::npos, value);
                return;
            }
            if (inFirst) lastKey = i;
        }
    }
    const std::string end(newLineEnd());
    // The line that the new lines follow must end in a line break: a missing
    // one is added, and a lone "\r" at the end of the file becomes "\r\n"
    // (followed by more text it would no longer end the line).
    auto terminate = [&](Line& line) {
        if (line.end == "\r") line.end = "\r\n";
        else if (line.end.empty()) line.end = end;
    };
    Line keyLine = classify(std::string(key) + "=" + std::string(value), end);
    if (header == lines_.size()) {
        if (!lines_.empty()) terminate(lines_.back());
        lines_.push_back(classify("[" + std::string(section) + "]", end));
        lines_.push_back(std::move(keyLine));
        return;
    }
    terminate(lines_[lastKey]);
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(lastKey) + 1, std::move(keyLine));
}

std::string IniText::bytes() const {
    std::string out;
    for (const Line& line : lines_) {
        out += line.text;
        out += line.end;
    }
    return out;
}

bool isValidKey(std::string_view key) {
    if (key.empty() || trimBlanks(key).size() != key.size()) return false;
    if (hasLineBreak(key) || key.find('=') != std::string_view::npos) return false;
    return key.front() != '[' && key.front() != ';' && key.front() != '#';
}

bool isValidSection(std::string_view section) {
    // A name whose last byte would join the "]" after it into one character
    // (a lone lead byte) could never be read back as a header.
    return !section.empty() && trimBlanks(section).size() == section.size() && !hasLineBreak(section) &&
           text::isSelfDelimiting(section);
}

bool isValidValue(std::string_view value) { return !hasLineBreak(value); }

IniStore::IniStore(std::string path, std::string section) : path_(std::move(path)), section_(std::move(section)) {}

IniText IniStore::read(std::string* error) const {
    std::string bytes;
    std::string why;
    // Only a regular file is read: a FIFO or a device in its place would
    // hold the program (at start and at exit) and is taken as unreadable.
    if (!text::readRegularFile(path_, bytes, &why, kMaxSettingsFileSize)) {
        struct stat st{};
        if (error && ::stat(path_.c_str(), &st) == 0) *error = path_ + ": " + why;
        return IniText();
    }
    return IniText(bytes);
}

std::string IniStore::readText(std::string_view key, std::string_view fallback) const {
    const IniText ini = read();
    const auto v = ini.find(section_, key);
    return std::string(v ? *v : fallback);
}

WriteResult IniStore::write(std::span<const IniAssignment> assignments) const {
    auto failure = [&](const std::string& reason) { return WriteResult{false, path_ + ": " + reason}; };
    if (!isValidSection(section_)) return failure("invalid section name");
    for (const auto& a : assignments) {
        if (!isValidKey(a.key)) return failure("invalid key");
        if (!isValidValue(a.value)) return failure("a value holds a line break");
    }
    std::string old;
    bool existed = true;
    struct stat st{};
    if (::stat(path_.c_str(), &st) != 0) {
        if (errno != ENOENT) return failure(std::strerror(errno));
        existed = false;
    } else {
        std::string why;
        if (!text::readRegularFile(path_, old, &why, kMaxSettingsFileSize))
            return failure("cannot read the file: " + why);
    }
    IniText ini(old);
    for (const auto& a : assignments) ini.set(section_, a.key, a.value);
    const std::string bytes = ini.bytes();
    if (existed && bytes == old) return {};
    // A file without any write permission was protected by its user: it is
    // left as it is (a rename over it would succeed all the same).
    if (existed && (st.st_mode & 0222) == 0) return failure("the file is write-protected; the settings are not saved");
    std::string why;
    if (!text::writeFileAtomically(path_, bytes, &why)) return failure(why);
    return {};
}

WriteResult IniStore::writeText(std::string_view key, std::string_view value) const {
    const IniAssignment a{std::string(key), std::string(value)};
    return write(std::span<const IniAssignment>(&a, 1));
}

}  // namespace folvane::settings
