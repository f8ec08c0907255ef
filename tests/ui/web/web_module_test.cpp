// The web module as the program uses it: loaded at run time, after the
// application exists, by a program that does not link the engine itself.
// (The other web tests link the engine, which then starts the way it does
// when it is part of the program from the first moment.)
#include <gtest/gtest.h>

#include <QOpenGLContext>
#include <QWidget>

#include "local_http_server.h"
#include "ui_support.h"
#include "web_features.h"
#include "web_module.h"

namespace {

TEST(WebModuleLoadedLate, ShowsAPageAndKeepsOneSharedOpenGLContext) {
    LocalHttpServer server;
    ASSERT_TRUE(server.listening());
    server.route("/soft/tf.asp", {200, "text/html; charset=utf-8",
                                  QStringLiteral("<html><head><title>Velmora内嵌页</title></head><body>新版本</body></html>")
                                      .toUtf8()});
    // Nothing has made the shared context yet: the window shows without it.
    EXPECT_EQ(QOpenGLContext::globalShareContext(), nullptr);

    WebModule module{QStringLiteral(FOLVANE_WEB_MODULE_PATH)};
    ASSERT_TRUE(module.available());
    QWidget host;
    host.resize(400, 60);
    host.show();
    EmbeddedPage* page = module.createPage(&host);
    ASSERT_NE(page, nullptr) << module.error().toStdString();
    QOpenGLContext* shared = QOpenGLContext::globalShareContext();
    EXPECT_NE(shared, nullptr);  // made by the module's loading, before the engine started

    int loads = 0;
    bool succeeded = false;
    QString title;
    page->setLoadFinishedHandler([&](bool ok, const QString& t) {
        ++loads;
        succeeded = ok;
        title = t;
    });
    page->widget()->setGeometry(0, 0, 168, 33);
    page->widget()->show();
    page->load(server.url(QStringLiteral("/soft/tf.asp")));
    ASSERT_TRUE(waitUntil([&] { return loads > 0; }, 60000));
    EXPECT_TRUE(succeeded);
    EXPECT_EQ(title, QStringLiteral("Velmora内嵌页"));

    // A second page uses the same engine and context.
    EmbeddedPage* second = module.createPage(&host);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(QOpenGLContext::globalShareContext(), shared);
}

}  // namespace
