// Whole-file reading and atomic writing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace folvane::text {

// The largest file readFile takes by default: half the machine's physical
// memory (a text is held about twice while it is processed).
std::uint64_t defaultReadLimit();

// Reads the whole file into `bytes`. On failure returns false and sets
// `error` to the reason (the caller names the file): the system's, or
// "file too large" for a file of more than `maxBytes`, or "not enough
// memory"; nothing larger than the limit is ever allocated.
bool readFile(const std::string& path, std::string& bytes, std::string* error = nullptr,
              std::uint64_t maxBytes = defaultReadLimit());

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and
// renames it over `path`, so that a crash or a full disk never leaves a
// half-written file. An existing file keeps its permissions. On failure the
// old file is untouched, the temporary file is removed, and `error` is set.
bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// The same, for output that arrives in pieces: open(), write() as often as
// needed, commit(). Until commit() the target is untouched; a writer that
// is destroyed uncommitted removes its temporary file, and so does the
// signal cleanup below when the process is interrupted.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::string path);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    bool open(std::string* error = nullptr);
    bool write(std::string_view bytes, std::string* error = nullptr);
    bool commit(std::string* error = nullptr);
    // Drops the temporary file; the target stays as it was.
    void abort();

    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string tmp_;
    int fd_ = -1;
    int slot_ = -1;
};

// Makes SIGINT and SIGTERM remove the temporary files of the writers that
// are open at that moment, then end the process as the signal would have.
// For programs that write files (the command-line tool); idempotent.
void removeTemporariesOnSignals();

}  // namespace folvane::text
