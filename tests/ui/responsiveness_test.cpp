// Typesetting a large article from the window: the pipeline works on the
// worker, never on the GUI thread, and the result equals folvane-cli's with
// the same switches. (How long the event loop pauses meanwhile is measured
// in bench/window_responsiveness, not here: timing does not belong in tests.)
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QProcess>
#include <QThread>
#include <atomic>

#include "article_generator.h"
#include "editor_widget.h"
#include "main_window.h"
#include "run_controller.h"
#include "text/file_io.h"
#include "text_bridge.h"
#include "ui_support.h"

namespace {

TEST(LargeArticle, TypesetOnTheWorkerLikeTheCli) {
    IsolatedSettings settings;
    FolvaneApp app;
    MainWin w{app};
    w.show();
    settings.startUp(w);
    auto& o = w.options();
    o.joinNonParagraphBreaks = o.stripHeadNoise = o.stripTailNoise = o.fixPunctuation = o.fixQuotes = true;
    const std::string article = folvane::bench::generateArticle(5'000'000);
    w.setEditorText(article);

    // The pipeline reports its phases from the thread it works on.
    std::atomic<int> reports{0}, onGuiThread{0};
    QThread* gui = QThread::currentThread();
    QObject::connect(
        &app.runs(), &RunController::phase, &app,
        [&](const QString&) {
            ++reports;
            if (QThread::currentThread() == gui) ++onGuiThread;
        },
        Qt::DirectConnection);
    bool finished = false;
    QObject::connect(&w, &MainWin::typesettingFinished, [&] { finished = true; });
    w.startTypesetting();
    ASSERT_TRUE(waitUntil([&] { return finished; }, 120000));
    EXPECT_GT(reports.load(), 0);
    EXPECT_EQ(onGuiThread.load(), 0);

    // The same switches through folvane-cli give the same bytes.
    const std::string input = settings.dir().toStdString() + "/article.txt";
    ASSERT_TRUE(folvane::text::writeFileAtomically(input, article));
    QProcess cli;
    cli.start(QStringLiteral(FOLVANE_CLI_PATH),
              {QStringLiteral("--encoding"), QStringLiteral("gb18030"), QStringLiteral("--set"),
               QStringLiteral("joinNonParagraphBreaks=1"), QStringLiteral("--set"), QStringLiteral("stripHeadNoise=1"),
               QStringLiteral("--set"), QStringLiteral("stripTailNoise=1"), QStringLiteral("--set"),
               QStringLiteral("fixPunctuation=1"), QStringLiteral("--set"), QStringLiteral("fixQuotes=1"),
               QString::fromStdString(input)});
    ASSERT_TRUE(cli.waitForFinished(120000));
    const QByteArray expected = cli.readAllStandardOutput();
    EXPECT_EQ(cli.exitCode(), 0);
    // The command line gives the file's last line break back (the editor's
    // text has none; Save puts it back).
    const std::string shown = w.editorText() + std::string(folvane::text::finalBreakOf(article));
    EXPECT_EQ(shown.size(), static_cast<std::size_t>(expected.size()));
    EXPECT_TRUE(shown == std::string_view(expected.constData(), static_cast<std::size_t>(expected.size())));
}

}  // namespace
