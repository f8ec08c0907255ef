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
    // The width a title bar needs to show `title` whole: the text in a font
    // up to 1.5 times `font`, and 160 pixels for the icon and the buttons.
    static int titleRoom(const QString& title, const QFont& font);
};
