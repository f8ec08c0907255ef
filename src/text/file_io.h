// Whole-file reading and atomic writing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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
// The same for a regular file only: a FIFO, a device, a socket or a
// directory is refused ("not a regular file") without waiting or reading.
bool readRegularFile(const std::string& path, std::string& bytes, std::string* error = nullptr,
                     std::uint64_t maxBytes = defaultReadLimit());
// True when `path` names (after links) a regular file; `size` gets its size.
bool isRegularFile(const std::string& path, std::uint64_t* size = nullptr);

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and
// renames it over `path`, so that a crash or a full disk never leaves a
// half-written file. See AtomicFileWriter for links, owner and mode. On
// failure the old file is untouched, the temporary file is removed, and
// `error` is set; `notice`, when given, receives what could not be kept.
bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error = nullptr,
                         std::string* notice = nullptr);

// The same, for output that arrives in pieces: open(), write() as often as
// needed, commit(). Until commit() the target is untouched; a writer that
// is destroyed uncommitted removes its temporary file, and so does the
// signal cleanup below when the process is interrupted.
//
// A symbolic link is written through: its final target gets the new text
// and the link stays. An existing target keeps its permission bits (never
// set-user-ID, set-group-ID or sticky), its owner and group where the
// process may set them, and its other hard links: a file with several
// names, or whose owner a rename would change, is rewritten in place once
// the whole text is safely in the temporary file (space reserved first),
// one writer at a time (an exclusive flock of the file, which writers
// rewriting it in place wait for). A target that exists but is no regular file (a FIFO, a device, a
// directory) is refused. What could not be kept is told by notice().
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
    // The file actually written: `path` with its symbolic links followed.
    const std::string& target() const { return target_; }
    // Empty, or what of the old file could not be kept (its owner).
    const std::string& notice() const { return notice_; }

private:
    bool copyIntoTarget(int& err);

    std::string path_;
    std::string target_;
    std::string tmp_;
    std::string notice_;
    int fd_ = -1;
    int slot_ = -1;
    bool inPlace_ = false;
    bool kept_ = false;  // the old file is being rewritten: tmp_ must stay
};

// `path` with every symbolic link of its last component followed (relative
// links are read from the link's folder); the path itself when it is no
// link or does not exist. False with errno ELOOP for a loop.
bool followLinks(const std::string& path, std::string& target);

// The signals whose default action ends the process and that a program can
// catch: hang-up, interrupt, quit, termination, broken pipe, alarms, user
// signals, resource limits. Signals ignored when the process started
// (`nohup`) are not among them.
std::vector<int> terminatingSignals();

// Makes every terminating signal remove the temporary files of the writers
// that are open at that moment, then end the process as the signal would
// have. For programs that write files (the command-line tool); idempotent.
void removeTemporariesOnSignals();

// Removes the temporary files that writers of this program left in
// `folder` when their process died without cleaning up (SIGKILL, a power
// cut): files named as ours, owned by this user, whose process id names no
// running process. The copy that a writer rewriting a file in place left
// goes only when that file holds the same bytes: else it is the one whole
// copy of the new text. Returns how many went.
std::size_t removeStaleTemporaries(const std::string& folder);

}  // namespace folvane::text
