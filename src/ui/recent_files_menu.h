// The submenu "最近打开的文件": the last ten files opened or saved, kept in
// config.ini (read each time the menu opens, so that it is what the file
// holds), with files that have gone taken out and the user told.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace folvane::settings {
class IniStore;
}

class RecentFilesMenu : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        // The settings file (null before start-up or without one).
        std::function<const folvane::settings::IniStore*()> store;
        // Opens a listed file (with the question before Open).
        std::function<void(const QString& path)> open;
        // Says which listed files were missing and have been taken out.
        std::function<void(const QString& text)> tell;
    };
    // The submenu becomes the menu of `holder`, the item "最近打开的文件".
    RecentFilesMenu(QAction* holder, Hooks hooks, QWidget* parent);

    // The list as stored, newest first.
    QStringList files() const;
    // `path` was opened or saved: it goes to the front of the list.
    void add(const QString& path);
    // Fills the menu from the list, after taking out the files that are
    // gone (the menu's aboutToShow).
    void refresh();
    QMenu* menu() const { return menu_; }

private:
    void store(const QStringList& files) const;
    void openEntry(const QString& path);

    QMenu* menu_;
    Hooks hooks_;
};
