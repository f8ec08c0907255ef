// The web features on the real engine, against a server of the test's own.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QUrlQuery>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <memory>

#include "editor_widget.h"
#include "engine_page.h"
#include "local_http_server.h"
#include "folvane_app.h"
#include "main_window.h"
#include "navigation_bar.h"
#include "open_url_window.h"
#include "text/codec.h"
#include "text_bridge.h"
#include "ui_support.h"
#include "update_checker.h"
#include "web/update_request.h"
#include "web_module.h"

namespace {

constexpr int kLoadTimeoutMs = 60000;  // the engine's first start is slow on a busy machine

const QString kFirst = QStringLiteral("　　第一段：中文“引号”与标点，还有𠀀字。");
const QString kSecond = QStringLiteral("第二段 ABC");

QByteArray page(const QString& charset, const QString& title) {
    return QStringLiteral("<html><head><meta charset=\"%1\"><title>%2</title></head>"
                          "<body><p>%3</p><p>%4</p></body></html>")
        .arg(charset, title, kFirst, kSecond)
        .toUtf8();
}

QByteArray toGb18030(const QByteArray& utf8) {
    const std::string gb = folvane::text::gb(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    return QByteArray(gb.data(), static_cast<qsizetype>(gb.size()));
}

class WebEngineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { profile_ = createDecliningProfile(nullptr); }
    static void TearDownTestSuite() {
        delete profile_;
        profile_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(webEngineInstalled());
        ASSERT_TRUE(server_.listening());
        server_.route("/utf8.html", {200, "text/html; charset=utf-8", page(QStringLiteral("utf-8"), QStringLiteral("测试"))});
        // The GB18030 page says its encoding only in the document itself.
        server_.route("/gb.html", {200, "text/html", toGb18030(page(QStringLiteral("gb18030"), QStringLiteral("测试")))});
        server_.route("/slow.html", {200, "text/html", {}, true});
    }

    // Opens a window, types `address`, clicks "打开" and waits until the
    // window has closed or failed; returns what reached the editor.
    struct Outcome {
        bool replaced = false;
        QString text;
        bool failed = false;
        bool closed = false;
    };
    Outcome import(const QString& address, bool html) {
        Outcome out;
        OpenUrlWindow w(profile_, false, [&out](const QString& t) {
            out.replaced = true;
            out.text = t;
        });
        QObject::connect(&w, &OpenUrlWindow::loadFailed, [&out] { out.failed = true; });
        QObject::connect(&w, &QDialog::finished, [&out] { out.closed = true; });
        w.show();
        (html ? child<QRadioButton>(w, QStringLiteral("htmlRadio")) : child<QRadioButton>(w, QStringLiteral("textRadio")))->setChecked(true);
        child<QLineEdit>(w, QStringLiteral("addressBox"))->setText(address);
        child<QPushButton>(w, QStringLiteral("openButton"))->click();
        EXPECT_TRUE(waitUntil([&] { return out.closed || out.failed; }, kLoadTimeoutMs)) << address.toStdString();
        return out;
    }

    static QWebEngineProfile* profile_;
    LocalHttpServer server_;
};

QWebEngineProfile* WebEngineTest::profile_ = nullptr;

TEST_F(WebEngineTest, WindowOpensIdleWithItsCaptionsAndTheMainWindowsTopState) {
    for (bool onTop : {false, true}) {
        int navigations = 0;
        OpenUrlWindow w(profile_, onTop, [](const QString&) {});
        QObject::connect(&w, &OpenUrlWindow::navigationStarted, [&navigations] { ++navigations; });
        w.show();
        QApplication::setActiveWindow(&w);
        EXPECT_EQ(w.windowTitle(), QStringLiteral("打开网址"));
        EXPECT_EQ(child<QPushButton>(w, QStringLiteral("openButton"))->text(), QStringLiteral("打开"));
        EXPECT_EQ(child<QRadioButton>(w, QStringLiteral("textRadio"))->text(), QStringLiteral("只获取页面中的文本"));
        EXPECT_EQ(child<QRadioButton>(w, QStringLiteral("htmlRadio"))->text(), QStringLiteral("读取完整HTML"));
        EXPECT_TRUE(child<QRadioButton>(w, QStringLiteral("textRadio"))->isChecked());
        EXPECT_EQ(child<QLabel>(w, QStringLiteral("statusLabel"))->text(), QStringLiteral("已准备就绪"));
        EXPECT_FALSE(child<QLabel>(w, QStringLiteral("statusLabel"))->isVisibleTo(&w));
        EXPECT_EQ(w.height(), 107);
        EXPECT_EQ(child<QWebEngineView>(w, QStringLiteral("webView"))->size(), QSize(56, 32));
        EXPECT_GE(child<QWebEngineView>(w, QStringLiteral("webView"))->y(), 138);  // never in the visible area
        EXPECT_EQ(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint), onTop);
        EXPECT_EQ(w.focusWidget(), child<QLineEdit>(w, QStringLiteral("addressBox")));

        // An empty address, or one of spaces only, starts nothing.
        for (const QString& empty : {QString(), QStringLiteral("   ")}) {
            child<QLineEdit>(w, QStringLiteral("addressBox"))->setText(empty);
            child<QPushButton>(w, QStringLiteral("openButton"))->click();
            EXPECT_EQ(navigations, 0);
            EXPECT_EQ(w.height(), 107);
            EXPECT_TRUE(child<QLineEdit>(w, QStringLiteral("addressBox"))->isEnabled());
            EXPECT_EQ(w.phase(), folvane::web::ImportPhase::Idle);
        }

        // A click on the background gives the address box the focus again.
        child<QPushButton>(w, QStringLiteral("openButton"))->setFocus();
        const QPointF at(w.width() - 5, 90);
        QMouseEvent release(QEvent::MouseButtonRelease, at, w.mapToGlobal(at), Qt::LeftButton, Qt::NoButton, {});
        QApplication::sendEvent(&w, &release);
        EXPECT_EQ(w.focusWidget(), child<QLineEdit>(w, QStringLiteral("addressBox")));
    }
}

TEST_F(WebEngineTest, ImportsRenderedTextAndHtmlInBothEncodings) {
    struct Case {
        const char* path;
        bool html;
    };
    const Case cases[] = {{"/utf8.html", false}, {"/gb.html", false}, {"/utf8.html", true}, {"/gb.html", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path) + (c.html ? " html" : " text"));
        const Outcome out = import(server_.url(QString::fromLatin1(c.path)).toString(), c.html);
        ASSERT_TRUE(out.replaced);
        EXPECT_TRUE(out.closed);
        EXPECT_TRUE(out.text.contains(kFirst)) << out.text.toStdString();
        EXPECT_TRUE(out.text.contains(kSecond)) << out.text.toStdString();
        EXPECT_EQ(out.text.contains(QStringLiteral("<p>")), c.html) << out.text.toStdString();
        EXPECT_EQ(out.text.contains(QStringLiteral("<title>测试</title>")), c.html);
    }
}

TEST_F(WebEngineTest, AddressWithoutSchemeIsReadByTheEngine) {
    const QString address = QStringLiteral("127.0.0.1:%1/utf8.html").arg(server_.url(QString()).port());
    const Outcome out = import(address, false);
    ASSERT_TRUE(out.replaced);
    EXPECT_TRUE(out.text.contains(kSecond));
}

TEST_F(WebEngineTest, FailedLoadsLeaveTheEditorAndTheWindowUsable) {
    const QString addresses[] = {
        QStringLiteral("http://127.0.0.1:%1/").arg(LocalHttpServer::closedPort()),  // refused
        QStringLiteral("http://no-such-host.invalid/"),                             // unknown host
    };
    for (const QString& address : addresses) {
        SCOPED_TRACE(address.toStdString());
        bool replaced = false;
        bool failed = false;
        OpenUrlWindow w(profile_, false, [&replaced](const QString&) { replaced = true; });
        QObject::connect(&w, &OpenUrlWindow::loadFailed, [&failed] { failed = true; });
        w.show();
        child<QLineEdit>(w, QStringLiteral("addressBox"))->setText(address);
        child<QPushButton>(w, QStringLiteral("openButton"))->click();
        EXPECT_FALSE(child<QLineEdit>(w, QStringLiteral("addressBox"))->isEnabled());
        ASSERT_TRUE(waitUntil([&] { return failed; }, kLoadTimeoutMs));
        EXPECT_FALSE(replaced);
        EXPECT_TRUE(w.isVisible());
        EXPECT_TRUE(child<QLineEdit>(w, QStringLiteral("addressBox"))->isEnabled());
        EXPECT_TRUE(child<QPushButton>(w, QStringLiteral("openButton"))->isEnabled());
        EXPECT_EQ(child<QLabel>(w, QStringLiteral("statusLabel"))->text(), QStringLiteral("读取网页失败，请检查网址后重试。"));
        EXPECT_TRUE(child<QLabel>(w, QStringLiteral("statusLabel"))->isVisibleTo(&w));

        // The mended address loads.
        child<QLineEdit>(w, QStringLiteral("addressBox"))->setText(server_.url(QStringLiteral("/utf8.html")).toString());
        child<QPushButton>(w, QStringLiteral("openButton"))->click();
        ASSERT_TRUE(waitUntil([&] { return replaced; }, kLoadTimeoutMs));
        EXPECT_FALSE(w.isVisible());
    }
}

TEST_F(WebEngineTest, ClosingWhileLoadingChangesNothing) {
    bool replaced = false;
    bool requested = false;
    server_.onRequest = [&requested](const QByteArray& target) { requested = requested || target == "/slow.html"; };
    {
        OpenUrlWindow w(profile_, false, [&replaced](const QString&) { replaced = true; });
        w.show();
        child<QLineEdit>(w, QStringLiteral("addressBox"))->setText(server_.url(QStringLiteral("/slow.html")).toString());
        child<QPushButton>(w, QStringLiteral("openButton"))->click();
        ASSERT_TRUE(waitUntil([&] { return requested; }, kLoadTimeoutMs));
        EXPECT_EQ(w.height(), 138);
        EXPECT_EQ(child<QLabel>(w, QStringLiteral("statusLabel"))->text(), QStringLiteral("正在读取网页..."));
        w.reject();
        EXPECT_EQ(w.phase(), folvane::web::ImportPhase::Closed);
        waitUntil([] { return false; }, 200);  // whatever the engine still reports arrives now
    }
    EXPECT_FALSE(replaced);
}

TEST_F(WebEngineTest, ImportThroughTheMainWindowIsOneUndoableChange) {
    WebModule module(QStringLiteral(FOLVANE_WEB_MODULE_PATH));  // loaded as the program loads it
    ASSERT_TRUE(module.available());
    IsolatedSettings settings;
    FolvaneApp app;
    MainWin w(app, nullptr, &module);
    w.setUpdateBase(server_.url(QStringLiteral("/soft/tf.asp")).toString());
    w.show();
    settings.startUp(w);
    w.setEditorText(folvane::text::gb("原来的文字"));
    ASSERT_TRUE(w.action(Command::OpenWebPage)->isEnabled());
    ASSERT_TRUE(w.toolButton(MainWin::kToolWebPage)->isEnabled());

    QTimer driver;
    driver.setInterval(20);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        // The window comes from the loaded module: found by its title and
        // its controls' names, not by its class.
        // (Looked for among the top-level windows: without a window manager
        // the modal window need not be the active one.)
        QWidget* dialog = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->isVisible() && top->windowTitle() == QStringLiteral("打开网址")) dialog = top;
        if (!dialog) return;
        driver.stop();
        auto* address = dialog->findChild<QLineEdit*>(QStringLiteral("addressBox"));
        auto* open = dialog->findChild<QPushButton*>(QStringLiteral("openButton"));
        QTimer::singleShot(kLoadTimeoutMs, dialog, &QWidget::close);  // never hang the suite
        ASSERT_TRUE(address && open);
        address->setText(server_.url(QStringLiteral("/gb.html")).toString());
        open->click();
    });
    driver.start();
    w.toolButton(MainWin::kToolWebPage)->trigger();  // returns when the window has closed
    const QString text = editorOf(w)->toPlainText();
    EXPECT_TRUE(text.contains(kFirst)) << text.toStdString();
    w.action(Command::Undo)->trigger();
    EXPECT_EQ(editorOf(w)->toPlainText(), QStringLiteral("原来的文字"));
}

TEST_F(WebEngineTest, UpdatePageShownOnlyForTheServiceTitleAndRetriedOtherwise) {
    server_.route("/soft/tf.asp", {200, "text/html; charset=utf-8",
                                   QStringLiteral("<html><head><title>Velmora内嵌页</title></head><body>新版本</body></html>")
                                       .toUtf8()});
    server_.route("/other.asp", {200, "text/html; charset=utf-8",
                                 QByteArray("<html><head><title>Other</title></head><body>x</body></html>")});
    struct Case {
        const char* path;
        bool shown;
    };
    const QString refused = QStringLiteral("http://127.0.0.1:%1/soft/tf.asp").arg(LocalHttpServer::closedPort());
    const Case cases[] = {{"/soft/tf.asp", true}, {"/other.asp", false}, {nullptr, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path ? c.path : "refused");
        QWidget bar;
        bar.resize(677, 39);
        bar.show();
        const QUrl address = c.path ? server_.url(QString::fromLatin1(c.path)) : QUrl(refused);
        // The timer's interval is far beyond the test; its ticks are given
        // by hand, each when the previous load has finished.
        UpdateChecker checker([&bar]() -> EmbeddedPage* { return new EnginePageView(profile_, &bar); },
                              [address] { return address; });
        int loads = 0;
        QObject::connect(&checker, &UpdateChecker::pageLoaded, [&loads] { ++loads; });
        checker.start();
        ASSERT_TRUE(waitUntil([&] { return loads == 1; }, kLoadTimeoutMs));
        EXPECT_EQ(checker.state().pageShown, c.shown);
        // The engine's view exists only once the service's page was found.
        EXPECT_EQ(checker.view() != nullptr, c.shown);
        EXPECT_EQ(checker.view() && checker.view()->isVisibleTo(&bar), c.shown);
        const qsizetype served = server_.targets("/soft/tf.asp").size();
        // The view shows the page the plain request read: one request.
        if (c.shown) {
            EXPECT_EQ(served, 1);
        }
        for (int tick = 0; tick < 3; ++tick) {
            checker.onTick();
            if (c.shown) continue;
            ASSERT_TRUE(waitUntil([&] { return loads == tick + 2; }, kLoadTimeoutMs));
            EXPECT_FALSE(checker.view());
        }
        EXPECT_EQ(checker.requestCount(), c.shown ? 1 : 4);
        if (c.shown) {
            waitUntil([] { return false; }, 200);  // a request, had one been made, reaches the server now
            EXPECT_EQ(server_.targets("/soft/tf.asp").size(), served);
            EXPECT_TRUE(checker.view()->isVisibleTo(&bar));
        }
        checker.retryTimer().stop();
    }
}

// A page that asks for alerts, questions, prompts, windows and files gets
// none: nothing is shown over the window, each call returns as if the user
// had said no, and the page goes on.
TEST_F(WebEngineTest, TheUpdatePageOpensNoDialogOrWindow) {
    QWidget bar;
    bar.resize(677, 39);
    bar.show();
    EnginePageView view(profile_, &bar);
    bool done = false;
    QString title;
    view.setLoadFinishedHandler([&](bool, const QString& t) {
        done = true;
        title = t;
    });
    // Any window that does come up is counted and closed, so that the test
    // ends either way.
    int shown = 0;
    QTimer sweep;
    QObject::connect(&sweep, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w == &bar || !w->isVisible()) continue;
            ++shown;
            w->close();
        }
    });
    sweep.start(50);
    view.setContent("<html><head><title>start</title><script>"
                    "for (let i = 0; i < 20; ++i) alert('x' + i);"
                    "const asked = confirm('q');"
                    "const typed = prompt('p', 'd');"
                    "window.open('about:blank');"
                    "document.title = 'after:' + asked + ':' + typed;"
                    "</script></head><body>x</body></html>",
                    QStringLiteral("text/html"), server_.url(QStringLiteral("/soft/tf.asp")));
    ASSERT_TRUE(waitUntil([&] { return done; }, kLoadTimeoutMs));
    ASSERT_TRUE(waitUntil([&] { return view.webView()->title().startsWith(QStringLiteral("after:")); }, kLoadTimeoutMs));
    sweep.stop();
    EXPECT_EQ(view.webView()->title(), QStringLiteral("after:false:null"));
    EXPECT_EQ(shown, 0);
}

TEST_F(WebEngineTest, MainWindowSendsTheSixFieldsToTheService) {
    server_.route("/soft/tf.asp", {200, "text/html; charset=utf-8",
                                   QStringLiteral("<html><head><title>Velmora内嵌页</title></head><body>新版本</body></html>")
                                       .toUtf8()});
    WebModule module(QStringLiteral(FOLVANE_WEB_MODULE_PATH));
    ASSERT_TRUE(module.available());
    IsolatedSettings settings;  // a fresh installation
    FolvaneApp app;
    MainWin w(app, nullptr, &module);
    w.setUpdateBase(server_.url(QStringLiteral("/soft/tf.asp")).toString());
    w.show();
    settings.startUp(w);
    // The plain request that finds the service's page and the engine's load
    // of it may both reach the server between two looks: wait for the first.
    ASSERT_TRUE(waitUntil([&] { return !server_.targets("/soft/tf.asp").isEmpty(); }, kLoadTimeoutMs));
    const QByteArray target = server_.targets("/soft/tf.asp").front();
    const QList<QByteArray> fields = target.mid(target.indexOf('?') + 1).split(',');
    ASSERT_EQ(fields.size(), 6) << target.toStdString();
    const auto number = folvane::web::machineNumber(folvane::web::readMachineIdText("/etc/machine-id"));
    EXPECT_EQ(fields[0].toStdString(), folvane::web::machineId(number.value_or(0)));
    EXPECT_EQ(fields[1], "3.0.7.3");
    EXPECT_EQ(fields[2], "1");
    EXPECT_EQ(fields[4], "true");
    EXPECT_EQ(fields[5], "1");
    const folvane::web::UpdateRequest expected{
        folvane::web::machineId(number.value_or(0)), "1",
        folvane::web::hardwareId(folvane::web::readHardwareTexts("/sys/class/dmi/id")), true};
    EXPECT_EQ(target.mid(target.indexOf('?') + 1).toStdString(), folvane::web::updateQuery(expected));
    ASSERT_TRUE(waitUntil([&] { return w.navigationBar()->pageView() && w.navigationBar()->pageView()->isVisible(); },
                          kLoadTimeoutMs));
    EXPECT_TRUE(module.error().isEmpty()) << module.error().toStdString();
    // The plain request and the engine's load ask with the same fields.
    const QList<QByteArray> all = server_.targets("/soft/tf.asp");
    EXPECT_LE(all.size(), 2);
    for (const QByteArray& t : all) EXPECT_EQ(t, target);
}

}  // namespace
