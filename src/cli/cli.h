// folvane-cli: the engine as a command-line filter. The parsing (cli_args.h)
// and the run are kept apart from main() so that tests can drive them
// in-process.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corrections/date_template.h"
#include "corrections/script_converter.h"
#include "engine/document_typeset.h"
#include "engine/text_tools.h"
#include "engine/typeset_options.h"
#include "text/codec.h"
#include "text/file_io.h"

namespace folvane::cli {

enum class Exit { Ok = 0, FileError = 1, Usage = 2 };

// What is done to each input: typeset (the default), one of the text tools
// of the editor's "排版小工具" menu (engine/text_tools.h, `tool`), or a report:
// the statistics window's ("stats") or the proposed save name ("title");
// or the language server on standard input and output ("lsp", run by
// main() itself: it needs the process's streams as they are).
enum class Command { Typeset, Tool, Stats, Title, Lsp };

struct CliConfig {
    Command command = Command::Typeset;
    engine::TextTool tool = engine::TextTool::StripHtml;  // Command::Tool
    std::string find;         // replace: GB18030
    std::string replacement;  // replace: GB18030
    engine::TypesetOptions options = engine::TypesetOptions::defaults();
    bool signature = false;
    std::optional<std::string> headTemplate;  // GB18030, "\r\n" between lines
    std::optional<std::string> tailTemplate;
    std::optional<corrections::DateTime> now;
    text::EncodingChoice encoding = text::EncodingChoice::Auto;
    std::string outDir;  // empty: standard output
    bool merge = false;
    corrections::ScriptStandard standard = corrections::ScriptStandard::OpenCC;
    // Nothing is written: the files that would change are listed (check)
    // and their changes shown as a unified diff (diff).
    bool check = false;
    bool diff = false;
    // The list of check: names quoted where a line could not hold them
    // (quotedName), or each as it is, ended by a NUL byte.
    bool nulSeparated = false;
    // The diff in the file's own bytes, which apply to it, or (diffUtf8)
    // in UTF-8 for reading.
    bool diffUtf8 = false;
    // Nothing is written either: one record per change, as JSON lines or
    // as annotations of a CI workflow.
    enum class Report { None, Json, Github };
    Report report = Report::None;
    // The document format of every input; nullopt: by the file's name
    // (engine::documentFormatOfPath), standard input is text.
    std::optional<engine::DocumentFormat> format;
    // How each file's switches are made: from `configOptions` when a
    // settings file was given, else from the default switches of its
    // format; then its ".folvanerc" (unless `repositoryConfig` is off);
    // then `sets`, in order. `options` is that for a text without a
    // ".folvanerc".
    bool fromSettingsFile = false;
    engine::TypesetOptions configOptions = engine::TypesetOptions::defaults();
    std::vector<std::pair<std::string, bool>> sets;
    bool standardGiven = false;  // --standard or the settings file chose it
    bool repositoryConfig = true;
    bool help = false;
    std::vector<std::string> files;  // empty: standard input; "-" is standard input
    // Larger inputs are refused, each on its own, before they are read.
    std::uint64_t maxFileSize = text::defaultReadLimit();
};

// The parsing is in cli_args.h.

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
