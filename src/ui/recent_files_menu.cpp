#include "recent_files_menu.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

#include "editor/recent_files.h"
#include "settings/ini_store.h"
#include "text_bridge.h"

namespace editor = folvane::editor;

namespace {

// config.ini is a GB18030 text: paths are stored in it as such.
std::vector<std::string> toCore(const QStringList& files) {
    std::vector<std::string> out;
    for (const QString& f : files) out.push_back(fromQt(f));
    return out;
}

QStringList fromCore(const std::vector<std::string>& files) {
    QStringList out;
    for (const std::string& f : files) out << qtFromGb(f);
    return out;
}

}  // namespace

RecentFilesMenu::RecentFilesMenu(QAction* holder, Hooks hooks, QWidget* parent)
    : QObject(parent), menu_(new QMenu(parent)), hooks_(std::move(hooks)) {
    menu_->setObjectName(QStringLiteral("recentFilesMenu"));
    menu_->setTitle(holder->text());
    holder->setMenu(menu_);
    connect(menu_, &QMenu::aboutToShow, this, &RecentFilesMenu::refresh);
}

QStringList RecentFilesMenu::files() const {
    const folvane::settings::IniStore* s = hooks_.store();
    if (!s) return {};
    return fromCore(editor::readRecentFiles(s->read(), s->section()));
}

void RecentFilesMenu::store(const QStringList& files) const {
    if (const folvane::settings::IniStore* s = hooks_.store()) s->write(editor::recentFileAssignments(toCore(files)));
}

void RecentFilesMenu::add(const QString& path) {
    store(fromCore(editor::withRecentFile(toCore(files()), fromQt(QFileInfo(path).absoluteFilePath()))));
}

void RecentFilesMenu::refresh() {
    std::vector<std::string> missing;
    const auto kept = editor::withoutMissingFiles(
        toCore(files()), [](const std::string& p) { return QFileInfo::exists(qtFromGb(p)); }, &missing);
    if (!missing.empty()) {
        store(fromCore(kept));
        QStringList names;
        for (const std::string& m : missing) names << qtFromGb(m);
        hooks_.tell(QStringLiteral("以下文件已不存在，已从最近打开的文件中删除：%1").arg(names.join(QStringLiteral("，"))));
    }
    menu_->clear();
    const QStringList list = fromCore(kept);
    for (int i = 0; i < list.size(); ++i) {
        // "&1" to "&9", then "1&0": a digit opens each from the keyboard.
        const QString number = i < 9 ? QStringLiteral("&%1").arg(i + 1) : QStringLiteral("1&0");
        QString shown = list[i];
        QAction* a = menu_->addAction(number + QLatin1Char(' ') + shown.replace(QLatin1Char('&'), QStringLiteral("&&")));
        const QString path = list[i];
        connect(a, &QAction::triggered, this, [this, path] { openEntry(path); });
    }
    if (list.isEmpty()) menu_->addAction(QStringLiteral("(无)"))->setEnabled(false);
}

void RecentFilesMenu::openEntry(const QString& path) {
    if (!QFileInfo::exists(path)) {
        store(fromCore(editor::withoutRecentFile(toCore(files()), fromQt(path))));
        hooks_.tell(QStringLiteral("以下文件已不存在，已从最近打开的文件中删除：%1").arg(path));
        return;
    }
    hooks_.open(path);
}
