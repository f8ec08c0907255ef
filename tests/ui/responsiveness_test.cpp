// Typesetting a large article from the window: the event loop stays
// responsive, and the result equals folvane-cli's with the same switches.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <cstdio>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include "article_generator.h"
#include "editor_widget.h"
#include "main_window.h"
#include "text/file_io.h"
#include "text_bridge.h"
#include "ui_support.h"

namespace {

TEST(Responsiveness, FiveMegabytesNeverBlockTheEventLoopFor100Ms) {
    IsolatedSettings settings;
    MainWin w;
    w.show();
    settings.startUp(w);
    auto& o = w.options();
    o.joinNonParagraphBreaks = o.stripHeadNoise = o.stripTailNoise = o.fixPunctuation = o.fixQuotes = true;
    const std::string article = folvane::bench::generateArticle(5'000'000);
    w.setEditorText(article);

    qint64 longestGap = 0;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
    bool finished = false;
    QObject::connect(&w, &MainWin::typesettingFinished, [&] { finished = true; });
    sinceTick.start();
    ticker.start();
    w.startTypesetting();
    ASSERT_TRUE(waitUntil([&] { return finished; }, 60000));
    QTest::qWait(300);  // the work that follows the result, too
    ticker.stop();
    std::printf("longest pause of the event loop: %lld ms\n", static_cast<long long>(longestGap));
    EXPECT_LT(longestGap, 100) << "the event loop was blocked for " << longestGap << " ms";

    // The same switches through folvane-cli give the same bytes.
    const std::string input = settings.dir().toStdString() + "/article.txt";
    ASSERT_TRUE(folvane::text::writeFileAtomically(input, article));
    QProcess cli;
    cli.start(QStringLiteral(FOLVANE_CLI_PATH),
              {"--encoding", "gb18030", "--set", "joinNonParagraphBreaks=1", "--set", "stripHeadNoise=1", "--set",
               "stripTailNoise=1", "--set", "fixPunctuation=1", "--set", "fixQuotes=1", QString::fromStdString(input)});
    ASSERT_TRUE(cli.waitForFinished(60000));
    const QByteArray expected = cli.readAllStandardOutput();
    EXPECT_EQ(cli.exitCode(), 0);
    const std::string shown = w.editorText();
    EXPECT_EQ(shown.size(), static_cast<std::size_t>(expected.size()));
    EXPECT_TRUE(shown == std::string_view(expected.constData(), static_cast<std::size_t>(expected.size())));
}

}  // namespace
