// The batch window against folvane-cli -o on the same files: wall time of a
// whole run, the longest pause of the window's event loop meanwhile, and the
// time to add 10,000 paths to the list. Not a test: it prints figures.
//
//   batch_window_timing [CLI-PATH [small|large]]   (QT_QPA_PLATFORM=offscreen by default)
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sys/resource.h>

#include "article_generator.h"
#include "batch_window.h"
#include "folvane_app.h"
#include "text/file_io.h"

namespace {

struct Set {
    const char* name;
    int files;
    std::size_t bytes;
};

QStringList writeSet(const QString& dir, const Set& set) {
    QStringList paths;
    for (int i = 0; i < set.files; ++i) {
        const QString path = QStringLiteral("%1/f%2.txt").arg(dir).arg(i);
        const std::string text = folvane::bench::generateArticle(set.bytes, 1000u + static_cast<unsigned>(i));
        folvane::text::writeFileAtomically(path.toStdString(), text);
        paths << path;
    }
    return paths;
}

// Processor time (user and system) of this process, or of its reaped children.
double cpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Timing {
    double seconds = 0;
    double cpu = 0;
};

Timing cliSeconds(const QString& cli, const QString& out, const QStringList& inputs) {
    std::filesystem::remove_all(out.toStdString());
    const double cpu0 = cpuSeconds(RUSAGE_CHILDREN);
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(cli, QStringList{QStringLiteral("-o"), out} + inputs);
    p.waitForFinished(-1);
    return {static_cast<double>(t.nsecsElapsed()) / 1e9, cpuSeconds(RUSAGE_CHILDREN) - cpu0};
}

struct WindowRun {
    double seconds = 0;
    double cpu = 0;     // of the whole process: the window's thread and the worker
    double guiCpu = 0;  // of the window's thread alone
    qint64 longestPauseMs = 0;
    double pauseAt = 0;  // seconds into the run
};

WindowRun windowSeconds(FolvaneApp& app, const QString& out, const QStringList& inputs) {
    std::filesystem::remove_all(out.toStdString());
    BatchWindow::Services s = BatchWindow::programServices(app);
    s.message = [](QWidget*, QMessageBox::Icon, const QString&, const QString&) {};
    s.defaultFolder = out;
    BatchWindow w(s);
    w.show();
    w.addPaths(inputs, folvane::batch::PathSource::Drop);
    QCoreApplication::processEvents();

    // A timer that should fire every 5 ms; the largest gap between two of its
    // ticks is the longest time the event loop did not run.
    WindowRun r;
    QElapsedTimer gap;
    QTimer probe;
    probe.setInterval(5);
    QElapsedTimer t;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 g = gap.restart();
        if (g > r.longestPauseMs) {
            r.longestPauseMs = g;
            r.pauseAt = static_cast<double>(t.elapsed()) / 1000;
        }
    });
    QEventLoop loop;
    QObject::connect(&w, &BatchWindow::runFinished, &loop, &QEventLoop::quit);
    const double cpu0 = cpuSeconds(RUSAGE_SELF), gui0 = cpuSeconds(RUSAGE_THREAD);
    t.start();
    gap.start();
    probe.start();
    QTimer::singleShot(0, &w, [&] { w.startRun(); });
    loop.exec();
    r.seconds = static_cast<double>(t.nsecsElapsed()) / 1e9;
    r.cpu = cpuSeconds(RUSAGE_SELF) - cpu0;
    r.guiCpu = cpuSeconds(RUSAGE_THREAD) - gui0;
    return r;
}

// True when the two folders hold the same file names with the same bytes.
bool sameOutputs(const QString& a, const QString& b) {
    namespace fs = std::filesystem;
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(a.toStdString())) {
        const fs::path other = fs::path(b.toStdString()) / entry.path().filename();
        std::string x, y;
        if (!folvane::text::readFile(entry.path().string(), x) || !folvane::text::readFile(other.string(), y) || x != y)
            return false;
        ++count;
    }
    return count == static_cast<std::size_t>(std::distance(fs::directory_iterator(b.toStdString()), fs::directory_iterator()));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const QString cli = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(FOLVANE_CLI_PATH);
    QTemporaryDir dir;
    FolvaneApp app;

    const Set sets[] = {{"1,000 files of 10 KB", 1000, 10 * 1000}, {"10 files of 10 MB", 10, 10 * 1000 * 1000}};
    const QString only = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    for (const Set& set : sets) {
        if ((only == QStringLiteral("small") && set.files != 1000) || (only == QStringLiteral("large") && set.files != 10))
            continue;
        const QString in = dir.filePath(QStringLiteral("in-%1").arg(set.files));
        std::filesystem::create_directories(in.toStdString());
        const QStringList inputs = writeSet(in, set);
        // Best of three of each, in alternating order, on a shared machine.
        // Every run writes into a folder of its own, and the folders are
        // removed only after the set: a file system that has just deleted
        // a thousand files is slower to create the next thousand, which
        // would weigh on whichever run came second.
        double cliBest = 1e9, windowBest = 1e9, cliCpu = 1e9, windowCpu = 1e9, guiCpu = 1e9;
        qint64 pause = 0;
        double pauseAt = 0;
        for (int round = 0; round < 3; ++round) {
            const auto runCli = [&] {
                const Timing c = cliSeconds(cli, dir.filePath(QStringLiteral("cli-%1").arg(round)), inputs);
                cliBest = std::min(cliBest, c.seconds);
                cliCpu = std::min(cliCpu, c.cpu);
            };
            const auto runWindow = [&] {
                const WindowRun r = windowSeconds(app, dir.filePath(QStringLiteral("window-%1").arg(round)), inputs);
                windowBest = std::min(windowBest, r.seconds);
                if (r.cpu < windowCpu) windowCpu = r.cpu, guiCpu = r.guiCpu;
                if (r.longestPauseMs > pause) pause = r.longestPauseMs, pauseAt = r.pauseAt;
            };
            if (round % 2 == 0) runCli(), runWindow();
            else runWindow(), runCli();
        }
        if (!sameOutputs(dir.filePath(QStringLiteral("cli-0")), dir.filePath(QStringLiteral("window-0"))))
            std::printf("%s: the window's output files differ from folvane-cli's\n", set.name);
        for (int round = 0; round < 3; ++round)
            for (const char* who : {"cli-%1", "window-%1"})
                std::filesystem::remove_all(dir.filePath(QString::fromLatin1(who).arg(round)).toStdString());
        std::printf("%s: folvane-cli -o %.2f s, batch window %.2f s (%.2f x), longest event-loop pause %lld ms (%.2f s into the run)\n",
                    set.name, cliBest, windowBest, windowBest / cliBest, static_cast<long long>(pause), pauseAt);
        std::printf("%s: processor time folvane-cli -o %.2f s, batch window %.2f s (%.2f x; the window's own thread %.2f s)\n",
                    set.name, cliCpu, windowCpu, windowCpu / cliCpu, guiCpu);
        std::filesystem::remove_all(in.toStdString());
    }

    QStringList many;
    for (int i = 0; i < 10000; ++i) many << QStringLiteral("/data/articles/%1/article-%2.txt").arg(i % 97).arg(i);
    BatchWindow::Services s = BatchWindow::programServices(app);
    s.defaultFolder = dir.filePath(QStringLiteral("many"));
    BatchWindow w(s);
    w.show();
    QCoreApplication::processEvents();
    QElapsedTimer t;
    t.start();
    w.addPaths(many, folvane::batch::PathSource::Drop);
    QCoreApplication::processEvents();  // the list shows them
    const double addMs = static_cast<double>(t.nsecsElapsed()) / 1e6;
    QElapsedTimer again;
    again.start();
    w.addPaths(many, folvane::batch::PathSource::Dialog);  // all duplicates
    const double dupMs = static_cast<double>(again.nsecsElapsed()) / 1e6;
    std::printf("adding 10,000 paths: %.1f ms (the same 10,000 again, all refused: %.1f ms)\n", addMs, dupMs);
    return 0;
}
