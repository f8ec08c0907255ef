// folvane-cli lsp: a Language Server Protocol server for plain text and
// Markdown. Each open document is held as the editor's text (UTF-8) and
// kept in step with incremental changes; what a run with the document's
// switches would change is published as diagnostics, offered as code
// actions (one fix, or all of them) and as the document's formatting.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace folvane::lsp {

class LanguageServer {
public:
    // Receives each outgoing message's JSON text (the caller frames it).
    using Sink = std::function<void(std::string_view body)>;
    explicit LanguageServer(Sink sink);
    ~LanguageServer();
    LanguageServer(const LanguageServer&) = delete;
    LanguageServer& operator=(const LanguageServer&) = delete;

    // Handles one message. Never throws: a bad message gets its error
    // reply (or, for a notification, a line in the client's log).
    void receive(std::string_view body);
    // A fault of the stream (a broken header): told to the client's log.
    void streamError(std::string_view why);
    // Publishes the diagnostics of every document changed since the last
    // flush. The stdio loop flushes when no further message is waiting,
    // so a burst of changes costs one run.
    void flush();

    bool exited() const;
    // 0 after "shutdown" then "exit", else 1.
    int exitCode() const;

    // Documents longer than this (bytes of UTF-8) get no diagnostics as
    // they change; code actions and formatting still work on them.
    void setAutomaticLimit(std::size_t bytes);
    static constexpr std::size_t kDefaultAutomaticLimit = std::size_t{8} << 20;

    // Called with each method's name before it is handled; what it throws
    // is what that request meets (for tests of the error replies).
    void setBeforeHandling(std::function<void(std::string_view method)> hook);
    // The text held for an open document.
    std::optional<std::string> documentText(std::string_view uri) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Serves over two file descriptors until "exit" or the end of the input;
// returns the process's exit status.
int serveStdio(int inFd, int outFd);

}  // namespace folvane::lsp
