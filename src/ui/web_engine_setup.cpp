#include "web_engine_setup.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#ifndef QT_NO_OPENGL
#include <QOpenGLContext>
Q_GUI_EXPORT QOpenGLContext* qt_gl_global_share_context();
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
#endif

namespace {

QString fromEnvOr(const char* variable, const QString& fallback) {
    const QString v = qEnvironmentVariable(variable);
    return v.isEmpty() ? fallback : v;
}

}  // namespace

void prepareWebEngine() {
    // The engine draws through an OpenGL context that every context of the
    // process shares. Qt makes that context when the application starts if
    // asked to here, before the window can show; where OpenGL is itself
    // software (no graphics card, a virtual display) that alone slowed the
    // start by half. The web module makes it instead, when it is loaded
    // after the window is on the screen (shareOpenGLContextsForWebEngine).
    if (::geteuid() == 0) {
        QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        if (!flags.contains("--no-sandbox")) {
            if (!flags.isEmpty()) flags += ' ';
            flags += "--no-sandbox";
            qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
        }
    }
}

void shareOpenGLContextsForWebEngine() {
#ifndef QT_NO_OPENGL
    if (qt_gl_global_share_context()) return;
    // As Qt itself does it at start-up: the context is kept even when it
    // cannot be created (no OpenGL at all), and the engine then draws in
    // software. It belongs to the application, which outlives the engine.
    auto* context = new QOpenGLContext(qApp);
    context->create();
    qt_gl_set_global_share_context(context);
#endif
}

bool webEngineInstalled(QString* why) {
    // The engine ends the process when its helper is missing: look first.
    const QString process = fromEnvOr(
        "QTWEBENGINEPROCESS_PATH",
        QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) + QStringLiteral("/QtWebEngineProcess"));
    const QFileInfo helper(process);
    if (!helper.isFile() || !helper.isExecutable()) {
        if (why) *why = QStringLiteral("no web engine helper at ") + process;
        return false;
    }
    const QString resources = fromEnvOr("QTWEBENGINE_RESOURCES_PATH",
                                        QLibraryInfo::path(QLibraryInfo::DataPath) + QStringLiteral("/resources"));
    if (!QFileInfo(resources + QStringLiteral("/qtwebengine_resources.pak")).isFile()) {
        if (why) *why = QStringLiteral("no web engine resources in ") + resources;
        return false;
    }
    return true;
}

