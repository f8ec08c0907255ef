#include "settings/repository_config.h"

#include <fnmatch.h>

#include <filesystem>
#include <system_error>

#include "text/file_io.h"

namespace folvane::settings {
namespace {

std::string_view trimmed(std::string_view s) {
    const std::size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string_view::npos) return {};
    const std::size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

bool matches(const std::string& pattern, const std::string& subject) {
    return ::fnmatch(pattern.c_str(), subject.c_str(), FNM_PATHNAME) == 0;
}

}  // namespace

std::optional<engine::DocumentFormat> RepositoryConfig::formatFor(std::string_view path) const {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path absolute = fs::absolute(fs::path(std::string(path)), ec).lexically_normal();
    const std::string name = absolute.filename().string();
    std::string relative = name;
    if (!folder.empty()) relative = absolute.lexically_relative(fs::path(folder)).generic_string();
    std::optional<engine::DocumentFormat> chosen;
    for (const auto& [pattern, format] : formats)
        if (matches(pattern, pattern.find('/') == std::string::npos ? name : relative)) chosen = format;
    return chosen;
}

void RepositoryConfig::applySwitches(engine::TypesetOptions& options) const {
    for (const auto& [name, on] : switches)
        if (const engine::TypesetOptionField* f = engine::findTypesetOptionField(name)) options.*(f->member) = on;
}

std::optional<RepositoryConfig> parseRepositoryConfig(std::string_view utf8, std::string* error) {
    RepositoryConfig c;
    if (utf8.starts_with("\xEF\xBB\xBF")) utf8.remove_prefix(3);
    bool inFormat = false;
    std::size_t lineNo = 0;
    auto fail = [&](const std::string& why) {
        if (error) *error = "line " + std::to_string(lineNo) + ": " + why;
        return std::nullopt;
    };
    for (std::size_t a = 0; a <= utf8.size();) {
        std::size_t e = utf8.find('\n', a);
        if (e == std::string_view::npos) e = utf8.size();
        const std::string_view line = trimmed(utf8.substr(a, e - a));
        a = e + 1;
        ++lineNo;
        if (line.empty() || line.front() == '#' || line.front() == ';') continue;
        if (line.front() == '[') {
            if (line.back() != ']') return fail("a section needs its closing ']'");
            const std::string_view name = trimmed(line.substr(1, line.size() - 2));
            if (name == "format") inFormat = true;
            else if (name == "folvane") inFormat = false;
            else return fail("unknown section '" + std::string(name) + "' (folvane, format)");
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) return fail("needs NAME = VALUE");
        const std::string key(trimmed(line.substr(0, eq)));
        const std::string value(trimmed(line.substr(eq + 1)));
        if (inFormat) {
            const auto f = engine::documentFormatNamed(value);
            if (!f) return fail("unknown format '" + value + "' (text, markdown)");
            if (key.empty()) return fail("needs a file pattern");
            c.formats.emplace_back(key, *f);
        } else if (key == "standard") {
            const auto s = corrections::scriptStandardNamed(value);
            if (!s) return fail("unknown standard '" + value + "' (opencc, tw, twp, hk)");
            c.standard = *s;
        } else if (engine::findTypesetOptionField(key)) {
            if (value != "0" && value != "1") return fail(key + " needs the value 0 or 1");
            c.switches.emplace_back(key, value == "1");
        } else {
            return fail("unknown switch '" + key + "' (the names of --set, standard)");
        }
    }
    return c;
}

std::string folderOfFile(std::string_view file) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(std::string(file)), ec).lexically_normal();
    return p.parent_path().string();
}

std::optional<RepositoryConfig> findRepositoryConfig(std::string_view file, bool& found, std::string* error) {
    namespace fs = std::filesystem;
    found = false;
    std::error_code ec;
    for (fs::path dir = folderOfFile(file);; dir = dir.parent_path()) {
        const fs::path candidate = dir / std::string(kRepositoryConfigName);
        if (fs::is_regular_file(candidate, ec)) {
            found = true;
            std::string bytes, why;
            if (!text::readFile(candidate.string(), bytes, &why)) {
                if (error) *error = "cannot read " + candidate.string() + ": " + why;
                return std::nullopt;
            }
            auto c = parseRepositoryConfig(bytes, &why);
            if (!c) {
                if (error) *error = candidate.string() + ": " + why;
                return std::nullopt;
            }
            c->folder = dir.string();
            return c;
        }
        if (fs::exists(dir / ".git", ec) || dir == dir.parent_path() || dir.empty()) break;
    }
    return RepositoryConfig{};
}

}  // namespace folvane::settings
