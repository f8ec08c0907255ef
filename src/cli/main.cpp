// folvane-cli: typesets Chinese articles from files or standard input.
#include <cstdio>
#include <new>
#include <unistd.h>

#include "cli/cli.h"
#include "cli/cli_args.h"
#include "lsp/server.h"
#include "text/file_io.h"

int main(int argc, char** argv) try {
    using namespace folvane::cli;
    // An interrupted run leaves no temporary file of an output behind.
    folvane::text::removeTemporariesOnSignals();
    std::vector<std::string> args(argv + 1, argv + argc);
    ParseResult parsed = parseCommandLine(args);
    std::fputs(diagnosticsText(parsed).c_str(), stderr);
    if (!parsed.error.empty()) return static_cast<int>(Exit::Usage);
    if (parsed.config.command == Command::Lsp && !parsed.config.help)
        return folvane::lsp::serveStdio(STDIN_FILENO, STDOUT_FILENO);

    bool outFailed = false;
    CliStreams streams;
    // Reading stops after the size limit; the run then refuses the input.
    const std::uint64_t limit = parsed.config.maxFileSize;
    streams.readStdin = [limit](std::string& bytes) {
        char buf[65536];
        std::size_t n;
        while (bytes.size() <= limit && (n = std::fread(buf, 1, sizeof buf, stdin)) > 0) bytes.append(buf, n);
        return !std::ferror(stdin);
    };
    streams.out = [&](std::string_view s) {
        if (!s.empty() && std::fwrite(s.data(), 1, s.size(), stdout) != s.size()) outFailed = true;
    };
    streams.err = [](std::string_view s) {
        std::fwrite(s.data(), 1, s.size(), stderr);
        std::fflush(stderr);
    };
    streams.errIsTerminal = ::isatty(STDERR_FILENO) == 1;

    Exit status = runCli(parsed.config, streams);
    if (std::fflush(stdout) != 0 || outFailed) {
        std::perror("folvane-cli: cannot write standard output");
        status = Exit::FileError;
    }
    return static_cast<int>(status);
} catch (const std::bad_alloc&) {
    std::fputs("folvane-cli: not enough memory\n", stderr);
    return static_cast<int>(folvane::cli::Exit::FileError);
}
