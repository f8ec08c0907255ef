// The editor with a long article, in the real window (offscreen): opening a
// file, pasting the same text, typing in the middle of it, undo, and a run.
// Prints the time until the window is usable again, the longest pause of
// the event loop meanwhile (a 5 ms timer notes every gap), the work of one
// keystroke (median and 99th percentile, as CPU time of the GUI thread and
// as wall-clock time), and the memory the process holds.
//
//   editor_bench [megabytes]   (default 5)
#include <cstring>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "article_generator.h"
#include "editor_widget.h"
#include "folvane_app.h"
#include "editor/document_flow.h"
#include "main_window.h"
#include "text/gb18030.h"
#include "text/file_io.h"
#include "text_bridge.h"

namespace {

// Resident and peak memory of this process, in MB.
std::pair<double, double> memoryMB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    double rss = 0, peak = 0;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) rss = std::stod(line.substr(6)) / 1024.0;
        if (line.rfind("VmHWM:", 0) == 0) peak = std::stod(line.substr(6)) / 1024.0;
    }
    return {rss, peak};
}

double threadCpuMs();

// Notes the longest gap between two ticks of a 5 ms timer, in wall-clock
// time and in CPU time of the GUI thread: on a busy machine a long wall
// gap may be time the thread waited for a core, not work of its own.
class PauseMeter {
public:
    PauseMeter() {
        ticker_.setInterval(5);
        QObject::connect(&ticker_, &QTimer::timeout, [this] { tick(); });
    }
    void start() {
        longest_ = 0;
        longestCpu_ = 0;
        clock_.start();
        cpu_ = threadCpuMs();
        ticker_.start();
    }
    qint64 stop() {
        ticker_.stop();
        tick();
        return longest_;
    }
    // The most CPU time the GUI thread spent between two ticks, in ms.
    double longestCpu() const { return longestCpu_; }

private:
    void tick() {
        const double now = threadCpuMs();
        longestCpu_ = std::max(longestCpu_, now - cpu_);
        cpu_ = now;
        longest_ = std::max(longest_, clock_.restart());
    }
    QTimer ticker_;
    QElapsedTimer clock_;
    qint64 longest_ = 0;
    double cpu_ = 0, longestCpu_ = 0;
};

// Runs the event loop until `done` holds; then a little longer, so that the
// work that follows (layout, painting) is measured too. Returns the time
// until `done` held.
template <typename Done>
qint64 runUntil(Done done) {
    QElapsedTimer t;
    t.start();
    while (!done()) QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    const qint64 took = t.elapsed();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 200) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return took;
}

// CPU time of the GUI thread: on a shared machine the wall clock also
// counts the time other processes had the core.
double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
}

// Types `count` keys in the middle of the text and reports the time of
// each key's own handling (the edit, its recording and the layout of the
// changed paragraph; painting follows in the event loop).
void typeKeys(MainWin& w, int count, const char* label) {
    EditorWidget* editor = w.findChild<EditorWidget*>(QStringLiteral("editor"));
    QTextCursor c = editor->textCursor();
    c.setPosition(editor->document()->characterCount() / 2);
    editor->setTextCursor(c);
    std::vector<double> times, cpu;
    PauseMeter pauses;
    pauses.start();
    for (int i = 0; i < count; ++i) {
        const bool erase = i % 4 == 3;
        const int key = erase ? Qt::Key_Backspace : Qt::Key_A + i % 26;
        const QString text = erase ? QString() : QString(QChar(u'a' + i % 26));
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QElapsedTimer t;
        t.start();
        const double cpu0 = threadCpuMs();
        QApplication::sendEvent(editor, &press);
        QApplication::sendEvent(editor, &release);
        cpu.push_back(threadCpuMs() - cpu0);
        times.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        QCoreApplication::processEvents();
    }
    const qint64 longest = pauses.stop();
    std::printf("  %-28s CPU median %.3f ms, p99 %.3f ms; wall median %.3f ms, p99 %.3f ms, max %.3f ms "
                "(%d keys; longest pause %lld ms)\n",
                label, percentile(cpu, 0.5), percentile(cpu, 0.99), percentile(times, 0.5), percentile(times, 0.99),
                percentile(times, 1.0), count, static_cast<long long>(longest));
}

// Keys typed in the middle of the longest line the editor shows (a text
// without line breaks, as long as a file may have it and still open).
int longestLine(const QTemporaryDir& dir) {
    const QString file = dir.filePath(QStringLiteral("line.txt"));
    std::string article = folvane::bench::generateArticle(2 * folvane::editor::kLongestShownLine);
    std::erase(article, '\r');
    std::erase(article, '\n');
    article.resize(folvane::editor::kLongestShownLine);
    // Not ending in half a character.
    while (!article.empty() && article.size() - folvane::text::lastCharStart(article) == 1 &&
           static_cast<unsigned char>(article.back()) >= 0x80)
        article.pop_back();
    folvane::text::writeFileAtomically(file.toStdString(), article);
    FolvaneApp app;
    MainWin w{app};
    w.show();
    w.startUp({}, dir.filePath(QStringLiteral("config.ini")).toStdString());
    w.openFile(file);
    const qint64 took = runUntil([&] { return !w.loadingText(); });
    std::printf("editor with one line of %zu bytes (the longest shown), offscreen window:\n", article.size());
    std::printf("  open                         usable after %lld ms\n", static_cast<long long>(took));
    if (w.editorText() != article) std::printf("  ERROR: the opened text differs from the file\n");
    typeKeys(w, 100, "keystroke in that line");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const int megabytes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir dir;
    if (argc > 2 && std::strcmp(argv[2], "line") == 0) return longestLine(dir);
    const QString file = dir.filePath(QStringLiteral("article.txt"));
    std::size_t articleSize = 0;
    {
        const std::string article = folvane::bench::generateArticle(static_cast<std::size_t>(megabytes) * 1'000'000);
        folvane::text::writeFileAtomically(file.toStdString(), article);
        articleSize = article.size();
    }
    // The article is read back for the checks only, so that the memory
    // figures are the window's own.
    const auto readArticle = [&] {
        std::string bytes;
        folvane::text::readFile(file.toStdString(), bytes);
        return bytes;
    };
    std::printf("editor with a %d MB GB18030 article (%zu bytes), offscreen window:\n", megabytes, articleSize);

    FolvaneApp app;
    MainWin w{app};
    w.show();
    w.startUp({}, dir.filePath(QStringLiteral("config.ini")).toStdString());
    runUntil([] { return true; });
    const auto [rssEmpty, peakEmpty] = memoryMB();
    PauseMeter pauses;

    // Opening the file.
    pauses.start();
    w.openFile(file);
    qint64 took = runUntil([&] { return !w.loadingText(); });
    qint64 longest = pauses.stop();
    const auto [rssOpen, peakOpen] = memoryMB();
    std::printf("  open                         usable after %lld ms, longest pause %lld ms (GUI thread's CPU %.0f ms)\n",
                static_cast<long long>(took), static_cast<long long>(longest), pauses.longestCpu());
    std::printf("  memory                       %.0f MB resident with the file open (%.0f MB with an empty editor; "
                "%.1f x the file's size), peak %.0f MB\n",
                rssOpen, rssEmpty, rssOpen / (static_cast<double>(articleSize) / 1e6), peakOpen);
    if (w.editorText() != readArticle()) std::printf("  ERROR: the opened text differs from the file\n");

    typeKeys(w, 400, "keystroke (after open)");
    std::vector<double> undos;
    for (int i = 0; i < 100; ++i) {
        QElapsedTimer t;
        t.start();
        w.action(Command::Undo)->trigger();
        undos.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        QCoreApplication::processEvents();
    }
    std::printf("  %-28s median %.3f ms, p99 %.3f ms\n", "undo", percentile(undos, 0.5), percentile(undos, 0.99));

    // Pasting the whole article into an emptied editor.
    w.action(Command::ClearAll)->trigger();
    QApplication::clipboard()->setText(toQt(readArticle()));
    runUntil([] { return true; });
    pauses.start();
    w.action(Command::Paste)->trigger();
    took = runUntil([&] { return !w.loadingText(); });
    longest = pauses.stop();
    std::printf("  paste                        usable after %lld ms, longest pause %lld ms (GUI thread's CPU %.0f ms)\n",
                static_cast<long long>(took), static_cast<long long>(longest), pauses.longestCpu());
    if (w.editorText() != readArticle()) std::printf("  ERROR: the pasted text differs from the clipboard\n");
    QApplication::clipboard()->clear();

    // A run with the switches that do the most work.
    auto& o = app.options();
    o.joinNonParagraphBreaks = o.stripHeadNoise = o.stripTailNoise = o.fixPunctuation = o.fixQuotes = true;
    bool finished = false;
    QObject::connect(&w, &MainWin::typesettingFinished, [&] { finished = true; });
    pauses.start();
    w.startTypesetting();
    took = runUntil([&] { return finished; });
    longest = pauses.stop();
    const auto [rssRun, peakRun] = memoryMB();
    std::printf("  run                          finished after %lld ms, longest pause %lld ms (GUI thread's CPU %.0f ms); "
                "%.0f MB resident, peak %.0f MB\n",
                static_cast<long long>(took), static_cast<long long>(longest), pauses.longestCpu(), rssRun, peakRun);
    typeKeys(w, 400, "keystroke (after the run)");

    // Undoing the run itself puts the whole text before it back.
    for (int i = 0; i < 400; ++i) w.action(Command::Undo)->trigger();
    runUntil([] { return true; });
    pauses.start();
    QElapsedTimer undoClock;
    undoClock.start();
    w.action(Command::Undo)->trigger();
    took = undoClock.elapsed();
    runUntil([] { return true; });
    longest = pauses.stop();
    std::printf("  undo of the run              took %lld ms, longest pause %lld ms (GUI thread's CPU %.0f ms)\n",
                static_cast<long long>(took), static_cast<long long>(longest), pauses.longestCpu());
    if (w.editorText() != readArticle()) std::printf("  ERROR: undoing the run does not give the text before it\n");
    return 0;
}
