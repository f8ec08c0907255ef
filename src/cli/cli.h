// folvane-cli: the engine as a command-line filter. The parsing and the run
// are kept apart from main() so that tests can drive them in-process.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corrections/date_template.h"
#include "engine/typeset_options.h"
#include "text/codec.h"

namespace folvane::cli {

enum class Exit { Ok = 0, FileError = 1, Usage = 2 };

struct CliConfig {
    std::string command = "typeset";
    engine::TypesetOptions options = engine::TypesetOptions::defaults();
    bool signature = false;
    std::optional<std::string> headTemplate;  // GB18030, "\r\n" between lines
    std::optional<std::string> tailTemplate;
    std::optional<corrections::DateTime> now;
    text::EncodingChoice encoding = text::EncodingChoice::Auto;
    std::string outDir;  // empty: standard output
    bool merge = false;
    bool help = false;
    std::vector<std::string> files;  // empty: standard input; "-" is standard input
};

struct ParseResult {
    CliConfig config;
    std::string error;  // non-empty: a usage error
};

ParseResult parseCommandLine(const std::vector<std::string>& args);

// The help text (UTF-8).
std::string_view helpText();

// Where the run reads and writes; main() binds the process's streams.
struct CliStreams {
    std::function<bool(std::string&)> readStdin;  // false: could not be read
    std::function<void(std::string_view)> out;
    std::function<void(std::string_view)> err;
    bool errIsTerminal = false;
};

Exit runCli(const CliConfig& config, CliStreams& streams);

// Name of the output file for an input path: the name after the last "/" or
// "\", up to and including its last ".", then "txt" ("a.b.html" gives
// "a.b.txt"); a name without "." gets ".txt".
std::string outputNameFor(std::string_view inputPath);

}  // namespace folvane::cli
