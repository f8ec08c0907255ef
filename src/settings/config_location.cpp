#include "settings/config_location.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace folvane::settings {
namespace {

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool writableDirectory(const std::string& dir) {
    struct stat st{};
    return !dir.empty() && ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::access(dir.c_str(), W_OK | X_OK) == 0;
}

bool makeDirectoriesPrivate(const std::string& dir) {
    for (std::size_t i = 1; i <= dir.size(); ++i) {
        if (i < dir.size() && dir[i] != '/') continue;
        const std::string part = dir.substr(0, i);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat st{};
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string homeDirectory() {
    if (const char* h = std::getenv("HOME"); h && *h) return h;
    std::vector<char> buf(16384);
    struct passwd pw{};
    struct passwd* result = nullptr;
    if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &result) == 0 && result && result->pw_dir)
        return result->pw_dir;
    return {};
}

}  // namespace

ConfigLocationInputs processConfigLocationInputs() {
    ConfigLocationInputs in;
    std::vector<char> buf(4096);
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n > 0) in.executableDir = directoryOf(std::string(buf.data(), static_cast<std::size_t>(n)));
    if (const char* x = std::getenv("XDG_CONFIG_HOME")) in.xdgConfigHome = x;
    in.home = homeDirectory();
    in.isWritableDirectory = writableDirectory;
    in.makeDirectories = makeDirectoriesPrivate;
    return in;
}

ConfigLocation locateConfig(const ConfigLocationInputs& in) {
    ConfigLocation loc;
    if (!in.executableDir.empty() && in.isWritableDirectory && in.isWritableDirectory(in.executableDir)) {
        loc.path = in.executableDir + (in.executableDir.ends_with('/') ? "" : "/") + "config.ini";
        loc.portable = true;
        return loc;
    }
    std::string base;
    if (in.xdgConfigHome.starts_with('/')) base = in.xdgConfigHome;
    else if (in.home.starts_with('/')) base = in.home + (in.home.ends_with('/') ? "" : "/") + ".config";
    if (base.empty()) {
        loc.error = "no home directory for the settings";
        return loc;
    }
    while (base.size() > 1 && base.ends_with('/')) base.pop_back();
    const std::string dir = (base == "/" ? "" : base) + "/folvane";
    loc.path = dir + "/config.ini";
    if (in.makeDirectories && !in.makeDirectories(dir)) loc.error = "cannot create " + dir;
    return loc;
}

}  // namespace folvane::settings
