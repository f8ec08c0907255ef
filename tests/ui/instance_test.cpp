// One program per user and display: the command line, the request as it
// travels, and later starts of the real program handing their requests to a
// window in this process (or to a real program started by the test).
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>

#include "editor_widget.h"
#include "instance_link.h"
#include "main_window.h"
#include "program_request.h"
#include "ui_support.h"

namespace {

using Action = ProgramRequest::Action;

constexpr int kWait = 60000;

TEST(ProgramArguments, WhatTheCommandLineAsksFor) {
    struct Case {
        QStringList args;
        Action action;
        QString file;
        bool help;
        bool error;
    };
    const Case cases[] = {
        {{}, Action::Show, {}, false, false},
        {{QStringLiteral("a.txt")}, Action::Open, QStringLiteral("a.txt"), false, false},
        // A path that a launcher split at its spaces comes together again.
        {{QStringLiteral("my"), QStringLiteral("notes.txt")}, Action::Open, QStringLiteral("my notes.txt"), false, false},
        {{QStringLiteral("--"), QStringLiteral("--quit")}, Action::Open, QStringLiteral("--quit"), false, false},
        {{QStringLiteral("-")}, Action::Open, QStringLiteral("-"), false, false},
        {{QStringLiteral("--typeset-clipboard")}, Action::TypesetClipboard, {}, false, false},
        {{QStringLiteral("--show-hide")}, Action::ShowHide, {}, false, false},
        {{QStringLiteral("--quit"), QStringLiteral("--quit")}, Action::Quit, {}, false, false},
        {{QStringLiteral("--help")}, Action::Show, {}, true, false},
        {{QStringLiteral("-h"), QStringLiteral("--quit")}, Action::Quit, {}, true, false},
        {{QStringLiteral("--bogus")}, Action::Show, {}, false, true},
        {{QStringLiteral("-x"), QStringLiteral("a.txt")}, Action::Show, {}, false, true},
        {{QStringLiteral("--quit"), QStringLiteral("--show-hide")}, Action::Quit, {}, false, true},
        {{QStringLiteral("--quit"), QStringLiteral("a.txt")}, Action::Quit, {}, false, true},
    };
    for (const Case& c : cases) {
        const ParsedArguments p = parseProgramArguments(c.args);
        const std::string name = c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(!p.error.isEmpty(), c.error) << name;
        if (c.error) continue;
        EXPECT_EQ(p.request.action, c.action) << name;
        EXPECT_EQ(p.request.file, c.file) << name;
        EXPECT_EQ(p.help, c.help) << name;
    }
    EXPECT_TRUE(parseProgramArguments({QStringLiteral("--bogus")}).error.contains(QStringLiteral("--bogus")));
    for (const char* option : {"--typeset-clipboard", "--show-hide", "--quit", "--help"})
        EXPECT_TRUE(programHelpText().contains(QLatin1String(option))) << option;
}

TEST(ProgramRequestMessage, RoundTripsAndRefusesWhatIsNotARequest) {
    for (const ProgramRequest& r : {ProgramRequest{Action::Open, QStringLiteral("/tmp/文章 1.txt")},
                                    ProgramRequest{Action::Quit, {}}, ProgramRequest{Action::Show, {}}}) {
        const auto back = decodeRequest(encodeRequest(r));
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, r);
    }
    const QByteArray whole = encodeRequest({Action::Open, QStringLiteral("/a")});
    QByteArray badAction = whole;
    badAction[4] = 99;
    QByteArray tooLong;
    {
        QDataStream out(&tooLong, QIODevice::WriteOnly);
        out << quint32(0x46565231) << quint8(2) << quint32(kMaxRequestBytes + 1);
    }
    struct Case {
        const char* name;
        QByteArray bytes;
        RequestRead expected;
    };
    const Case cases[] = {
        {"empty", {}, RequestRead::Incomplete},
        {"cut short", whole.left(whole.size() - 1), RequestRead::Incomplete},
        {"another program's bytes", QByteArrayLiteral("GET / HTTP/1.1\r\n\r\n"), RequestRead::Invalid},
        {"unknown action", badAction, RequestRead::Invalid},
        {"a path longer than any", tooLong, RequestRead::Invalid},
    };
    for (const Case& c : cases) {
        QDataStream in(c.bytes);
        ProgramRequest r;
        EXPECT_EQ(readRequest(in, r), c.expected) << c.name;
    }
    EXPECT_FALSE(decodeRequest(whole + "x"));  // trailing bytes
}

// The real program, run as a second start: it reaches the window of this
// process through the socket that a runtime directory of the test's own
// holds (the environment is inherited).
class SecondStart : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        runtime = dir.filePath(QStringLiteral("run"));
        ASSERT_TRUE(QDir().mkpath(runtime));
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
        program = dir.filePath(QStringLiteral("folvane"));  // its settings stay beside it
        ASSERT_TRUE(QFile::copy(QStringLiteral(FOLVANE_PROGRAM_PATH), program));
    }
    void TearDown() override { qputenv("XDG_RUNTIME_DIR", savedRuntime); }

    // This process becomes the running program, with its window.
    void serve() {
        link = std::make_unique<InstanceLink>(InstanceLink::defaultSocketPath());
        ASSERT_EQ(link->claim({}), InstanceLink::Claim::Primary) << link->error().toStdString();
        QObject::connect(link.get(), &InstanceLink::requested, &w, &MainWin::carryOut);
        w.show();
        settings.startUp(w);
    }
    // Runs the program with `args` while this process keeps serving; its
    // exit code (-1: it did not end).
    int run(const QStringList& args, QString* errors = nullptr, const QString& workingDir = {}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        if (!workingDir.isEmpty()) p.setWorkingDirectory(workingDir);
        p.start(program, args);
        if (!p.waitForStarted(kWait)) return -1;
        if (!waitUntil([&] { return p.state() == QProcess::NotRunning; }, kWait)) {
            p.kill();
            p.waitForFinished();
            return -1;
        }
        if (errors) *errors = QString::fromLocal8Bit(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    QTemporaryDir dir;
    QString runtime, program;
    QByteArray savedRuntime;
    FolvaneApp app;
    MainWin w{app};
    ScriptedDocumentDialogs dialogs{w.documents()};
    IsolatedSettings settings;
    std::unique_ptr<InstanceLink> link;
};

TEST_F(SecondStart, UsageErrorsAndHelpNeedNoRunningProgram) {
    QString errors;
    EXPECT_EQ(run({QStringLiteral("--bogus")}, &errors), 2);
    EXPECT_TRUE(errors.contains(QStringLiteral("--bogus"))) << errors.toStdString();
    EXPECT_EQ(run({QStringLiteral("--help")}), 0);
    // Nothing runs: --quit has nothing to end and starts nothing itself.
    EXPECT_EQ(run({QStringLiteral("--quit")}), 0);
    EXPECT_FALSE(QFile::exists(InstanceLink::defaultSocketPath()));
}

TEST_F(SecondStart, AFileOpensInTheRunningWindowAfterTheSaveQuestion) {
    ASSERT_NO_FATAL_FAILURE(serve());
    QFile f(dir.filePath(QStringLiteral("文章 一.txt")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("abc");
    f.close();
    editorOf(w)->insertPlainText(QStringLiteral("草稿"));
    dialogs.answer(folvane::editor::SaveAnswer::No);
    // Named relative to the second start's own directory, with the space
    // splitting it into two words.
    EXPECT_EQ(run({QStringLiteral("文章"), QStringLiteral("一.txt")}, nullptr, dir.path()), 0);
    ASSERT_TRUE(waitUntil([&] { return editorOf(w)->toPlainText() == QStringLiteral("abc"); }, kWait));
    ASSERT_EQ(dialogs.asked().size(), 1u);
    EXPECT_EQ(dialogs.last().title, QStringLiteral("打开前保存确认"));
    EXPECT_TRUE(w.windowTitle().startsWith(QStringLiteral("文章 一.txt - ")));
}

TEST_F(SecondStart, ActionsReachTheRunningWindow) {
    ASSERT_NO_FATAL_FAILURE(serve());
    app.hotKeys() = {};  // no key could be grabbed here: the request works anyway
    w.app().windowState().set(folvane::settings::WindowFlag::OneClick, true);
    QApplication::clipboard()->setText(QStringLiteral("甲行\n乙行"));
    EXPECT_EQ(run({QStringLiteral("--typeset-clipboard")}), 0);
    EXPECT_TRUE(waitUntil([&] { return editorOf(w)->toPlainText() == QStringLiteral("　　甲行\n　　乙行"); }, kWait));
    ASSERT_TRUE(waitUntil([&] { return !w.running(); }, kWait));
    EXPECT_EQ(run({QStringLiteral("--show-hide")}), 0);
    EXPECT_TRUE(waitUntil([&] { return !w.isVisible(); }, kWait));
    EXPECT_EQ(run({}), 0);  // started again from the menu: the window comes back
    EXPECT_TRUE(waitUntil([&] { return w.isVisible(); }, kWait));
    dialogs.answer(folvane::editor::SaveAnswer::No);  // the typeset text is unsaved
    EXPECT_EQ(run({QStringLiteral("--quit")}), 0);
    EXPECT_TRUE(waitUntil([&] { return !w.isVisible(); }, kWait));
}

// A program killed outright leaves its socket file behind; the next start
// finds nobody answering there and serves in its place.
TEST_F(SecondStart, AStaleSocketOfAKilledProgramIsReplaced) {
    QProcess first;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    first.setProcessEnvironment(env);
    first.start(program, {});
    ASSERT_TRUE(first.waitForStarted(kWait));
    const QString socket = InstanceLink::defaultSocketPath();
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(socket); }, kWait));
    ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
    ASSERT_TRUE(first.waitForFinished(kWait));
    ASSERT_TRUE(QFile::exists(socket));
    ASSERT_NO_FATAL_FAILURE(serve());
    EXPECT_EQ(run({QStringLiteral("--show-hide")}), 0);
    EXPECT_TRUE(waitUntil([&] { return !w.isVisible(); }, kWait));
}

}  // namespace
