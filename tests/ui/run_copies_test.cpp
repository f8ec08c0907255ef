// A run works on copies of the options and of the run context: the window
// may change both while the run goes on (built with ThreadSanitizer, these
// tests find any object written by one thread while another reads it), and
// the run's state comes back when it ends.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "batch_window.h"
#include "editor_widget.h"
#include "main_window.h"
#include "quick_bars.h"
#include "run_controller.h"
#include "text/codec.h"
#include "text/file_io.h"
#include "ui_support.h"
#include "worker.h"

namespace {

using folvane::text::gb;

class RunCopiesTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.startUp(w);
        w.show();
        w.runContext().signature.headSignatureTemplate = gb("首签");
        w.runContext().signature.signatureEnabled = false;
    }
    // Everything the window lets a user change while a run goes on.
    void changeEverythingDuringTheRun() {
        Q_EMIT upperBarOf(w)->signaturesClicked();      // the signature switch
        w.runContext().signature.tailSignatureTemplate = gb("尾签");  // as the signature window does
        lowerBarOf(w)->copyAfter->click();              // a quick bar switch
        upperBarOf(w)->noiseFix->click();
        w.options().fixQuotes = !w.options().fixQuotes;  // as the options window does
    }
    FolvaneApp app;
    MainWin w{app};
    IsolatedSettings settings;
};

TEST_F(RunCopiesTest, EditorRunKeepsTheSwitchesItStartedWith) {
    QString big;
    for (int i = 0; i < 20000; ++i) big += QStringLiteral("第%1行说\"好\"\n").arg(i);
    editorOf(w)->setPlainText(big);
    int finished = 0;
    QObject::connect(&w, &MainWin::typesettingFinished, [&] { ++finished; });
    w.action(Command::Run)->trigger();
    ASSERT_TRUE(w.running());
    changeEverythingDuringTheRun();
    ASSERT_TRUE(waitUntil([&] { return finished == 1 && !app.worker().busy(); }, 120000));

    // The run typeset with the switches of its start: no signature, quotes
    // as they were, no copy.
    const QString first = editorOf(w)->toPlainText();
    EXPECT_TRUE(first.startsWith(QStringLiteral("　　第0行说\"好\"")));
    EXPECT_FALSE(first.contains(QStringLiteral("首签")));
    // The window's changes stay; the run's state came back.
    EXPECT_TRUE(w.runContext().signature.signatureEnabled);
    EXPECT_EQ(w.runContext().signature.tailSignatureTemplate, gb("尾签"));
    EXPECT_TRUE(w.options().copyAfter);
    EXPECT_TRUE(upperBarOf(w)->signatures->isChecked());

    // The next run takes them: both signatures, which the run after it
    // takes off again before adding its own.
    editorOf(w)->setPlainText(QStringLiteral("甲"));
    w.action(Command::Run)->trigger();
    ASSERT_TRUE(waitUntil([&] { return finished == 2 && !app.worker().busy(); }));
    const QString second = editorOf(w)->toPlainText();
    EXPECT_TRUE(second.startsWith(QStringLiteral("首签"))) << second.toStdString();
    EXPECT_TRUE(second.endsWith(QStringLiteral("尾签"))) << second.toStdString();
    EXPECT_EQ(w.runContext().signature.lastHeadSignature, gb("首签"));
    w.action(Command::Run)->trigger();
    ASSERT_TRUE(waitUntil([&] { return finished == 3 && !app.worker().busy(); }));
    EXPECT_EQ(editorOf(w)->toPlainText(), second);
}

TEST_F(RunCopiesTest, BatchRunWhileTheWindowChangesSwitchesAndSignatures) {
    QTemporaryDir dir;
    QStringList inputs;
    std::string article;
    for (int i = 0; i < 3000; ++i) article += gb("一行说\"话\"\r\n");
    for (int i = 0; i < 6; ++i) {
        const QString path = dir.filePath(QStringLiteral("f%1.txt").arg(i));
        ASSERT_TRUE(folvane::text::writeFileAtomically(path.toStdString(), article));
        inputs << path;
    }
    QStringList messages;
    w.setBatchServicesAdjustment([&](BatchWindow::Services& s) {
        s.message = [&](QWidget*, QMessageBox::Icon, const QString&, const QString& text) { messages << text; };
        s.defaultFolder = dir.filePath(QStringLiteral("out"));
    });
    w.action(Command::Batch)->trigger();
    BatchWindow* b = w.batchWindow();
    ASSERT_NE(b, nullptr);
    b->addPaths(inputs, folvane::batch::PathSource::Drop);
    QTest::mouseClick(child<QPushButton>(*b, QStringLiteral("start")), Qt::LeftButton);
    ASSERT_TRUE(b->running());
    // Between the files and while one is typeset, the window changes what
    // the next file starts with.
    int changes = 0;
    ASSERT_TRUE(waitUntil(
        [&] {
            if (b->running() && changes < 40) {
                changeEverythingDuringTheRun();
                ++changes;
            }
            return !b->running();
        },
        120000));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("恭喜！转换任务顺利完成！")));
    for (int i = 0; i < 6; ++i) {
        std::string out;
        ASSERT_TRUE(folvane::text::readFile(dir.filePath(QStringLiteral("out/f%1.txt").arg(i)).toStdString(), out));
        EXPECT_NE(out.find(gb("一行说")), std::string::npos) << i;
    }
    EXPECT_TRUE(b->close());
    ASSERT_TRUE(waitUntil([&] { return w.batchWindow() == nullptr; }));
}

}  // namespace
