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

double cliSeconds(const QString& cli, const QString& out, const QStringList& inputs) {
    std::filesystem::remove_all(out.toStdString());
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(cli, QStringList{QStringLiteral("-o"), out} + inputs);
    p.waitForFinished(-1);
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

struct WindowRun {
    double seconds = 0;
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
    t.start();
    gap.start();
    probe.start();
    QTimer::singleShot(0, &w, [&] { w.startRun(); });
    loop.exec();
    r.seconds = static_cast<double>(t.nsecsElapsed()) / 1e9;
    return r;
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
        // Best of two of each, alternating, on a shared machine.
        double cliBest = 1e9, windowBest = 1e9;
        qint64 pause = 0;
        double pauseAt = 0;
        for (int round = 0; round < 2; ++round) {
            cliBest = std::min(cliBest, cliSeconds(cli, dir.filePath(QStringLiteral("cli")), inputs));
            const WindowRun r = windowSeconds(app, dir.filePath(QStringLiteral("window")), inputs);
            windowBest = std::min(windowBest, r.seconds);
            if (r.longestPauseMs > pause) pause = r.longestPauseMs, pauseAt = r.pauseAt;
        }
        std::printf("%s: folvane-cli -o %.2f s, batch window %.2f s (%.2f x), longest event-loop pause %lld ms (%.2f s into the run)\n",
                    set.name, cliBest, windowBest, windowBest / cliBest, static_cast<long long>(pause), pauseAt);
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
