// Ending the program by a signal (kill, Ctrl+C, the end of the session): the
// real program closes as "退出" does; the window closes without questions.
#include <gtest/gtest.h>

#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QDir>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <QTimer>
#include <sys/stat.h>
#include <csignal>
#include <signal.h>

#include "batch_window.h"
#include "editor_widget.h"
#include "gbtext.h"
#include "main_window.h"
#include "platform/termination_signals.h"
#include "settings/ini_store.h"
#include "text/file_io.h"
#include "ui_support.h"

namespace {

using folvane::testing::g;

// How long to wait at most for the program: far beyond what it needs, so
// that a busy machine never fails a test.
constexpr int kWait = 60000;

std::string stored(const std::string& path, const char* key) {
    folvane::settings::IniStore store(path, "folvane");
    return store.readText(g(key), "<absent>");
}

std::string fileBytes(const QString& path) {
    std::string b;
    folvane::text::readFile(path.toStdString(), b);
    return b;
}

void (*currentHandler(int signalNumber))(int) {
    struct sigaction sa{};
    ::sigaction(signalNumber, nullptr, &sa);
    return sa.sa_handler;
}

// ------------------------------------------------------------- the program

// A copy of the program in a folder of its own: the folder is writable, so
// its settings file is the one beside it, never the user's.
class Program : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        program = dir.filePath(QStringLiteral("folvane"));
        config = dir.filePath(QStringLiteral("config.ini")).toStdString();
        ASSERT_TRUE(QFile::copy(QStringLiteral(FOLVANE_PROGRAM_PATH), program));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("xdg")));
        // A socket of its own: another program running would take the start over.
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("run")));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }
    // Starts the program and waits for its start-up: the start counter it
    // then writes, `startCount`, is the sign (before it, a signal would have
    // its default effect; after it, the signal waits for the event loop).
    void start(const char* startCount) {
        process.start(program, {});
        ASSERT_TRUE(process.waitForStarted(kWait));
        ASSERT_TRUE(waitUntil([&] { return stored(config, "CONFIG1") == startCount; }, kWait))
            << "not started: " << stored(config, "CONFIG1");
    }
    // Sends `signalNumber`; the program must then end normally with 0.
    void endWith(int signalNumber) {
        ASSERT_EQ(::kill(static_cast<pid_t>(process.processId()), signalNumber), 0);
        ASSERT_TRUE(process.waitForFinished(kWait));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << signalNumber;
        EXPECT_EQ(process.exitCode(), 0) << signalNumber;
    }

    QTemporaryDir dir;
    QString program;
    std::string config;
    QProcess process;
};

TEST_F(Program, EachTerminationSignalSavesTheSettings) {
    for (const int s : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(s);
        ASSERT_TRUE(!QFile::exists(QString::fromStdString(config)) || QFile::remove(QString::fromStdString(config)));
        start("1");
        endWith(s);
        // The whole record of a first start, not only the start counter.
        EXPECT_EQ(stored(config, "版本"), "3.0.7");
        EXPECT_EQ(stored(config, "CONFIG1"), "1");
        for (const char* key : {"显示导航按钮", "显示功能快捷栏上", "显示功能快捷栏下", "升级提示"})
            EXPECT_EQ(stored(config, key), "1") << key;
        EXPECT_EQ(stored(config, "置顶"), "0");
        EXPECT_NE(stored(config, "窗口宽度"), "<absent>");
    }
}

// A message box of the start-up ("打开" of a file named on the command
// line) is open when the signal comes: the program still ends, with its
// settings saved.
TEST_F(Program, ASignalEndsTheProgramWhileAStartUpMessageIsOpen) {
    const QString folder = dir.filePath(QStringLiteral("a folder"));
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const QString& named : {dir.filePath(QStringLiteral("missing.txt")), folder}) {
        SCOPED_TRACE(named.toStdString());
        QFile::remove(QString::fromStdString(config));
        process.start(program, {named});
        ASSERT_TRUE(process.waitForStarted(kWait));
        ASSERT_TRUE(waitUntil([&] { return stored(config, "CONFIG1") == "1"; }, kWait));
        endWith(SIGTERM);
        EXPECT_EQ(stored(config, "版本"), "3.0.7");
        EXPECT_NE(stored(config, "窗口宽度"), "<absent>");
    }
}

// "folvane --quit" while a message box of the start-up is open ends the
// program as "退出" does, its settings saved: no process without a window
// stays behind holding the single-instance socket.
TEST_F(Program, AQuitEndsTheProgramWhileAStartUpMessageIsOpen) {
    process.start(program, {dir.filePath(QStringLiteral("missing.txt"))});
    ASSERT_TRUE(process.waitForStarted(kWait));
    ASSERT_TRUE(waitUntil([&] { return stored(config, "CONFIG1") == "1"; }, kWait));
    QProcess quit;
    quit.setProcessEnvironment(process.processEnvironment());
    quit.start(program, {QStringLiteral("--quit")});
    ASSERT_TRUE(quit.waitForFinished(kWait));
    EXPECT_EQ(quit.exitCode(), 0);
    ASSERT_TRUE(process.waitForFinished(kWait)) << "the program went on after --quit";
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_NE(stored(config, "窗口宽度"), "<absent>");
}

TEST_F(Program, TheNextStartKeepsTheSettingsAStoppedOneSaved) {
    start("1");
    endWith(SIGTERM);
    start("2");
    endWith(SIGTERM);
    EXPECT_EQ(stored(config, "CONFIG1"), "2");
    EXPECT_EQ(stored(config, "显示功能快捷栏上"), "1");
}

// --------------------------------------------------------------- the window

class UnattendedExit : public ::testing::Test {
protected:
    void SetUp() override {
        w.show();
        settings.startUp(w);
        file = settings.dir() + QStringLiteral("/文章.txt");
        ASSERT_TRUE(folvane::text::writeFileAtomically(file.toStdString(), g("原文")));
        ASSERT_TRUE(w.openFile(file));
        editorOf(w)->selectAll();
        editorOf(w)->insertPlainText(QStringLiteral("改过的文字"));
        w.action(Command::AlwaysOnTop)->trigger();
    }
    FolvaneApp app;
    MainWin w{app};
    IsolatedSettings settings;
    QString file;
};

TEST_F(UnattendedExit, AChangedDocumentIsLeftAloneAndTheSettingsAreSaved) {
    ScriptedDocumentDialogs dialogs{w};  // any question fails the test
    w.exitUnattended();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(dialogs.asked().empty());
    EXPECT_EQ(fileBytes(file), g("原文"));
    EXPECT_EQ(stored(settings.path(), "置顶"), "1");
}

TEST_F(UnattendedExit, EndsAQuestionThatIsOpenAndTheCloseGoesOn) {
    // "退出" asks whether to save; the signal comes while it is on the screen.
    QString asked;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            asked = box->text();
            poll.stop();
            w.exitUnattended();
        }
    });
    poll.start();
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(asked.isEmpty());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(fileBytes(file), g("原文"));
    EXPECT_EQ(stored(settings.path(), "置顶"), "1");
}

TEST(BatchWindowOpen, AnUnattendedExitClosesBothWindows) {
    // The main window is hidden meanwhile; both go, and the settings are saved.
    IsolatedSettings settings;
    {
        FolvaneApp app;
        MainWin w{app};
        w.show();
        settings.startUp(w);
        w.action(Command::AlwaysOnTop)->trigger();
        w.openBatchWindow();
        ASSERT_NE(w.batchWindow(), nullptr);
        ASSERT_FALSE(w.isVisible());
        w.exitUnattended();
        EXPECT_FALSE(w.isVisible());
    }
    EXPECT_EQ(stored(settings.path(), "置顶"), "1");
}

// -------------------------------------------------------------- the signals

TEST(TerminationSignals, ASignalBecomesOneRequestAndTheOldHandlersReturn) {
    TerminationSignals signals;
    ASSERT_TRUE(signals.installed());
    QSignalSpy spy(&signals, &TerminationSignals::terminationRequested);
    ASSERT_NE(currentHandler(SIGHUP), SIG_DFL);
    ::raise(SIGHUP);
    ASSERT_TRUE(waitUntil([&] { return spy.count() == 1; }, kWait));
    EXPECT_EQ(spy.at(0).at(0).toInt(), SIGHUP);
    // Once the request is made, a further signal has its usual effect.
    for (const int s : {SIGTERM, SIGINT, SIGHUP}) EXPECT_EQ(currentHandler(s), SIG_DFL) << s;
}

TEST(TerminationSignals, AnIgnoredSignalStaysIgnored) {
    // As under nohup: the one who started the program asked for it.
    struct sigaction ignore{}, before{};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(::sigaction(SIGHUP, &ignore, &before), 0);
    {
        TerminationSignals signals;
        EXPECT_EQ(currentHandler(SIGHUP), SIG_IGN);
        EXPECT_NE(currentHandler(SIGTERM), SIG_DFL);
    }
    EXPECT_EQ(currentHandler(SIGTERM), SIG_DFL);
    EXPECT_EQ(currentHandler(SIGHUP), SIG_IGN);
    ::sigaction(SIGHUP, &before, nullptr);
}


// A settings file that is a FIFO is no settings file: the window starts
// with the defaults and closes without waiting for a writer, and the FIFO
// stays.
TEST(SettingsFile, ThatIsNoRegularFileIsUnreadable) {
    IsolatedSettings settings;
    ASSERT_EQ(::mkfifo(settings.path().c_str(), 0600), 0);
    FolvaneApp app;
    MainWin w{app};
    w.show();
    settings.startUp(w);
    EXPECT_TRUE(w.action(Command::ShowUpperBar)->isChecked());  // the default
    w.exitUnattended();
    struct stat st{};
    ASSERT_EQ(::stat(settings.path().c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// ------------------------------------------------------ a batch run ending

// A real termination signal reaches the window through TerminationSignals as
// in the program, and must end the program's event loop whatever window is
// open. (Last in the file: once the application's loop has been ended, nested
// loops of later tests in the same process would return at once.)
class BatchRunEnding : public ::testing::Test {
protected:
    void SetUp() override {
        w.show();
        settings.startUp(w);
        w.action(Command::AlwaysOnTop)->trigger();  // a setting that must reach config.ini
        ASSERT_TRUE(signals.installed());
        QObject::connect(&signals, &TerminationSignals::terminationRequested, &w, &MainWin::endOnTermination);
        out = std::filesystem::path(settings.dir().toStdString()) / "out";
        w.setBatchServicesAdjustment([this](BatchWindow::Services& s) {
            s.defaultFolder = QString::fromStdString(out.string());
        });
    }
    // `count` articles of about `bytes` each, named 00.txt, 01.txt, ….
    QStringList articles(int count, std::size_t bytes) {
        std::string text;
        while (text.size() < bytes) text += g("这是一篇被截断的文章\r\n第二行接着写\r\n\r\n");
        QStringList paths;
        for (int i = 0; i < count; ++i) {
            const QString path = settings.dir() + QStringLiteral("/%1.txt").arg(i, 2, 10, QLatin1Char('0'));
            EXPECT_TRUE(folvane::text::writeFileAtomically(path.toStdString(), text));
            paths << path;
        }
        return paths;
    }
    // Starts the batch run of `paths` and turns the event loop until the
    // signal has ended it (a loop that never ends fails the test).
    void runUntilEnded(const QStringList& paths) {
        w.action(Command::Batch)->trigger();
        BatchWindow* b = w.batchWindow();
        ASSERT_NE(b, nullptr);
        b->addPaths(paths, folvane::batch::PathSource::Drop);
        QTimer::singleShot(0, b, [b] { QTest::mouseClick(child<QPushButton>(*b, QStringLiteral("start")), Qt::LeftButton); });
        // A signal that goes astray must not hang the test: the loop is
        // then ended by force, modal windows first.
        QTimer giveUp;
        giveUp.setSingleShot(true);
        QObject::connect(&giveUp, &QTimer::timeout, [] {
            while (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) modal->reject();
            QCoreApplication::exit(1);
        });
        giveUp.start(kWait);
        ASSERT_EQ(QApplication::exec(), 0) << "the signal did not end the event loop";
    }
    std::vector<std::string> outputs(bool temporaries) const {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(out, ec)) {
            const std::string name = entry.path().filename().string();
            if ((name.rfind(".folvane-", 0) == 0) == temporaries) names.push_back(name);
        }
        return names;
    }

    FolvaneApp app;
    MainWin w{app};
    IsolatedSettings settings;
    TerminationSignals signals;
    std::filesystem::path out;
};

// Found by this test: the signal closed the main window, but the quit that
// followed was refused by the batch window, and the run went on to the end.
TEST_F(BatchRunEnding, ASignalStopsTheRunBetweenFiles) {
    const QStringList paths = articles(20, 3 << 20);
    // The signal comes as soon as the first file is done.
    bool sent = false;
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!sent && !outputs(false).empty()) {
            sent = true;
            ::raise(SIGTERM);
        }
    });
    watch.start();
    runUntilEnded(paths);
    ASSERT_TRUE(sent);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(stored(settings.path(), "置顶"), "1");
    // The file being written when the signal came is finished; no further
    // one is begun, and no temporary file stays.
    EXPECT_EQ(outputs(true), std::vector<std::string>{});
    const auto written = outputs(false);
    EXPECT_GE(written.size(), 1u);
    EXPECT_LT(written.size(), 20u);
    std::string first, each;
    ASSERT_TRUE(folvane::text::readFile((out / written.front()).string(), first));
    for (const auto& name : written) {
        ASSERT_TRUE(folvane::text::readFile((out / name).string(), each));
        EXPECT_EQ(each, first) << name << " is not whole";
    }
}

TEST_F(BatchRunEnding, ASignalClosesTheFinalMessage) {
    QString shown;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (shown.isEmpty() && box) {
            shown = box->windowTitle();
            ::raise(SIGTERM);
        }
    });
    watch.start();
    runUntilEnded(articles(2, 1000));
    EXPECT_EQ(shown, QStringLiteral("完成"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(outputs(false).size(), 2u);
    EXPECT_EQ(stored(settings.path(), "置顶"), "1");
}

}  // namespace
