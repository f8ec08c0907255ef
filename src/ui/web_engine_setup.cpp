#include "web_engine_setup.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>

namespace {

QString fromEnvOr(const char* variable, const QString& fallback) {
    const QString v = qEnvironmentVariable(variable);
    return v.isEmpty() ? fallback : v;
}

}  // namespace

void prepareWebEngine() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (::geteuid() == 0) {
        QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        if (!flags.contains("--no-sandbox")) {
            if (!flags.isEmpty()) flags += ' ';
            flags += "--no-sandbox";
            qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
        }
    }
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

