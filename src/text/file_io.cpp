#include "text/file_io.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <new>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>
#include <vector>

#include "text/release.h"

namespace folvane::text {
namespace {

void setError(std::string* error, int err) {
    if (error) *error = std::strerror(err);
}

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Creates a new, unique temporary file beside `path`; the kernel applies
// the umask to its mode 0666, as for any new file.
int createTemporary(const std::string& path, std::string& tmp) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[64];
        std::snprintf(suffix, sizeof suffix, "/.folvane-%d-%08x.tmp", static_cast<int>(::getpid()),
                      static_cast<unsigned>(random()));
        tmp = directoryOf(path) + suffix;
        const int fd = ::open(tmp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// The temporary files open right now, for the signal handler: a fixed
// table, because a handler may neither allocate nor lock. A slot is Free,
// Filling (being written by its owner) or Armed (its path may be removed).
// This is the one piece of process-wide state of the core: a signal
// reaches the process, not an object.
enum SlotState : int { Free = 0, Filling = 1, Armed = 2 };
struct TemporarySlot {
    std::atomic<int> state{Free};
    char path[PATH_MAX];
};
std::array<TemporarySlot, 16> temporaries;

int armTemporary(const std::string& tmp) {
    if (tmp.size() >= PATH_MAX) return -1;
    for (std::size_t i = 0; i < temporaries.size(); ++i) {
        int expected = Free;
        if (!temporaries[i].state.compare_exchange_strong(expected, Filling)) continue;
        std::memcpy(temporaries[i].path, tmp.c_str(), tmp.size() + 1);
        temporaries[i].state.store(Armed);
        return static_cast<int>(i);
    }
    return -1;  // more writers than slots: those are not cleaned up on signals
}

void disarmTemporary(int slot) {
    if (slot >= 0) temporaries[static_cast<std::size_t>(slot)].state.store(Free);
}

extern "C" void removeTemporariesAndDie(int sig) {
    for (auto& t : temporaries)
        if (t.state.load() == Armed) ::unlink(t.path);
    std::signal(sig, SIG_DFL);
    ::raise(sig);
}

}  // namespace

std::uint64_t defaultReadLimit() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long size = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || size <= 0) return std::uint64_t{1} << 30;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(size) / 2;
}

namespace {

bool readOpenedFile(const std::string& path, std::string& bytes, std::string* error, std::uint64_t maxBytes,
                    bool regularOnly) {
    // Without O_NONBLOCK opening a FIFO waits for a writer; a caller that
    // takes regular files only must not wait for one.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | (regularOnly ? O_NONBLOCK : 0));
    if (fd < 0) {
        setError(error, errno);
        return false;
    }
    struct stat st{};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        setError(error, EISDIR);
        return false;
    }
    if (regularOnly) {
        if (!S_ISREG(st.st_mode)) {
            ::close(fd);
            if (error) *error = "not a regular file";
            return false;
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    }
    auto tooLarge = [&] {
        ::close(fd);
        if (error) *error = "file too large (more than " + std::to_string(maxBytes) + " bytes)";
        return false;
    };
    if (st.st_size > 0 && static_cast<std::uint64_t>(st.st_size) > maxBytes) return tooLarge();
    std::string out;
    try {
        // Room beyond the file's size: a text that gains a final line break,
        // or whose lines end in "\n" alone and gain a "\r" each (one per
        // eight bytes and more), then grows in place instead of being
        // copied beside itself. Pages of the room that are never written
        // take no memory.
        if (st.st_size > 0) {
            const auto size = static_cast<std::size_t>(st.st_size);
            try {
                reserveLarge(out, size + size / 8 + 16);
            } catch (const std::bad_alloc&) {
                out.reserve(size + 16);
            }
        }
        char buf[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n == 0) break;
            if (n < 0) {
                if (errno == EINTR) continue;
                const int err = errno;
                ::close(fd);
                setError(error, err);
                return false;
            }
            // A file that grows while it is read, or a pipe, is held to the
            // limit as well.
            if (out.size() + static_cast<std::size_t>(n) > maxBytes) return tooLarge();
            out.append(buf, static_cast<std::size_t>(n));
        }
    } catch (const std::bad_alloc&) {
        ::close(fd);
        if (error) *error = "not enough memory";
        return false;
    }
    ::close(fd);
    bytes.swap(out);
    return true;
}

}  // namespace

bool readFile(const std::string& path, std::string& bytes, std::string* error, std::uint64_t maxBytes) {
    return readOpenedFile(path, bytes, error, maxBytes, false);
}

bool readRegularFile(const std::string& path, std::string& bytes, std::string* error, std::uint64_t maxBytes) {
    return readOpenedFile(path, bytes, error, maxBytes, true);
}

AtomicFileWriter::AtomicFileWriter(std::string path) : path_(std::move(path)) {}

AtomicFileWriter::~AtomicFileWriter() { abort(); }

bool followLinks(const std::string& path, std::string& target) {
    target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st{};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        char buf[PATH_MAX];
        const ssize_t n = ::readlink(target.c_str(), buf, sizeof buf);
        if (n < 0) return true;  // vanished meanwhile: the path is written as it is
        std::string link(buf, static_cast<std::size_t>(n));
        target = link.starts_with('/') ? link : directoryOf(target) + "/" + link;
    }
    errno = ELOOP;
    return false;
}

bool AtomicFileWriter::open(std::string* error) {
    abort();
    notice_.clear();
    inPlace_ = false;
    if (!followLinks(path_, target_)) {
        setError(error, errno);
        return false;
    }
    struct stat old{};
    const bool exists = ::lstat(target_.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        if (error) *error = S_ISDIR(old.st_mode) ? std::strerror(EISDIR) : "not a regular file";
        return false;
    }
    fd_ = createTemporary(target_, tmp_);
    if (fd_ < 0) {
        setError(error, errno);
        return false;
    }
    slot_ = armTemporary(tmp_);
    if (!exists) return true;
    // The permission bits of the file replaced, without set-user-ID,
    // set-group-ID and sticky: a new file never gains rights.
    if (::fchmod(fd_, old.st_mode & 0777) != 0) {
        const int err = errno;
        abort();
        setError(error, err);
        return false;
    }
    struct stat made{};
    ::fstat(fd_, &made);
    const bool ownerKept = (made.st_uid == old.st_uid && made.st_gid == old.st_gid) ||
                           ::fchown(fd_, old.st_uid, old.st_gid) == 0;
    // A rename would split hard links or hand the file to this user: then
    // the old file itself is rewritten, if this process may write it.
    if (old.st_nlink > 1 || !ownerKept) {
        if (::access(target_.c_str(), W_OK) == 0) {
            inPlace_ = true;
        } else if (!ownerKept) {
            notice_ = "its owner could not be kept";
        } else {
            notice_ = "its other hard links keep the old text";
        }
    }
    return true;
}

// Copies the finished temporary file over the old file's own bytes, under
// an exclusive flock of the old file that other writers of this program
// wait for. Space
// for a longer text is reserved first, so a full disk is found before the
// old text is touched. Before the first byte of the old file is written the
// temporary file takes a name that holds the old file's inode number
// (".folvane-PID-TAG-INO.copy"): from then on it may be the only whole copy
// of either text, so neither the signal cleanup nor removeStaleTemporaries
// removes it until the old file holds the same bytes. It goes once the copy
// is complete and on disk; after a failure part way it stays, and the error
// names it.
bool AtomicFileWriter::copyIntoTarget(int& err) {
    struct stat st{};
    if (::fstat(fd_, &st) != 0) {
        err = errno;
        return false;
    }
    const int out = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (out < 0) {
        err = errno;
        return false;
    }
    // One rewrite at a time: two runs writing the same file in place would
    // leave a mixture of both texts. The lock goes with the descriptor (a
    // killed process frees it).
    while (::flock(out, LOCK_EX) != 0 && errno == EINTR) {
    }
    struct stat was{};
    ::fstat(out, &was);
    char name[64];
    std::snprintf(name, sizeof name, "-%lx.copy", static_cast<unsigned long>(was.st_ino));
    const std::string copy = tmp_.substr(0, tmp_.size() - 4) + name;  // tmp_ ends in ".tmp"
    disarmTemporary(slot_);
    slot_ = -1;
    if (::rename(tmp_.c_str(), copy.c_str()) != 0) {
        err = errno;
        ::close(out);
        return false;
    }
    tmp_ = copy;
    if (st.st_size > was.st_size) {
        const int r = ::posix_fallocate(out, 0, st.st_size);
        if (r != 0 && r != EOPNOTSUPP && r != EINVAL) {
            // A full disk: the old file gets its own length back, whole.
            if (::ftruncate(out, was.st_size) != 0) kept_ = true;
            ::close(out);
            err = r;
            return false;
        }
    }
    kept_ = true;  // the old file is overwritten from here on
    char buf[1 << 16];
    off_t offset = 0;
    while (offset < st.st_size) {
        const ssize_t n = ::pread(fd_, buf, sizeof buf, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            err = n < 0 ? errno : EIO;
            ::close(out);
            return false;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::pwrite(out, buf + done, static_cast<std::size_t>(n - done), offset + done);
            if (w < 0 && errno == EINTR) continue;
            if (w < 0) {
                err = errno;
                ::close(out);
                return false;
            }
            done += w;
        }
        offset += n;
    }
    if (::ftruncate(out, st.st_size) != 0 || ::fsync(out) != 0) err = errno;
    if (::close(out) != 0 && !err) err = errno;
    if (err == 0) kept_ = false;  // the old file holds the new text whole
    return err == 0;
}

bool AtomicFileWriter::write(std::string_view bytes, std::string* error) {
    if (fd_ < 0) {
        setError(error, EBADF);
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            abort();
            setError(error, err);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool AtomicFileWriter::commit(std::string* error) {
    if (fd_ < 0) {
        setError(error, EBADF);
        return false;
    }
    int err = 0;
    if (::fsync(fd_) != 0) err = errno;
    if (!err && inPlace_) copyIntoTarget(err);
    if (::close(fd_) != 0 && !err) err = errno;
    fd_ = -1;
    if (kept_) {
        // The old file may be cut part way: this is the whole new text.
        if (error) *error = std::string(std::strerror(err)) + "; the new text is kept in " + tmp_;
        kept_ = false;
        disarmTemporary(slot_);
        slot_ = -1;
        tmp_.clear();
        return false;
    }
    if (inPlace_) ::unlink(tmp_.c_str());
    else if (!err && ::rename(tmp_.c_str(), target_.c_str()) != 0) err = errno;
    if (err) {
        ::unlink(tmp_.c_str());
        setError(error, err);
    }
    disarmTemporary(slot_);
    slot_ = -1;
    tmp_.clear();
    return err == 0;
}

void AtomicFileWriter::abort() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!tmp_.empty()) {
        ::unlink(tmp_.c_str());
        tmp_.clear();
    }
    disarmTemporary(slot_);
    slot_ = -1;
}

bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error, std::string* notice) {
    AtomicFileWriter w(path);
    const bool ok = w.open(error) && w.write(bytes, error) && w.commit(error);
    if (notice) *notice = w.notice();
    return ok;
}

std::vector<int> terminatingSignals() {
    std::vector<int> out;
    for (const int sig : {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2, SIGVTALRM,
                          SIGPROF, SIGXCPU, SIGXFSZ, SIGPOLL, SIGPWR, SIGSTKFLT}) {
        struct sigaction now{};
        if (::sigaction(sig, nullptr, &now) == 0 && now.sa_handler == SIG_IGN) continue;
        out.push_back(sig);
    }
    return out;
}

void removeTemporariesOnSignals() {
    struct sigaction sa{};
    sa.sa_handler = removeTemporariesAndDie;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;
    for (const int sig : terminatingSignals()) ::sigaction(sig, &sa, nullptr);
}

namespace {

// True when the regular files `a` and `b` in the folder `dir` hold the same bytes.
bool sameBytes(int dir, const char* a, const char* b) {
    const int fa = ::openat(dir, a, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fa < 0) return false;
    const int fb = ::openat(dir, b, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fb < 0) {
        ::close(fa);
        return false;
    }
    bool same = false;
    struct stat sa{}, sb{};
    if (::fstat(fa, &sa) == 0 && ::fstat(fb, &sb) == 0 && S_ISREG(sa.st_mode) && S_ISREG(sb.st_mode) &&
        sa.st_size == sb.st_size) {
        static thread_local char ba[1 << 16], bb[1 << 16];
        same = true;
        for (off_t off = 0; same && off < sa.st_size;) {
            const ssize_t na = ::pread(fa, ba, sizeof ba, off);
            const ssize_t nb = na > 0 ? ::pread(fb, bb, static_cast<std::size_t>(na), off) : -1;
            if (na <= 0 || nb != na || std::memcmp(ba, bb, static_cast<std::size_t>(na)) != 0) same = false;
            off += na > 0 ? na : 0;
        }
    }
    ::close(fa);
    ::close(fb);
    return same;
}

}  // namespace

std::size_t removeStaleTemporaries(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return 0;
    std::size_t removed = 0;
    const int self = static_cast<int>(::getpid());
    // Leftovers of copies into a file in place, each with the inode of its file.
    std::vector<std::pair<std::string, unsigned long>> copies;
    std::vector<std::pair<unsigned long, std::string>> entries;
    while (const dirent* e = ::readdir(dir)) {
        entries.emplace_back(static_cast<unsigned long>(e->d_ino), e->d_name);
        int pid = 0, end = 0;
        unsigned tag = 0;
        unsigned long ino = 0;
        // Exactly the names createTemporary and copyIntoTarget make.
        bool copy = false;
        if (std::sscanf(e->d_name, ".folvane-%d-%8x.tmp%n", &pid, &tag, &end) == 2 && e->d_name[end] == '\0') {
        } else if (end = 0; std::sscanf(e->d_name, ".folvane-%d-%8x-%lx.copy%n", &pid, &tag, &ino, &end) == 3 &&
                            end > 0 && e->d_name[end] == '\0') {
            copy = true;
        } else {
            continue;
        }
        if (pid <= 0 || pid == self) continue;
        if (::kill(pid, 0) == 0 || errno != ESRCH) continue;  // running (perhaps another user's)
        struct stat st{};
        if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
            st.st_uid != ::geteuid())
            continue;
        if (copy) {
            copies.emplace_back(e->d_name, ino);
            continue;
        }
        if (::unlinkat(::dirfd(dir), e->d_name, 0) == 0) ++removed;
    }
    // A copy goes only when its file holds the same bytes: otherwise it is
    // the one whole copy of the new text, and stays.
    for (const auto& [name, ino] : copies) {
        for (const auto& [entryIno, entry] : entries) {
            if (entryIno != ino || entry == name) continue;
            if (sameBytes(::dirfd(dir), entry.c_str(), name.c_str()) && ::unlinkat(::dirfd(dir), name.c_str(), 0) == 0)
                ++removed;
            break;
        }
    }
    ::closedir(dir);
    return removed;
}

}  // namespace folvane::text

namespace folvane::text {

bool isRegularFile(const std::string& path, std::uint64_t* size) {
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (size) *size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

}  // namespace folvane::text
