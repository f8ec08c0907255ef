// What the windows need from an embedded web engine, without depending on
// one: the program links an engine-backed implementation when it has one,
// and runs without the web features when it has none or it cannot start.
#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>
#include <functional>

// A small view that loads one page and tells when the document is complete.
class EmbeddedPageView : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    virtual void load(const QUrl& url) = 0;

Q_SIGNALS:
    // The page has finished loading; a failed load reports false.
    void loadFinished(bool succeeded, const QString& title);
};

class WebFeatures {
public:
    virtual ~WebFeatures() = default;
    // A page view for the update page, a child of `parent`. New windows and
    // downloads that its page asks for are declined.
    virtual EmbeddedPageView* createPageView(QWidget* parent) = 0;
    // Opens the window that imports a web page, modal over `parent`, and
    // returns when it has closed. `replaceText` receives the page's text or
    // HTML at most once, to replace the editor text with as one change.
    virtual void openUrlWindow(QWidget* parent, bool alwaysOnTop,
                               const std::function<void(const QString&)>& replaceText) = 0;
};
