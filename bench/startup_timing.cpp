// Time from the start of the program to its main window on the screen,
// with and without the web engine linked in. Runs both children in turn,
// each many times, and prints medians and their ratio.
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

long long nowNs() {
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

// One start: the milliseconds from spawning to the window shown, or -1.
double startOnce(const char* program, const std::string& config) {
    int out[2];
    if (pipe(out) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char* args[] = {const_cast<char*>(program), const_cast<char*>(config.c_str()), nullptr};
    pid_t pid = 0;
    const long long start = nowNs();
    const int rc = posix_spawn(&pid, program, &actions, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (rc != 0) {
        close(out[0]);
        return -1;
    }
    std::string text;
    char buf[256];
    ssize_t n;
    while ((n = read(out[0], buf, sizeof buf)) > 0) text.append(buf, static_cast<std::size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (text.empty()) return -1;
    return static_cast<double>(std::atoll(text.c_str()) - start) / 1e6;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 15;
    if (getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    char dir[] = "/tmp/folvane-startup-XXXXXX";
    if (!mkdtemp(dir)) return 1;
    const std::string config = std::string(dir) + "/config.ini";
    const char* programs[] = {FOLVANE_STARTUP_WITH_WEB, FOLVANE_STARTUP_WITHOUT_WEB};
    std::vector<double> times[2];
    for (int i = 0; i < runs + 2; ++i) {
        for (int p = 0; p < 2; ++p) {
            const double ms = startOnce(programs[p], config);
            if (ms < 0) {
                std::fprintf(stderr, "%s did not show its window\n", programs[p]);
                return 1;
            }
            if (i >= 2) times[p].push_back(ms);  // two warm-up rounds fill the caches
        }
    }
    std::remove(config.c_str());
    rmdir(dir);
    const double with = median(times[0]), without = median(times[1]);
    std::printf("start to main window shown (%s, %d runs each, median / min):\n", getenv("QT_QPA_PLATFORM"), runs);
    std::printf("  with the web engine:    %7.1f ms / %7.1f ms\n", with,
                *std::min_element(times[0].begin(), times[0].end()));
    std::printf("  without the web engine: %7.1f ms / %7.1f ms\n", without,
                *std::min_element(times[1].begin(), times[1].end()));
    std::printf("  ratio: %.2f (target at most 1.20)\n", with / without);
    return 0;
}
