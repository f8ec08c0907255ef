// The about window: product name, version and build time, links to the
// product's pages (opened in the desktop's browser).
#pragma once

#include <QDialog>

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);

    // "3.0.7\n<build time>", as the window shows it.
    static QString versionText();
};
