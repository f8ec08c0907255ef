#include "text/file_io.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

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
        const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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

bool readFile(const std::string& path, std::string& bytes, std::string* error, std::uint64_t maxBytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
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
    auto tooLarge = [&] {
        ::close(fd);
        if (error) *error = "file too large (more than " + std::to_string(maxBytes) + " bytes)";
        return false;
    };
    if (st.st_size > 0 && static_cast<std::uint64_t>(st.st_size) > maxBytes) return tooLarge();
    std::string out;
    try {
        // A little room beyond the file's size: a text that gains a final
        // line break is then not copied to grow by two bytes.
        if (st.st_size > 0) out.reserve(static_cast<std::size_t>(st.st_size) + 16);
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

AtomicFileWriter::AtomicFileWriter(std::string path) : path_(std::move(path)) {}

AtomicFileWriter::~AtomicFileWriter() { abort(); }

bool AtomicFileWriter::open(std::string* error) {
    abort();
    fd_ = createTemporary(path_, tmp_);
    if (fd_ < 0) {
        setError(error, errno);
        return false;
    }
    slot_ = armTemporary(tmp_);
    // An existing file keeps its permissions.
    struct stat st{};
    if (::stat(path_.c_str(), &st) == 0 && ::fchmod(fd_, st.st_mode & 07777) != 0) {
        const int err = errno;
        abort();
        setError(error, err);
        return false;
    }
    return true;
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
    if (::close(fd_) != 0 && !err) err = errno;
    fd_ = -1;
    if (!err && ::rename(tmp_.c_str(), path_.c_str()) != 0) err = errno;
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

bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
    AtomicFileWriter w(path);
    return w.open(error) && w.write(bytes, error) && w.commit(error);
}

void removeTemporariesOnSignals() {
    struct sigaction sa{};
    sa.sa_handler = removeTemporariesAndDie;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
}

}  // namespace folvane::text
