// folvane-cli's command line: the arguments to the options record that
// runCli() consumes, the help text, and what main() reports before the run.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"

namespace folvane::cli {

// The command called `name` on the command line, if there is one.
std::optional<Command> commandNamed(std::string_view name);
// Every command's name, in the order of the help.
std::vector<std::string_view> commandNames();

struct ParseResult {
    CliConfig config;
    std::string error;                 // non-empty: a usage error; it names the argument
    std::vector<std::string> notices;  // for standard error before the run (UTF-8)
};

// Parses the arguments (without the program name). A settings file given by
// --config is read after the parse, and what the command line sets wins over
// it wherever it stands.
ParseResult parseCommandLine(const std::vector<std::string>& args);

// What main() writes to standard error before the run: the usage error with
// a hint at --help, else one line per notice. Empty when there is nothing.
std::string diagnosticsText(const ParseResult& parsed);

// The help text (UTF-8), composed from the tables the parser is built from.
std::string helpText();

}  // namespace folvane::cli
