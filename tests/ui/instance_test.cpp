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
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <memory>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "editor_widget.h"
#include "instance_link.h"
#include "folvane_version.h"
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
    EXPECT_TRUE(parseProgramArguments({QStringLiteral("--version")}).version);
    EXPECT_FALSE(parseProgramArguments({QStringLiteral("--help")}).version);
    for (const char* option : {"--typeset-clipboard", "--show-hide", "--quit", "--help", "--version"})
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
    QProcess version;
    version.start(program, {QStringLiteral("--version")});
    ASSERT_TRUE(version.waitForFinished(kWait));
    EXPECT_EQ(version.exitCode(), 0);
    EXPECT_EQ(version.readAllStandardOutput(), QByteArray("folvane " FOLVANE_VERSION "\n"));
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

// A second "--quit" while the first one's question ("关闭确认") is open
// waits for its answer: the question is not asked twice, and cancelling it
// keeps the window and its edit.
TEST_F(SecondStart, ASecondQuitWaitsForTheOpenQuestion) {
    ASSERT_NO_FATAL_FAILURE(serve());
    editorOf(w)->insertPlainText(QStringLiteral("未保存的改动"));
    int asked = 0, secondQuit = -1;
    auto d = w.documents().dialogs();
    d.askToSave = [&](const QString& title, const QString&) {
        EXPECT_EQ(title, QStringLiteral("关闭确认"));
        if (++asked == 1) secondQuit = run({QStringLiteral("--quit")});  // while this question is open
        return folvane::editor::SaveAnswer::Cancel;
    };
    w.documents().setDialogs(d);
    EXPECT_EQ(run({QStringLiteral("--quit")}), 0);
    ASSERT_TRUE(waitUntil([&] { return asked >= 1 && secondQuit != -1; }, kWait));
    QCoreApplication::processEvents();
    EXPECT_EQ(secondQuit, 0);  // the request was taken
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(editorOf(w)->toPlainText(), QStringLiteral("未保存的改动"));
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

// A lock left by a program killed while it held it (between asking and
// listening) is taken over: the next start serves.
TEST_F(SecondStart, AStaleLockOfAKilledProgramIsTakenOver) {
    const QString lockPath = InstanceLink::defaultSocketPath() + QStringLiteral(".lock");
    const pid_t child = ::fork();
    if (child == 0) {
        QLockFile lock(lockPath);
        ::_exit(lock.tryLock(0) ? 0 : 1);  // ends holding it
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(QFile::exists(lockPath));
    serve();
    if (!HasFatalFailure()) {
        EXPECT_EQ(run({QStringLiteral("--show-hide")}), 0);
        EXPECT_TRUE(waitUntil([&] { return !w.isVisible(); }, kWait));
    }
}

// Starts at the same moment: one of them serves, every other hands it its
// request and ends with status 0. (A dozen: a hundred hold up as well, but
// take gigabytes at once in a sanitizer's build.)
TEST_F(SecondStart, StartsAtOnceGiveOneProgram) {
    constexpr int kStarts = 12;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    std::vector<std::unique_ptr<QProcess>> starts;
    for (int i = 0; i < kStarts; ++i) {
        starts.push_back(std::make_unique<QProcess>());
        starts.back()->setProcessEnvironment(env);
        starts.back()->start(program, {});
    }
    auto ended = [&] {
        return static_cast<int>(std::count_if(starts.begin(), starts.end(),
                                              [](const auto& p) { return p->state() == QProcess::NotRunning; }));
    };
    EXPECT_TRUE(waitUntil([&] { return ended() >= kStarts - 1; }, kWait));
    EXPECT_EQ(ended(), kStarts - 1);
    for (const auto& p : starts) {
        if (p->state() == QProcess::NotRunning) {
            EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
        }
    }
    // The one that serves ends on a request of its own.
    EXPECT_EQ(run({QStringLiteral("--quit")}), 0);
    for (const auto& p : starts) {
        if (p->state() != QProcess::NotRunning && !p->waitForFinished(kWait)) {
            p->kill();
            p->waitForFinished();
            ADD_FAILURE() << "a program still runs after --quit";
        }
    }
}

// A socket path longer than the kernel takes: the program still finds the
// one that runs (the socket moves to a shorter path of the user's own, in
// the temporary folder, here the test's).
TEST_F(SecondStart, ALongRuntimeDirectoryStillGivesOneProgram) {
    QString longRuntime = runtime;
    while (longRuntime.size() < 160) longRuntime += QStringLiteral("/deeper-folder");
    ASSERT_TRUE(QDir().mkpath(longRuntime));
    ASSERT_EQ(::chmod(QFile::encodeName(longRuntime).constData(), 0700), 0);
    qputenv("XDG_RUNTIME_DIR", longRuntime.toLocal8Bit());
    const QByteArray savedTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(dir.path()));
    const QString path = InstanceLink::defaultSocketPath();
    EXPECT_LE(QFile::encodeName(path).size(), 107) << path.toStdString();
    EXPECT_TRUE(path.startsWith(dir.filePath(QStringLiteral("folvane-%1/").arg(::geteuid())))) << path.toStdString();
    serve();
    if (!HasFatalFailure()) {
        EXPECT_EQ(run({QStringLiteral("--show-hide")}), 0);
        EXPECT_TRUE(waitUntil([&] { return !w.isVisible(); }, kWait));
    }
    if (savedTmp.isNull()) qunsetenv("TMPDIR");
    else qputenv("TMPDIR", savedTmp);
}

// Without a runtime directory the socket is in a folder of the user's own,
// mode 0700, in the temporary folder; a runtime directory that another user
// may enter is not used.
TEST(SocketPath, OnlyInAFolderOfTheUsersOwn) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR"), savedTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(dir.path()));
    const QString own = dir.path() + QStringLiteral("/folvane-%1").arg(::geteuid());
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_TRUE(InstanceLink::defaultSocketPath().startsWith(own + QLatin1Char('/')))
        << InstanceLink::defaultSocketPath().toStdString();
    const QString open = dir.filePath(QStringLiteral("open"));
    ASSERT_TRUE(QDir().mkpath(open));
    ASSERT_EQ(::chmod(QFile::encodeName(open).constData(), 0777), 0);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(open));
    EXPECT_TRUE(InstanceLink::defaultSocketPath().startsWith(own + QLatin1Char('/')));
    {
        // The folder is made private; one that is not is refused with a message.
        InstanceLink link(InstanceLink::defaultSocketPath());
        ASSERT_EQ(link.claim({}, 2000), InstanceLink::Claim::Primary) << link.error().toStdString();
        struct stat st{};
        ASSERT_EQ(::stat(QFile::encodeName(own).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
    }
    ASSERT_EQ(::chmod(QFile::encodeName(own).constData(), 0755), 0);
    InstanceLink link(InstanceLink::defaultSocketPath());
    EXPECT_EQ(link.claim({}, 2000), InstanceLink::Claim::Failed);
    EXPECT_TRUE(link.error().contains(own)) << link.error().toStdString();
    qputenv("TMPDIR", savedTmp);
    if (savedRuntime.isNull()) qunsetenv("XDG_RUNTIME_DIR");
    else qputenv("XDG_RUNTIME_DIR", savedRuntime);
}

// A display name too long for the socket's path becomes a digest, still
// in the runtime directory and still one per display.
TEST(SocketPath, ALongDisplayNameBecomesADigestPerDisplay) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString runtime = dir.filePath(QStringLiteral("run"));
    ASSERT_TRUE(QDir().mkpath(runtime));
    ASSERT_EQ(::chmod(QFile::encodeName(runtime).constData(), 0700), 0);
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR"), savedWayland = qgetenv("WAYLAND_DISPLAY");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    auto pathFor = [](const QByteArray& display) {
        qputenv("WAYLAND_DISPLAY", display);
        return InstanceLink::defaultSocketPath();
    };
    EXPECT_EQ(pathFor("wayland-1"), runtime + QStringLiteral("/folvane-wayland-1.socket"));
    const QString one = pathFor(QByteArray(200, 'w') + "1"), two = pathFor(QByteArray(200, 'w') + "2");
    EXPECT_NE(one, two);
    for (const QString& p : {one, two}) {
        EXPECT_LE(QFile::encodeName(p).size(), 107) << p.toStdString();
        EXPECT_TRUE(p.startsWith(runtime + QLatin1Char('/'))) << p.toStdString();
    }
    if (savedRuntime.isNull()) qunsetenv("XDG_RUNTIME_DIR");
    else qputenv("XDG_RUNTIME_DIR", savedRuntime);
    if (savedWayland.isNull()) qunsetenv("WAYLAND_DISPLAY");
    else qputenv("WAYLAND_DISPLAY", savedWayland);
}

// A client of the program's socket at the level of bytes, never blocking:
// the server runs in this very thread, served while the client waits.
class RawClient {
public:
    explicit RawClient(const QString& path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        const QByteArray p = QFile::encodeName(path);
        std::memcpy(a.sun_path, p.constData(), std::min<std::size_t>(p.size(), sizeof a.sun_path - 1));
        // A full backlog refuses for now: the server takes connections as
        // its events are processed.
        for (int tries = 0; tries < 100000; ++tries) {
            if (::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 || errno == EISCONN) {
                connected_ = true;
                return;
            }
            if (errno != EAGAIN && errno != EINPROGRESS) return;
            QCoreApplication::processEvents();
        }
    }
    ~RawClient() {
        if (fd_ >= 0) ::close(fd_);
    }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool connected() const { return connected_; }
    // Sends all of `bytes`, `chunk` at a time with the server's events in
    // between; false when the server closed the connection first.
    bool send(const QByteArray& bytes, qsizetype chunk = 1 << 16) {
        for (qsizetype at = 0; at < bytes.size();) {
            const ssize_t n = ::send(fd_, bytes.constData() + at, std::min(chunk, bytes.size() - at), MSG_NOSIGNAL);
            if (n > 0) at += n;
            else if (n < 0 && errno != EAGAIN) return false;
            QCoreApplication::processEvents();
        }
        return true;
    }
    // What the server answered: 'A' the acknowledgement, 'C' it closed the
    // connection without one, 0 nothing within `ms` (a bound, never reached
    // by a sound server).
    char answer(int ms = kWait) {
        char c = 0;
        const bool done = waitUntil([&] {
            const ssize_t n = ::recv(fd_, &c, 1, 0);
            if (n == 1) return true;
            if (n == 0 || (n < 0 && errno != EAGAIN)) {
                c = 'C';
                return true;
            }
            return false;
        }, ms);
        if (!done) return 0;
        return c == '\x06' ? 'A' : c == 'C' ? 'C' : '?';
    }

private:
    int fd_ = -1;
    bool connected_ = false;
};

QByteArray requestHeader(quint32 magic, quint8 action, quint32 length) {
    QByteArray b;
    QDataStream out(&b, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << magic << action << length;
    return b;
}

// What another program of the user (or anything that reaches the socket)
// may send: malformed requests are dropped, a flood is cut off, a request
// that comes a byte at a time arrives whole, held connections block nobody;
// the program serves the next request all along.
TEST(InstanceServer, HostileClientsLeaveItServing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    InstanceLink link(dir.filePath(QStringLiteral("folvane-test.socket")));
    ASSERT_EQ(link.claim({}, 2000), InstanceLink::Claim::Primary) << link.error().toStdString();
    std::vector<ProgramRequest> received;
    QObject::connect(&link, &InstanceLink::requested, [&](const ProgramRequest& r) { received.push_back(r); });
    const QByteArray good = encodeRequest({Action::Open, QStringLiteral("/tmp/文章 1.txt")});
    auto stillServes = [&] {
        received.clear();
        RawClient c(link.socketPath());
        EXPECT_TRUE(c.connected());
        EXPECT_TRUE(c.send(good));
        EXPECT_EQ(c.answer(), 'A');
        EXPECT_TRUE(waitUntil([&] { return !received.empty(); }, kWait));
        return received.size() == 1 && received.front() == ProgramRequest{Action::Open, QStringLiteral("/tmp/文章 1.txt")};
    };

    const quint32 magic = qFromBigEndian<quint32>(reinterpret_cast<const uchar*>(good.constData()));
    struct Case {
        const char* name;
        QByteArray bytes;
        bool closedBySender;  // the client ends the connection itself, unanswered
    };
    const Case cases[] = {
        {"another program's bytes", QByteArrayLiteral("GET / HTTP/1.1\r\nHost: x\r\n\r\n"), false},
        {"a wrong magic number", requestHeader(magic + 1, 2, 0), false},
        {"action 0", requestHeader(magic, 0, 0), false},
        {"an unknown action", requestHeader(magic, 99, 0), false},
        {"the largest action", requestHeader(magic, 255, 0), false},
        {"a file longer than any", requestHeader(magic, 2, quint32(kMaxRequestBytes) + 1), false},
        {"a length of 4 GB", requestHeader(magic, 2, 0xFFFFFFFFu), false},
        {"zero bytes", {}, true},
        {"the magic alone", good.left(4), true},
        {"a header without its file", good.left(9), true},
        {"a request cut short", good.left(good.size() - 1), true},
        {"NUL bytes", QByteArray(64, '\0'), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        received.clear();
        {
            RawClient client(link.socketPath());
            ASSERT_TRUE(client.connected());
            client.send(c.bytes);
            if (!c.closedBySender) {
                EXPECT_EQ(client.answer(), 'C');
            }
        }
        EXPECT_TRUE(stillServes());
        EXPECT_EQ(received.size(), 1u);
    }

    {
        SCOPED_TRACE("a byte at a time");
        received.clear();
        RawClient slow(link.socketPath());
        ASSERT_TRUE(slow.connected());
        EXPECT_TRUE(slow.send(good, 1));
        EXPECT_EQ(slow.answer(), 'A');
        EXPECT_TRUE(waitUntil([&] { return received.size() == 1; }, kWait));
        EXPECT_EQ(received.front().file, QStringLiteral("/tmp/文章 1.txt"));
    }
    {
        SCOPED_TRACE("a flood of 10 MB");
        RawClient flood(link.socketPath());
        ASSERT_TRUE(flood.connected());
        EXPECT_FALSE(flood.send(QByteArray(10 << 20, 'x')));
        EXPECT_TRUE(stillServes());
    }
    {
        SCOPED_TRACE("held connections");
        // Each connection takes a descriptor at both ends, here in one process.
        constexpr int kWanted = 1100;
        rlimit files{};
        ::getrlimit(RLIMIT_NOFILE, &files);
        const rlimit saved = files;
        files.rlim_cur = std::max(files.rlim_cur, std::min<rlim_t>(files.rlim_max, 2 * kWanted + 256));
        ::setrlimit(RLIMIT_NOFILE, &files);
        const int held = static_cast<int>(std::min<rlim_t>(kWanted, (files.rlim_cur - 256) / 2));
        std::vector<std::unique_ptr<RawClient>> clients;
        for (int i = 0; i < held; ++i) {
            clients.push_back(std::make_unique<RawClient>(link.socketPath()));
            ASSERT_TRUE(clients.back()->connected()) << i;
            if (i % 2) clients.back()->send(good.left(5));  // half a header
        }
        EXPECT_TRUE(stillServes());
        clients.clear();
        QCoreApplication::processEvents();
        ::setrlimit(RLIMIT_NOFILE, &saved);
    }
    EXPECT_TRUE(stillServes());
}

// A second user of the system, made for one test and removed after it with
// the processes it ran for the test (root only: the tests skip otherwise).
class OtherUser {
public:
    OtherUser() {
        if (::geteuid() != 0) return;
        name_ = "folvane-test-" + std::to_string(::getpid());
        if (QProcess::execute(QStringLiteral("useradd"),
                              {QStringLiteral("--system"), QStringLiteral("--no-create-home"), QStringLiteral("--shell"),
                               QStringLiteral("/usr/sbin/nologin"), QString::fromStdString(name_)}) != 0) {
            name_.clear();
            return;
        }
        const passwd* pw = ::getpwnam(name_.c_str());
        if (!pw) return;
        uid_ = pw->pw_uid;
        gid_ = pw->pw_gid;
    }
    ~OtherUser() {
        for (const pid_t pid : children_) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        if (!name_.empty()) QProcess::execute(QStringLiteral("userdel"), {QString::fromStdString(name_)});
    }
    bool made() const { return uid_ != 0; }
    uid_t uid() const { return uid_; }

    // Listens as this user on `path` (made reachable by everyone), answers
    // each connection with the acknowledgement a program gives, and copies
    // what it is sent to the returned pipe. Returns once it listens.
    int listen(const std::string& path) {
        int out[2], ready[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(ready, O_CLOEXEC) != 0) return -1;
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::setgid(gid_) != 0 || ::setuid(uid_) != 0) ::_exit(1);
            const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
            ::unlink(addr.sun_path);
            if (::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(s, 8) != 0) ::_exit(2);
            ::chmod(addr.sun_path, 0777);
            if (::write(ready[1], "r", 1) != 1) ::_exit(3);
            for (;;) {
                const int c = ::accept(s, nullptr, nullptr);
                if (c < 0) continue;
                const char ack = '\x06';
                if (::write(c, &ack, 1) != 1) ::_exit(4);
                char buf[4096];
                for (ssize_t n; (n = ::read(c, buf, sizeof buf)) > 0;)
                    if (::write(out[1], buf, static_cast<std::size_t>(n)) != n) ::_exit(5);
                ::close(c);
            }
        }
        ::close(out[1]);
        ::close(ready[1]);
        if (pid < 0) return -1;
        children_.push_back(pid);
        char r = 0;
        const bool up = ::read(ready[0], &r, 1) == 1;
        ::close(ready[0]);
        if (!up) return -1;
        ::fcntl(out[0], F_SETFL, O_NONBLOCK);
        return out[0];
    }

    // Connects as this user to `path` and sends `bytes`; the returned pipe
    // gets "A" when an acknowledgement came back, "N" when none did.
    int send(const std::string& path, const QByteArray& bytes) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return -1;
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
        const pid_t pid = ::fork();
        if (pid == 0) {
            char answer = 'N';
            if (::setgid(gid_) != 0 || ::setuid(uid_) != 0) ::_exit(1);
            const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
                ::write(s, bytes.constData(), static_cast<std::size_t>(bytes.size())) == bytes.size()) {
                char a = 0;
                if (::read(s, &a, 1) == 1 && a == '\x06') answer = 'A';
            }
            if (::write(out[1], &answer, 1) != 1) ::_exit(2);
            ::_exit(0);
        }
        ::close(out[1]);
        if (pid < 0) return -1;
        children_.push_back(pid);
        ::fcntl(out[0], F_SETFL, O_NONBLOCK);
        return out[0];
    }

private:
    std::string name_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    std::vector<pid_t> children_;
};

// What is in the non-blocking pipe `fd` now.
QByteArray drain(int fd) {
    QByteArray got;
    char buf[4096];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) got.append(buf, static_cast<int>(n));
    return got;
}

// Another user who listens where the program used to fall back to (the
// shared temporary folder) or who put a socket into the runtime directory
// gets nothing: the program names the problem and runs on its own.
TEST_F(SecondStart, AnotherUsersSocketGetsNoRequest) {
    OtherUser other;
    if (!other.made()) GTEST_SKIP() << "needs root to make a second user";
    // The other user may reach its folders in the test's.
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0711), 0);
    const QString tmp = dir.filePath(QStringLiteral("tmp"));
    ASSERT_TRUE(QDir().mkpath(tmp));
    ASSERT_EQ(::chmod(QFile::encodeName(tmp).constData(), 01777), 0);
    const std::string theirs = QFile::encodeName(tmp + QStringLiteral("/folvane-none.socket")).toStdString();
    const int heard = other.listen(theirs);
    ASSERT_GE(heard, 0);
    QFile f(dir.filePath(QStringLiteral("secret.txt")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();

    // Started with no runtime directory, and with the runtime folder Qt
    // would have used made by the other user.
    auto startAlone = [&](const QString& why) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("TMPDIR"), tmp);
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        if (why == QStringLiteral("runtime")) env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        else env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        p.setProcessEnvironment(env);
        p.start(program, {f.fileName()});
        EXPECT_TRUE(p.waitForStarted(kWait));
        QByteArray errors;
        const bool said = waitUntil([&] {
            errors += p.readAllStandardError();
            return errors.contains("folvane: ") || p.state() == QProcess::NotRunning;
        }, kWait);
        EXPECT_TRUE(said);
        // Still running: a program of its own, not a request handed over.
        EXPECT_EQ(p.state(), QProcess::Running) << errors.toStdString();
        p.kill();
        p.waitForFinished(kWait);
        return QString::fromLocal8Bit(errors);
    };
    // Qt's own runtime folder for this user, made by the other user first.
    const QString qtRuntime = tmp + QStringLiteral("/runtime-") + QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name);
    ASSERT_TRUE(QDir().mkpath(qtRuntime));
    ASSERT_EQ(::chown(QFile::encodeName(qtRuntime).constData(), other.uid(), 0), 0);
    // 1. The other user made the folder of this user's name in the temporary folder.
    const QString squatted = tmp + QStringLiteral("/folvane-%1").arg(::geteuid());
    ASSERT_TRUE(QDir().mkpath(squatted));
    ASSERT_EQ(::chown(QFile::encodeName(squatted).constData(), other.uid(), 0), 0);
    const std::string inSquatted = QFile::encodeName(squatted + QStringLiteral("/folvane-none.socket")).toStdString();
    const int heardThere = other.listen(inSquatted);
    ASSERT_GE(heardThere, 0);
    QString errors = startAlone(QStringLiteral("none"));
    EXPECT_TRUE(errors.contains(squatted)) << errors.toStdString();
    // 2. A socket of the other user's in the runtime directory.
    const std::string inRuntime = QFile::encodeName(runtime + QStringLiteral("/folvane-none.socket")).toStdString();
    ASSERT_EQ(::rename(inSquatted.c_str(), inRuntime.c_str()), 0);
    errors = startAlone(QStringLiteral("runtime"));
    EXPECT_TRUE(errors.contains(QStringLiteral("another user"))) << errors.toStdString();
    EXPECT_EQ(drain(heard), QByteArray());
    EXPECT_EQ(drain(heardThere), QByteArray());
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
}

// The running program takes no request from another user, even where that
// user can reach its socket.
TEST_F(SecondStart, ARequestFromAnotherUserIsRefused) {
    OtherUser other;
    if (!other.made()) GTEST_SKIP() << "needs root to make a second user";
    ASSERT_NO_FATAL_FAILURE(serve());
    bool asked = false;
    QObject::connect(link.get(), &InstanceLink::requested, [&] { asked = true; });
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0711), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(runtime).constData(), 0711), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(link->socketPath()).constData(), 0777), 0);
    const int answer = other.send(QFile::encodeName(link->socketPath()).toStdString(),
                                  encodeRequest({Action::ShowHide, {}}));
    ASSERT_GE(answer, 0);
    QByteArray got;
    ASSERT_TRUE(waitUntil([&] { return !(got += drain(answer)).isEmpty(); }, kWait));
    EXPECT_EQ(got, "N");
    QCoreApplication::processEvents();
    EXPECT_FALSE(asked);
    EXPECT_TRUE(w.isVisible());
    ::chmod(QFile::encodeName(runtime).constData(), 0700);
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
}

}  // namespace
