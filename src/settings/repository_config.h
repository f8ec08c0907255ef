// ".folvanerc": the configuration a repository keeps beside its files. UTF-8
// INI: switch names of "--set" with 0 or 1, "standard" (opencc, tw, twp,
// hk), and a section [format] of file patterns with "text" or "markdown".
//
//   # the switches of this repository
//   fixQuotes = 1
//   standard = tw
//   [format]
//   *.mdx = markdown
//   notes/*.txt = markdown
//
// A pattern without "/" is matched against the file's name, one with "/"
// against its path from the folder of the ".folvanerc" ("*" does not cross
// "/"). The last pattern that matches decides.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "corrections/script_converter.h"
#include "engine/document_typeset.h"
#include "engine/typeset_options.h"

namespace folvane::settings {

struct RepositoryConfig {
    std::string folder;  // where the file was found (empty for a parsed text)
    std::vector<std::pair<std::string, bool>> switches;  // in the order of the file
    std::optional<corrections::ScriptStandard> standard;
    std::vector<std::pair<std::string, engine::DocumentFormat>> formats;

    // The format the patterns give `path` (a path as given on the command
    // line), or nullopt when none matches.
    std::optional<engine::DocumentFormat> formatFor(std::string_view path) const;
    // `options` with the file's switches set.
    void applySwitches(engine::TypesetOptions& options) const;
};

inline constexpr std::string_view kRepositoryConfigName = ".folvanerc";

// Reads the text of a ".folvanerc"; nullopt with `error` ("line 3: unknown
// switch 'x'") when a line is not understood.
std::optional<RepositoryConfig> parseRepositoryConfig(std::string_view utf8, std::string* error);

// The ".folvanerc" that governs `file`: the nearest one from the file's
// folder upward, up to the root of its repository (the folder that holds
// ".git") or of the file system. Not found: `found` is false and the result
// empty; a file that cannot be read or parsed gives nullopt and `error`
// (naming the file).
std::optional<RepositoryConfig> findRepositoryConfig(std::string_view file, bool& found, std::string* error);

// The folder `findRepositoryConfig` starts from for `file`, made absolute.
std::string folderOfFile(std::string_view file);

}  // namespace folvane::settings
