// The options and batch windows opened from the main window's menu, on the
// application object: the quick bars follow "确定", the main window hides
// while the batch window exists, and a batch run goes through the one worker.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "batch_window.h"
#include "gbtext.h"
#include "main_window.h"
#include "options_window.h"
#include "quick_bars.h"
#include "run_controller.h"
#include "text/file_io.h"
#include "ui_support.h"
#include "worker.h"

namespace {

namespace fs = std::filesystem;
using folvane::engine::TypesetOptions;

// Runs `fn` on the options window as soon as it shows (it is modal).
void whenOptionsWindowShows(std::function<void(OptionsWindow&)> fn) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, fn] {
        auto* w = qobject_cast<OptionsWindow*>(QApplication::activeModalWidget());
        if (!w) return;
        timer->stop();
        timer->deleteLater();
        fn(*w);
    });
    timer->start();
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.startUp(w);
        w.show();
    }
    FolvaneApp app;
    MainWin w{app};
    IsolatedSettings settings;
};

TEST_F(ProgramTest, OptionsWindowFromTheMenu) {
    struct Case {
        const char* name;
        std::function<void(OptionsWindow&)> steps;
        std::function<void(TypesetOptions&)> expectChange;
    };
    const Case cases[] = {
        {"confirm: options and quick bars follow",
         [](OptionsWindow& o) {
             child<QAbstractButton>(o, QStringLiteral("addIndent"))->click();
             child<QAbstractButton>(o, QStringLiteral("joinBreaks"))->click();
             child<QAbstractButton>(o, QStringLiteral("script1"))->click();
             child<QPushButton>(o, QStringLiteral("ok"))->click();
         },
         [](TypesetOptions& t) { t.addIndent = false, t.joinNonParagraphBreaks = true, t.toTraditional = true; }},
        {"cancel changes nothing",
         [](OptionsWindow& o) {
             child<QAbstractButton>(o, QStringLiteral("addIndent"))->click();
             child<QPushButton>(o, QStringLiteral("cancel"))->click();
         },
         [](TypesetOptions&) {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        app.options() = TypesetOptions::defaults();
        app.notifyOptionsChanged();
        TypesetOptions expected = app.options();
        c.expectChange(expected);
        whenOptionsWindowShows(c.steps);
        w.action(Command::Options)->trigger();
        EXPECT_EQ(app.options(), expected);
        EXPECT_EQ(upperBarOf(w)->indent->isChecked(), expected.addIndent);
        EXPECT_EQ(upperBarOf(w)->joinBreaks->isChecked(), expected.joinNonParagraphBreaks);
    }
}

TEST_F(ProgramTest, RestoredDefaultsStayAfterCancel) {
    app.options().fixQuotes = true;
    app.options().addIndent = false;
    app.notifyOptionsChanged();
    whenOptionsWindowShows([](OptionsWindow& o) {
        MessageBoxAnswer* yes = new MessageBoxAnswer(QMessageBox::Yes);
        QTest::mouseClick(child<QWidget>(o, QStringLiteral("restoreLink")), Qt::LeftButton);
        EXPECT_EQ(yes->title, QStringLiteral("恢复确认"));
        EXPECT_EQ(yes->text, QStringLiteral("此操作不能撤消，要恢复默认吗？"));
        delete yes;
        child<QPushButton>(o, QStringLiteral("cancel"))->click();
    });
    w.action(Command::Options)->trigger();
    EXPECT_EQ(app.options(), TypesetOptions::defaults());
    EXPECT_TRUE(upperBarOf(w)->indent->isChecked());
}

TEST_F(ProgramTest, BatchWindowHidesTheMainWindowAndRunsOnTheWorker) {
    QTemporaryDir dir;
    const std::string in = dir.filePath(QStringLiteral("a.html")).toStdString();
    ASSERT_TRUE(folvane::text::writeFileAtomically(in, "<p>x</p>"));
    QStringList messages;
    int optionsOpened = 0;
    w.setBatchServicesAdjustment([&](BatchWindow::Services& s) {
        s.message = [&](QWidget*, QMessageBox::Icon, const QString&, const QString& text) { messages << text; };
        s.defaultFolder = dir.filePath(QStringLiteral("out"));
        auto open = s.openOptions;
        s.openOptions = [&, open](QWidget* parent) {
            ++optionsOpened;
            whenOptionsWindowShows([](OptionsWindow& o) {
                child<QAbstractButton>(o, QStringLiteral("addIndent"))->click();  // off for the run that follows
                child<QPushButton>(o, QStringLiteral("ok"))->click();
            });
            open(parent);
        };
    });
    w.action(Command::Batch)->trigger();
    BatchWindow* b = w.batchWindow();
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(b->isVisible());
    EXPECT_FALSE(w.isVisible());
    w.action(Command::Batch)->trigger();  // the same window again
    EXPECT_EQ(w.batchWindow(), b);

    QTest::mouseClick(child<QPushButton>(*b, QStringLiteral("options")), Qt::LeftButton);
    EXPECT_EQ(optionsOpened, 1);
    EXPECT_FALSE(app.options().addIndent);

    b->addPaths({QString::fromStdString(in)}, folvane::batch::PathSource::Drop);
    QTest::mouseClick(child<QPushButton>(*b, QStringLiteral("start")), Qt::LeftButton);
    EXPECT_TRUE(app.runs().running() || app.worker().busy());
    EXPECT_FALSE(b->close());  // refused while the run goes on
    ASSERT_TRUE(waitUntil([&] { return !b->running(); }, 60000));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("恭喜！转换任务顺利完成！\n总共转换 1 个文件")));
    std::string out;
    ASSERT_TRUE(folvane::text::readFile(dir.filePath(QStringLiteral("out/a.txt")).toStdString(), out));
    EXPECT_EQ(out, "x");  // typeset with addIndent off, as set from the batch window
    EXPECT_FALSE(app.runs().running());

    EXPECT_TRUE(b->close());
    ASSERT_TRUE(waitUntil([&] { return w.batchWindow() == nullptr; }));
    EXPECT_TRUE(w.isVisible());
}

}  // namespace
