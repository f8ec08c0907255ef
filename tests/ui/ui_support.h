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

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

// Answers the next message box that appears with `button`, and reports its
// title and text (empty when none appeared within `ms`).
class MessageBoxAnswer : public QObject {
public:
    explicit MessageBoxAnswer(QMessageBox::StandardButton button, int ms = 5000) : button_(button) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, this, [this, ms] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                title = box->windowTitle();
                text = box->text();
                timer_.stop();
                if (QAbstractButton* b = box->button(button_)) b->click();
                else box->close();
            } else if (++ticks_ * 10 > ms) {
                timer_.stop();
            }
        });
        timer_.start();
    }
    QString title;
    QString text;

private:
    QMessageBox::StandardButton button_;
    QTimer timer_;
    int ticks_ = 0;
};

#include <QFileDialog>

// Answers the next file dialog: chooses `path`, or cancels when it is empty.
class FileDialogAnswer : public QObject {
public:
    explicit FileDialogAnswer(QString path) : path_(std::move(path)) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            timer_.stop();
            proposed = dialog->selectedFiles().value(0);
            if (path_.isEmpty()) {
                dialog->reject();
            } else {
                dialog->selectFile(path_);
                QMetaObject::invokeMethod(dialog, "accept");
            }
        });
        timer_.start();
    }
    QString proposed;  // what the dialog offered

private:
    QString path_;
    QTimer timer_;
};
