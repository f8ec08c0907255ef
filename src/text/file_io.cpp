#include "text/file_io.h"

#include <cerrno>
#include <random>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
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

}  // namespace

bool readFile(const std::string& path, std::string& bytes, std::string* error) {
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
    std::string out;
    if (st.st_size > 0) out.reserve(static_cast<std::size_t>(st.st_size));
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
        out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    bytes.swap(out);
    return true;
}

bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
    std::string tmp;
    const int fd = createTemporary(path, tmp);
    if (fd < 0) {
        setError(error, errno);
        return false;
    }
    auto fail = [&](int err) {
        ::close(fd);
        ::unlink(tmp.c_str());
        setError(error, err);
        return false;
    };
    // An existing file keeps its permissions.
    struct stat st{};
    if (::stat(path.c_str(), &st) == 0 && ::fchmod(fd, st.st_mode & 07777) != 0) return fail(errno);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(errno);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) return fail(errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        setError(error, err);
        return false;
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        setError(error, err);
        return false;
    }
    return true;
}

}  // namespace folvane::text
