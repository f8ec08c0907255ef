// The navigation bar's page view, advertisement label and frame in the real
// window; the update request as the window builds it; the donation window;
// and the window without web features. The page view is a stand-in here:
// the engine's own is tested in web/.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QToolBar>

#include "donation_window.h"
#include "editor_widget.h"
#include "folvane_app.h"
#include "main_window.h"
#include "navigation_bar.h"
#include "settings/ini_store.h"
#include "ui_support.h"
#include "update_checker.h"
#include "text/codec.h"
#include "web/update_request.h"
#include "web_features.h"
#include "web_module.h"
#include "web/local_http_server.h"

namespace {

class FakePageView : public QWidget, public EmbeddedPage {
public:
    using QWidget::QWidget;
    QWidget* widget() override { return this; }
    void load(const QUrl& url) override { loads.append(url); }
    // A page shown from the probe's body counts as loaded from its address.
    void setContent(const QByteArray&, const QString&, const QUrl& base) override { loads.append(base); }
    void setLoadFinishedHandler(std::function<void(bool, const QString&)> h) override { handler = std::move(h); }
    void finish(bool ok, const QString& title) { handler(ok, title); }
    QList<QUrl> loads;
    std::function<void(bool, const QString&)> handler;
};

class FakeWebFeatures : public WebFeatures {
public:
    bool available() const override { return true; }
    EmbeddedPage* createPage(QWidget* parent) override {
        view = new FakePageView(parent);
        return view;
    }
    void openUrlWindow(QWidget*, bool onTop, const std::function<void(const QString&)>& replace) override {
        ++opened;
        alwaysOnTop = onTop;
        if (!page.isNull()) replace(page);
    }
    QPointer<FakePageView> view;
    int opened = 0;
    bool alwaysOnTop = false;
    QString page;
};

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls.append(url); }
};

const QByteArray kServicePage =
    QStringLiteral("<html><head><title>Velmora内嵌页</title></head><body>新版本</body></html>").toUtf8();

// A started window with the fake features, on the screen, asking a local
// service that answers with its page.
struct Started {
    LocalHttpServer server;
    FakeWebFeatures web;
    IsolatedSettings settings;
    FolvaneApp app;
    MainWin w{app, nullptr, &web};
    explicit Started(bool show = true) {
        server.route("/soft/tf.asp", {200, "text/html; charset=utf-8", kServicePage});
        w.setUpdateBase(server.url(QStringLiteral("/soft/tf.asp")).toString());
        if (show) w.show();
        settings.startUp(w);
    }
    FakePageView* view() {
        waitUntil([this] { return web.view != nullptr; });
        return web.view;
    }
    void resizeOuter(int width) {
        const int frame = w.frameGeometry().width() - w.width();
        w.resize(width - frame, 496);
        waitUntil([&] { return w.frameGeometry().width() == width; }, 5000);
    }
};

QList<QByteArray> fields(const QUrl& url) { return url.query(QUrl::FullyEncoded).toLatin1().split(','); }

// The parts on a bare container, at every width the rules name.
TEST(NavigationBar, PartsFollowTheWidth) {
    LocalHttpServer server;
    server.route("/", {200, "text/html; charset=utf-8", kServicePage});
    QWidget bar;
    FakeWebFeatures web;
    NavigationBarParts parts(&bar, &web, [&server] { return server.url(QStringLiteral("/")); }, 100000);
    parts.updates()->start();
    ASSERT_TRUE(waitUntil([&] { return web.view != nullptr; }));
    web.view->finish(true, QStringLiteral("Velmora内嵌页"));
    struct Case {
        int clientWidth;
        int outerWidth;
        bool advertisement;
    };
    const Case cases[] = {{677, 685, true}, {612, 620, true}, {548, 556, true}, {547, 555, false},
                          {538, 546, false}, {370, 378, false}, {1272, 1280, true}};
    for (const Case& c : cases) {
        parts.layout(c.clientWidth, c.outerWidth, true);
        EXPECT_EQ(web.view->geometry(), QRect(382, 6, std::max(0, c.clientWidth - 374), 33)) << c.outerWidth;
        EXPECT_TRUE(web.view->isVisibleTo(&bar)) << c.outerWidth;
        EXPECT_EQ(child<LinkLabel>(bar, QStringLiteral("advertisement"))->geometry(), QRect(c.clientWidth - 165, 13, 160, 16)) << c.outerWidth;
        EXPECT_EQ(child<LinkLabel>(bar, QStringLiteral("advertisement"))->isVisibleTo(&bar), c.advertisement) << c.outerWidth;
        for (int i = 0; i < 3; ++i) EXPECT_TRUE(child<QLabel>(bar, QStringLiteral("frame%1").arg(i))->isVisibleTo(&bar));
    }
    EXPECT_EQ(child<QLabel>(bar, QStringLiteral("frame%1").arg(1))->geometry(), QRect(379, 37, 9999, 3));
    EXPECT_EQ(child<QLabel>(bar, QStringLiteral("frame%1").arg(2))->geometry(), QRect(376, 4, 9999, 4));
}

// How far the frame stands right of its design place, after checking that
// it stands right of every toolbar button.
int frameShift(MainWin& w) {
    const int frameLeft = child<QLabel>(w, QStringLiteral("frame%1").arg(0))->x();
    for (QAction* a : toolBarOf(w)->actions()) {
        QWidget* b = toolBarOf(w)->widgetForAction(a);
        if (b && b->isVisible()) {
            EXPECT_LT(b->geometry().right(), frameLeft);
        }
    }
    EXPECT_GE(frameLeft, 376);
    return frameLeft - 376;
}

// The real window at the sizes it can take.
TEST(NavigationBar, WindowPlacesThePartsForItsWidth) {
    Started s;
    FakePageView* view = s.view();
    ASSERT_TRUE(view);
    view->finish(true, QStringLiteral("Velmora内嵌页"));
    for (int width : {685, 800, 620, 556, 555, 546}) {
        const int frame = s.w.frameGeometry().width() - s.w.width();
        s.w.resize(width - frame, 496);
        ASSERT_TRUE(waitUntil([&] { return s.w.frameGeometry().width() == width; }, 5000)) << width;
        const int W = s.w.width();
        LinkLabel* ad = child<LinkLabel>(s.w, QStringLiteral("advertisement"));
        // The frame stands right of the toolbar's last button (at 376 when
        // the buttons end before it), and the page view inside it.
        const int shift = frameShift(s.w);
        EXPECT_EQ(view->geometry(), QRect(382 + shift, 6, std::max(0, W - 374 - shift), 33)) << width;
        EXPECT_TRUE(view->isVisibleTo(toolBarOf(s.w))) << width;
        EXPECT_EQ(ad->geometry(), QRect(W - 165, 13, 160, 16)) << width;
        EXPECT_EQ(ad->isVisibleTo(toolBarOf(s.w)), width >= 556) << width;
        EXPECT_EQ(ad->text(), QStringLiteral("欢迎使用TF文章自动排版程序"));
    }
}

TEST(NavigationBar, HidingMovesThePageAndLabelOutOfSight) {
    Started s;
    FakePageView* view = s.view();
    ASSERT_TRUE(view);
    view->finish(true, QStringLiteral("Velmora内嵌页"));
    ASSERT_TRUE(s.w.action(Command::ShowNavigationBar)->isChecked());  // the defaults show it
    LinkLabel* ad = child<LinkLabel>(s.w, QStringLiteral("advertisement"));

    s.w.action(Command::ShowNavigationBar)->trigger();
    EXPECT_FALSE(s.w.action(Command::ShowNavigationBar)->isChecked());
    EXPECT_FALSE(toolBarOf(s.w)->isVisible());
    EXPECT_GE(view->x(), 382 + 99999);
    EXPECT_EQ(ad->y(), 99999);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(child<QLabel>(s.w, QStringLiteral("frame%1").arg(i))->isVisibleTo(toolBarOf(s.w)));
    // Out of sight is not hidden: the shown page is not requested again.
    EXPECT_FALSE(s.w.navigationBar()->updates()->state().viewVisible == false);
    s.w.navigationBar()->updates()->retryTimer().setInterval(1);
    const int ticksBefore = view->loads.size();
    int ticks = 0;
    QObject::connect(&s.w.navigationBar()->updates()->retryTimer(), &QTimer::timeout, [&ticks] { ++ticks; });
    ASSERT_TRUE(waitUntil([&] { return ticks >= 3; }));
    EXPECT_EQ(view->loads.size(), ticksBefore);

    s.w.action(Command::ShowNavigationBar)->trigger();  // the menu item
    EXPECT_TRUE(toolBarOf(s.w)->isVisible());
    const int shift = frameShift(s.w);
    EXPECT_EQ(view->x(), 382 + shift);
    EXPECT_EQ(ad->y(), 13);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(child<QLabel>(s.w, QStringLiteral("frame%1").arg(i))->isVisible());
    EXPECT_EQ(child<QLabel>(s.w, QStringLiteral("frame%1").arg(0))->geometry(), QRect(376 + shift, 3, 8, 37));
}

TEST(NavigationBar, AdvertisementOpensTheProductPage) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
    Started s;
    LinkLabel* ad = child<LinkLabel>(s.w, QStringLiteral("advertisement"));
    const QPointF inside(5, 5);
    QMouseEvent press(QEvent::MouseButtonPress, inside, ad->mapToGlobal(inside), Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(ad, &press);
    EXPECT_TRUE(catcher.urls.isEmpty());  // the release opens it, not the press
    QMouseEvent release(QEvent::MouseButtonRelease, inside, ad->mapToGlobal(inside), Qt::LeftButton, Qt::NoButton, {});
    QApplication::sendEvent(ad, &release);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls.front().host(), QStringLiteral("folvane.example.com"));
}

TEST(UpdateRequest, SixFieldsFromTheWindowWithTheWishOnAndOff) {
    const auto machine = folvane::web::machineId(
        folvane::web::machineNumber(folvane::web::readMachineIdText("/etc/machine-id")).value_or(0));
    const auto hardware = folvane::web::hardwareId(folvane::web::readHardwareTexts("/sys/class/dmi/id"));
    Started s;  // a fresh installation: the first start
    FakePageView* view = s.view();
    ASSERT_TRUE(view);
    ASSERT_EQ(view->loads.size(), 1);
    struct Expect {
        const char* count;
        const char* wish;
    };
    auto check = [&](const QUrl& url, const Expect& e) {
        EXPECT_EQ(url.host(), QStringLiteral("127.0.0.1"));
        EXPECT_EQ(url.path(), QStringLiteral("/soft/tf.asp"));
        const QList<QByteArray> f = fields(url);
        ASSERT_EQ(f.size(), 6) << url.toString().toStdString();
        EXPECT_EQ(f[0].toStdString(), machine);
        EXPECT_EQ(f[1], "3.0.7.3");
        EXPECT_EQ(f[2], e.count);
        EXPECT_EQ(QUrl::fromPercentEncoding(f[3]).toStdString(), hardware);
        EXPECT_EQ(f[4], e.wish);
        EXPECT_EQ(f[5], "1");
    };
    check(view->loads[0], {"1", "true"});

    // Unticking the wish still sends the request; only the fifth field changes.
    s.w.action(Command::CheckUpdates)->trigger();
    EXPECT_FALSE(s.w.action(Command::CheckUpdates)->isChecked());
    view->finish(false, {});
    s.w.navigationBar()->updates()->retryTimer().setInterval(1);
    ASSERT_TRUE(waitUntil([&] { return view->loads.size() >= 2; }));
    s.w.navigationBar()->updates()->retryTimer().stop();
    check(view->loads[1], {"1", "false"});

    // The next start sends the next count.
    s.w.close();
    FakeWebFeatures web2;
    FolvaneApp app2;
    MainWin second(app2, nullptr, &web2);
    second.setUpdateBase(s.server.url(QStringLiteral("/soft/tf.asp")).toString());
    second.show();
    s.settings.startUp(second);
    ASSERT_TRUE(waitUntil([&] { return web2.view && !web2.view->loads.isEmpty(); }));
    check(web2.view->loads[0], {"2", "false"});  // the wish was saved unticked
}

// The engine is not started for a service that does not answer with its
// page: the plain request finds out first, and the retries stay plain.
TEST(UpdateRequest, TheViewIsMadeOnlyForTheServicesPage) {
    struct Case {
        const char* name;
        LocalHttpServer::Reply reply;
        bool refused;
        bool view;
    };
    const Case cases[] = {
        {"the service's page", {200, "text/html; charset=utf-8", kServicePage}, false, true},
        {"another page", {200, "text/html", QByteArray("<title>Index</title>")}, false, false},
        {"not found, with the title", {404, "text/html; charset=utf-8", kServicePage}, false, false},
        {"refused", {}, true, false},
    };
    for (const Case& c : cases) {
        LocalHttpServer server;
        server.route("/u", c.reply);
        FakeWebFeatures web;
        QWidget bar;
        const QUrl url = c.refused ? QUrl(QStringLiteral("http://127.0.0.1:%1/u").arg(LocalHttpServer::closedPort()))
                                   : server.url(QStringLiteral("/u"));
        UpdateChecker checker([&] { return web.createPage(&bar); }, [url] { return url; });
        int loaded = 0;
        QObject::connect(&checker, &UpdateChecker::pageLoaded, [&] { ++loaded; });
        checker.start();
        checker.retryTimer().stop();
        if (c.view) {
            ASSERT_TRUE(waitUntil([&] { return web.view && web.view->loads.size() == 1; })) << c.name;
            EXPECT_EQ(web.view->loads.front(), url) << c.name;
        } else {
            ASSERT_TRUE(waitUntil([&] { return loaded == 1; })) << c.name;
            EXPECT_FALSE(web.view) << c.name;
            checker.onTick();  // a retry asks plainly again
            ASSERT_TRUE(waitUntil([&] { return loaded == 2; })) << c.name;
            EXPECT_FALSE(web.view) << c.name;
            if (!c.refused) {
                EXPECT_EQ(server.targets("/u").size(), 2) << c.name;
            }
        }
    }
}

// A fake service reached through http_proxy (as anyone on the path of the
// plain HTTP request could answer) that answers with the service's page
// and then never ends it: the check reads 256 KB at most, takes that for
// no answer and closes the connection. The service stops by itself after
// 64 MB, which the check must never get to.
TEST(UpdateRequest, AnEndlessAnswerIsCutOffAndTakenForNone) {
    constexpr qint64 kCap = 64 << 20;
    qint64 sent = 0;
    bool closedEarly = false;
    QTcpServer proxy;  // after what its sockets' handlers write
    ASSERT_TRUE(proxy.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&proxy, &QTcpServer::newConnection, [&] {
        QTcpSocket* s = proxy.nextPendingConnection();
        QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        QObject::connect(s, &QTcpSocket::disconnected, [&] { closedEarly = sent < kCap; });
        auto more = [&, s] {
            if (sent >= kCap || s->bytesToWrite() > (1 << 20)) return;
            const QByteArray chunk(64 * 1024, 'x');
            s->write(chunk);
            sent += chunk.size();
        };
        QObject::connect(s, &QTcpSocket::readyRead, s, [s, more] {
            if (!s->readAll().contains("\r\n\r\n")) return;
            s->write("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n\r\n" + kServicePage);
            more();
        });
        QObject::connect(s, &QTcpSocket::bytesWritten, s, more);
    });
    const QByteArray savedProxy = qgetenv("http_proxy"), savedNoProxy = qgetenv("no_proxy");
    qputenv("http_proxy", QStringLiteral("http://127.0.0.1:%1").arg(proxy.serverPort()).toLatin1());
    qunsetenv("no_proxy");
    FakeWebFeatures web;
    QWidget bar;
    const QUrl url(QStringLiteral("http://updates.invalid/soft/tf.asp"));
    UpdateChecker checker([&] { return web.createPage(&bar); }, [url] { return url; });
    int loaded = 0;
    QObject::connect(&checker, &UpdateChecker::pageLoaded, [&] { ++loaded; });
    checker.start();
    checker.retryTimer().stop();
    EXPECT_TRUE(waitUntil([&] { return loaded == 1 || sent >= kCap; }, 60000));
    EXPECT_EQ(loaded, 1);
    EXPECT_FALSE(web.view);  // no answer: the page is not shown
    EXPECT_TRUE(waitUntil([&] { return closedEarly; }, 60000)) << sent;
    EXPECT_LT(sent, kCap);
    if (savedProxy.isNull()) qunsetenv("http_proxy");
    else qputenv("http_proxy", savedProxy);
    if (!savedNoProxy.isNull()) qputenv("no_proxy", savedNoProxy);
}

// A service whose address sends the check back to itself, again and
// again: the check gives up after a bounded number of redirects and takes
// that for no answer, and a retry does the same.
TEST(UpdateRequest, ARedirectLoopEndsAsNoAnswer) {
    int requests = 0;
    QTcpServer service;
    ASSERT_TRUE(service.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&service, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* s = service.nextPendingConnection()) {
            QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            QObject::connect(s, &QTcpSocket::readyRead, s, [&, s] {
                if (!s->readAll().contains("\r\n\r\n")) return;
                ++requests;
                s->write("HTTP/1.1 302 Found\r\nLocation: /soft/tf.asp?again\r\nContent-Length: 0\r\n"
                         "Connection: close\r\n\r\n");
                s->disconnectFromHost();
            });
        }
    });
    FakeWebFeatures web;
    QWidget bar;
    const QUrl url(QStringLiteral("http://127.0.0.1:%1/soft/tf.asp").arg(service.serverPort()));
    UpdateChecker checker([&] { return web.createPage(&bar); }, [url] { return url; });
    int loaded = 0;
    QObject::connect(&checker, &UpdateChecker::pageLoaded, [&] { ++loaded; });
    checker.start();
    checker.retryTimer().stop();
    ASSERT_TRUE(waitUntil([&] { return loaded == 1; }, 60000)) << requests;
    EXPECT_FALSE(web.view);
    EXPECT_GT(requests, 1);
    EXPECT_LE(requests, 51);
    const int first = requests;
    checker.onTick();
    ASSERT_TRUE(waitUntil([&] { return loaded == 2; }, 60000));
    EXPECT_FALSE(web.view);
    EXPECT_EQ(requests, 2 * first);
}

TEST(UpdateRequest, PageTitleAsABrowserReadsIt) {
    struct Case {
        const char* name;
        QByteArray body, contentType;
        QString title;
    };
    const QString service = QStringLiteral("Velmora内嵌页");
    const Case cases[] = {
        {"UTF-8 by the header", kServicePage, "text/html; charset=utf-8", service},
        {"GB18030 by the header", QByteArray("<title>Velmora\xc4\xda\xc7\xb6\xd2\xb3</title>"), "text/html; charset=GB2312", service},
        {"GB18030 by the meta tag",
         QByteArray("<meta charset=\"gbk\"><TITLE lang=zh>Velmora\xc4\xda\xc7\xb6\xd2\xb3</TITLE>"), "text/html", service},
        {"white space collapsed", QByteArray("<title>\n  Velmora  \n</title>"), "", QStringLiteral("Velmora")},
        {"no title", QByteArray("<html><body>Velmora内嵌页</body></html>"), "", QString()},
        {"empty answer", QByteArray(), "", QString()},
    };
    for (const Case& c : cases) EXPECT_EQ(htmlPageTitle(c.body, c.contentType), c.title) << c.name;
}

TEST(UpdateRequest, LoadingWaitsUntilTheWindowIsShown) {
    Started s(false);
    waitUntil([] { return false; }, 100);
    EXPECT_FALSE(s.web.view);
    EXPECT_FALSE(s.w.navigationBar()->updates()->started());
    s.w.show();
    ASSERT_TRUE(waitUntil([&] { return s.web.view && s.web.view->loads.size() == 1; }));
}

TEST(UpdateRequest, ForeignTitleHidesTheViewAndTheLayoutKeepsTheServicePage) {
    Started s;
    FakePageView* view = s.view();
    ASSERT_TRUE(view);
    EXPECT_FALSE(view->isVisibleTo(toolBarOf(s.w)));
    view->finish(true, QStringLiteral("Example"));
    EXPECT_FALSE(view->isVisibleTo(toolBarOf(s.w)));
    view->finish(true, QStringLiteral("Velmora内嵌页"));
    EXPECT_TRUE(view->isVisibleTo(toolBarOf(s.w)));
    view->hide();
    s.resizeOuter(700);  // every layout shows it again
    EXPECT_TRUE(view->isVisibleTo(toolBarOf(s.w)));
}

TEST(WithoutWebEngine, ModuleThatIsMissingLeavesTheFeaturesOut) {
    WebModule missing(QStringLiteral("/nonexistent/libfolvane-web.so"));
    EXPECT_FALSE(missing.available());
    EXPECT_FALSE(missing.load());
    EXPECT_EQ(missing.createPage(nullptr), nullptr);
    IsolatedSettings settings;
    FolvaneApp app;
    MainWin w(app, nullptr, &missing);
    w.show();
    settings.startUp(w);
    EXPECT_FALSE(w.action(Command::OpenWebPage)->isEnabled());
    EXPECT_EQ(w.navigationBar()->updates(), nullptr);
    w.action(Command::OpenWebPage)->trigger();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(WithoutWebEngine, WindowWorksWithoutTheWebFeatures) {
    IsolatedSettings settings;
    FolvaneApp app;
    MainWin w(app);
    w.show();
    settings.startUp(w);
    EXPECT_FALSE(w.action(Command::OpenWebPage)->isEnabled());
    EXPECT_FALSE(w.toolButton(MainWin::kToolWebPage)->isEnabled());  // the same action
    EXPECT_EQ(w.navigationBar()->updates(), nullptr);
    EXPECT_EQ(w.navigationBar()->pageView(), nullptr);
    EXPECT_TRUE(child<LinkLabel>(w, QStringLiteral("advertisement"))->isVisibleTo(toolBarOf(w)));
    w.toolButton(MainWin::kToolWebPage)->trigger();  // disabled: nothing happens
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(WebImportCommand, MenuAndButtonOpenTheWindowWithTheWindowsTopState) {
    Started s;
    s.web.page = QStringLiteral("网页的文字\n第二行");
    s.w.action(Command::OpenWebPage)->trigger();
    EXPECT_EQ(s.web.opened, 1);
    EXPECT_FALSE(s.web.alwaysOnTop);
    EXPECT_EQ(editorOf(s.w)->toPlainText(), s.web.page);
    EXPECT_EQ(s.w.editorText(), folvane::text::gb("网页的文字\r\n第二行"));
    s.w.action(Command::AlwaysOnTop)->trigger();
    s.web.page = QString();  // a window closed without a page
    s.w.toolButton(MainWin::kToolWebPage)->trigger();
    EXPECT_EQ(s.web.opened, 2);
    EXPECT_TRUE(s.web.alwaysOnTop);
    EXPECT_EQ(editorOf(s.w)->toPlainText(), QStringLiteral("网页的文字\n第二行"));
    s.w.action(Command::AlwaysOnTop)->trigger();
}

TEST(DonationWindow, ExplanationIsDecipheredFromTheResources) {
    QFile plainFile(QStringLiteral(FOLVANE_DONATION_TEXT));
    ASSERT_TRUE(plainFile.open(QIODevice::ReadOnly));
    const QByteArray plain = plainFile.readAll();
    QFile stored(QStringLiteral(":/donation.dat"));
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    const QByteArray data = stored.readAll();
    EXPECT_FALSE(data.contains(plain.left(30)));  // not readable in the program's data
    EXPECT_FALSE(data.contains(QStringLiteral("捐助").toUtf8()));

    DonationWindow w;
    EXPECT_EQ(child<QLabel>(w, QStringLiteral("explanation"))->text() + QLatin1Char('\n'), QString::fromUtf8(plain));
    EXPECT_TRUE(child<QLabel>(w, QStringLiteral("explanation"))->text().startsWith(QStringLiteral("　　")));
    EXPECT_GE(child<QListWidget>(w, QStringLiteral("amounts"))->count(), 3);
    EXPECT_TRUE(DonationWindow::explanationText(QStringLiteral(":/folvane.png")).isEmpty());  // not enciphered
    EXPECT_TRUE(DonationWindow::explanationText(QStringLiteral(":/absent")).isEmpty());
}

TEST(DonationWindow, MenuItemOpensItModally) {
    Started s;
    QString seen;
    QTimer closer;
    closer.setInterval(20);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<DonationWindow*>(QApplication::activeModalWidget())) {
            seen = child<QLabel>(*d, QStringLiteral("explanation"))->text();
            d->reject();
            closer.stop();
        }
    });
    closer.start();
    s.w.action(Command::Donate)->trigger();
    EXPECT_FALSE(seen.isEmpty());
}

}  // namespace

#include "navigation_test.moc"
