// Runs folvane-cli in-process: the command line parsed as main() parses it,
// standard input given, standard output and error collected.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"
#include "cli/cli_args.h"

namespace folvane::testing {

// `word` as one word of a shell command line, whatever it holds (the
// build folder may lie under a path with spaces).
inline std::string shellWord(std::string_view word) {
    std::string out = "'";
    for (const char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;  // with the parser's messages, as main() writes them
};

// `maxFileSize` (when not 0) replaces the size limit of the inputs.
inline CliRun runCliInProcess(const std::vector<std::string>& args, const std::string& stdinBytes = "",
                              std::uint64_t maxFileSize = 0) {
    CliRun r;
    cli::ParseResult p = cli::parseCommandLine(args);
    r.err = cli::diagnosticsText(p);
    if (!p.error.empty()) {
        r.status = static_cast<int>(cli::Exit::Usage);
        return r;
    }
    if (maxFileSize) p.config.maxFileSize = maxFileSize;
    cli::CliStreams s;
    s.readStdin = [&](std::string& b) {
        b = stdinBytes;
        return true;
    };
    s.out = [&](std::string_view v) { r.out += v; };
    s.err = [&](std::string_view v) { r.err += v; };
    r.status = static_cast<int>(cli::runCli(p.config, s));
    return r;
}

}  // namespace folvane::testing
