// How long the event loop of the main window pauses at most while a large
// article is typeset from the window, and then while the window of the
// run's changes is made (targets: at most 50 ms; the changes shown within a
// second). Prints the longest pauses and the durations; run it on a quiet
// machine, e.g.
//   QT_QPA_PLATFORM=offscreen nice -n 10 build/bench/window_responsiveness [megabytes]
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "article_generator.h"
#include "changes_window.h"
#include "folvane_app.h"
#include "main_window.h"

namespace {

// CPU time of the GUI thread, in ms: a long wall-clock gap on a busy machine
// may be time the thread waited for a core rather than work of its own.
double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 5.0;
    QTemporaryDir dir;
    FolvaneApp app;
    MainWin w(app);
    w.show();
    w.startUp({}, dir.filePath(QStringLiteral("config.ini")).toStdString());
    auto& o = app.options();
    o.joinNonParagraphBreaks = o.stripHeadNoise = o.stripTailNoise = o.fixPunctuation = o.fixQuotes = true;
    w.setEditorText(folvane::bench::generateArticle(static_cast<std::size_t>(megabytes * 1'000'000)));

    qint64 longest = 0;
    double cpuAtTick = threadCpuMs(), longestCpu = 0;
    QElapsedTimer sinceTick, run;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest = std::max(longest, sinceTick.restart());
        const double now = threadCpuMs();
        longestCpu = std::max(longestCpu, now - cpuAtTick);
        cpuAtTick = now;
    });
    QObject::connect(&w, &MainWin::typesettingFinished, [&] {
        const qint64 ms = run.elapsed();
        // The work that follows the result (the old document's release) counts too.
        QTimer::singleShot(300, &qapp, [&, ms] {
            std::printf("article: %.1f MB, run: %lld ms, longest pause of the event loop: %lld ms (target <= 50); "
                        "most CPU time of the GUI thread between two ticks: %.0f ms\n",
                        megabytes, static_cast<long long>(ms), static_cast<long long>(longest), longestCpu);
            // Then "查看排版改动": from asking to both texts on the screen.
            longest = 0;
            longestCpu = 0;
            sinceTick.restart();
            cpuAtTick = threadCpuMs();
            run.restart();
            w.showRunChanges();
            QObject::connect(w.changesWindow(), &ChangesWindow::shown, &qapp, [&] {
                const qint64 shownMs = run.elapsed();
                QTimer::singleShot(300, &qapp, [&, shownMs] {
                    std::printf("changes of the run: %zu places, shown after %lld ms (target <= 1000), longest pause "
                                "of the event loop: %lld ms (target <= 50); most CPU time of the GUI thread between "
                                "two ticks: %.0f ms\n",
                                w.changesWindow()->changes().size(), static_cast<long long>(shownMs),
                                static_cast<long long>(longest), longestCpu);
                    qapp.quit();
                });
            });
        });
    });
    sinceTick.start();
    cpuAtTick = threadCpuMs();
    run.start();
    ticker.start();
    w.startTypesetting();
    return QApplication::exec();
}
