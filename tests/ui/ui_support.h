// Helpers for driving the real window in tests.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <functional>

// Processes events until `done` holds or `ms` have passed; true when it held.
inline bool waitUntil(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

#include <QTemporaryDir>

#include "main_window.h"

// Starts a window up with a settings file of its own in a fresh directory,
// so that tests neither read nor write the user's settings.
class IsolatedSettings {
public:
    IsolatedSettings() : path_(dir_.filePath(QStringLiteral("config.ini")).toStdString()) {}
    const std::string& path() const { return path_; }
    QString dir() const { return dir_.path(); }
    void startUp(MainWin& w, const QStringList& arguments = {}) { w.startUp(arguments, path_); }

private:
    QTemporaryDir dir_;
    std::string path_;
};
