// What the windows need from an embedded web engine, without depending on
// one. The engine-backed implementation is a module of its own that the
// program loads when the web features are first needed (after the main
// window is on the screen); without the module, or with an engine that
// cannot start, the program works without them. The interfaces are plain
// virtual classes so that they can cross the module boundary.
#pragma once

#include <QString>
#include <QByteArray>
#include <QUrl>
#include <functional>

class QWidget;

// A small view that loads one page and tells when the document is complete.
// The object is its widget: it goes when the widget's parent deletes it.
class EmbeddedPage {
public:
    virtual ~EmbeddedPage() = default;
    virtual QWidget* widget() = 0;
    virtual void load(const QUrl& url) = 0;
    // Shows `body`, already fetched from `base` (its address, for the
    // page's own links and resources), without asking for it again.
    virtual void setContent(const QByteArray& body, const QString& mimeType, const QUrl& base) = 0;
    // Called when a page has finished loading; a failed load reports false.
    virtual void setLoadFinishedHandler(std::function<void(bool succeeded, const QString& title)> handler) = 0;
};

class WebFeatures {
public:
    virtual ~WebFeatures() = default;
    // Whether the features can be offered (checked without starting the
    // engine).
    virtual bool available() const = 0;
    // A page view for the update page, a child of `parent`, or nullptr. New
    // windows and downloads that its page asks for are declined.
    virtual EmbeddedPage* createPage(QWidget* parent) = 0;
    // Opens the window that imports a web page, modal over `parent`, and
    // returns when it has closed. `replaceText` receives the page's text or
    // HTML at most once, to replace the editor text with as one change.
    virtual void openUrlWindow(QWidget* parent, bool alwaysOnTop,
                               const std::function<void(const QString&)>& replaceText) = 0;
};

// The name of the function that the module exports: it returns a new
// WebFeatures, or nullptr when the engine cannot start.
#define FOLVANE_WEB_FEATURES_ENTRY "folvane_create_web_features"
using CreateWebFeaturesFn = WebFeatures* (*)();
