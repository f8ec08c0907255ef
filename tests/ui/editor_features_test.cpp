// The editor as a daily user meets it: the find panel's keys, the toolbar
// beside the navigation bar, check marks, the saved state after an undo,
// the desktop's programs, Save As, find next, recent files and typesetting
// a selection.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QPlainTextEdit>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionMenuItem>
#include <QTest>
#include <QToolBar>

#include "changes_window.h"
#include "document_controller.h"
#include "editor_widget.h"
#include "recent_files_menu.h"
#include "text/codec.h"
#include "main_window.h"
#include "navigation_bar.h"
#include "ui_support.h"

namespace {

class Window : public ::testing::Test {
protected:
    void SetUp() override {
        w.show();
        settings.startUp(w);
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    }
    QString text() const { return editorOf(w)->toPlainText(); }
    QString writeFile(const QString& name, const QByteArray& bytes) {
        const QString path = settings.dir() + QLatin1Char('/') + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    static QByteArray readFile(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
    bool runAndWait(QAction* a) {
        bool finished = false;
        auto c = QObject::connect(&w, &MainWin::typesettingFinished, [&] { finished = true; });
        a->trigger();
        const bool ok = waitUntil([&] { return finished; });
        QObject::disconnect(c);
        return ok;
    }

    FolvaneApp app;
    MainWin w{app};
    IsolatedSettings settings;
};

// ------------------------------------------------------------------ faults

TEST_F(Window, AltFAndAltROpenTheMenusWhileTheFindPanelIsOpen) {
    w.action(Command::FindPanel)->trigger();
    ASSERT_TRUE(findPanelOf(w)->isVisible());
    editorOf(w)->setPlainText(QStringLiteral("abc"));
    findFieldOf(w)->setText(QStringLiteral("abc"));
    replaceFieldOf(w)->setText(QStringLiteral("x"));
    findFieldOf(w)->setFocus();
    struct Case {
        Qt::Key key;
        const char* menu;
    };
    for (const Case c : {Case{Qt::Key_F, "文件(&F)"}, Case{Qt::Key_R, "排版(&R)"}}) {
        QTest::keyClick(findFieldOf(w), c.key, Qt::AltModifier);
        ASSERT_TRUE(waitUntil([] { return QApplication::activePopupWidget() != nullptr; }, 3000)) << c.menu;
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->title(), QString::fromUtf8(c.menu));
        menu->close();
        ASSERT_TRUE(waitUntil([] { return QApplication::activePopupWidget() == nullptr; }, 3000));
        findFieldOf(w)->setFocus();
    }
    EXPECT_EQ(text(), QStringLiteral("abc"));  // nothing was replaced
}

TEST_F(Window, NoToolbarButtonSitsUnderTheNavigationBarsFrame) {
    ASSERT_EQ(w.width(), 685);
    ASSERT_TRUE(w.action(Command::ShowNavigationBar)->isChecked());
    QCoreApplication::processEvents();
    const int frameLeft = child<QLabel>(w, QStringLiteral("frame%1").arg(0))->geometry().left();
    for (int i : {MainWin::kToolWebPage, MainWin::kToolAlwaysOnTop, MainWin::kToolOneClick}) {
        QWidget* button = toolBarOf(w)->widgetForAction(w.toolButton(i));
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(button->isVisible()) << i;
        EXPECT_LE(button->geometry().right(), frameLeft) << i;
    }
}

// A menu that tells how it would draw an item.
class InspectedMenu : public QMenu {
public:
    QStyleOptionMenuItem option(QAction* a) const {
        QStyleOptionMenuItem o;
        initStyleOption(&o, a);
        return o;
    }
};

TEST_F(Window, CheckableItemsShowACheckMarkNotTheirPicture) {
    InspectedMenu menu;
    for (Command c : {Command::AlwaysOnTop, Command::OneClick}) {
        QAction* a = w.action(c);
        a->setChecked(true);
        menu.addAction(a);
        const QStyleOptionMenuItem o = menu.option(a);
        EXPECT_NE(o.checkType, QStyleOptionMenuItem::NotCheckable) << a->text().toStdString();
        EXPECT_TRUE(o.checked) << a->text().toStdString();
        // A picture in a menu is drawn in place of the check mark.
        EXPECT_TRUE(o.icon.isNull()) << a->text().toStdString();
        EXPECT_FALSE(a->icon().isNull());  // the toolbar keeps it
    }
}

TEST_F(Window, UndoingARunOnAnOpenFileTakesTheStarAway) {
    const QString path = writeFile(QStringLiteral("a.txt"), "line one\r\nline two");
    ASSERT_TRUE(w.openFile(path));
    const QString clean = QStringLiteral("a.txt - ") + w.windowTitle().section(QStringLiteral(" - "), 1);
    ASSERT_EQ(w.windowTitle(), clean);
    ASSERT_TRUE(runAndWait(w.action(Command::Run)));
    ASSERT_NE(text(), QStringLiteral("line one\nline two"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("* ") + clean);
    QTest::keyClick(editorOf(w), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(text(), QStringLiteral("line one\nline two"));
    EXPECT_EQ(w.windowTitle(), clean);
    EXPECT_TRUE(statusPartOf(w, 2)->text().isEmpty());
    QTest::keyClick(editorOf(w), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("* ") + clean);
}

TEST_F(Window, PagesNoProgramCanOpenAreReported) {
    // The offscreen platform has no program for web addresses.
    for (Command c : {Command::Website, Command::Forum}) {
        MessageBoxAnswer answer(QMessageBox::Ok);
        w.action(c)->trigger();
        ASSERT_TRUE(waitUntil([&] { return !answer.text.isEmpty(); }, 5000)) << static_cast<int>(c);
        EXPECT_TRUE(answer.text.contains(QStringLiteral("https://folvane.example.com/"))) << answer.text.toStdString();
        EXPECT_TRUE(answer.text.startsWith(QStringLiteral("无法打开"))) << answer.text.toStdString();
    }
}

// ---------------------------------------------------------------- Save As

folvane::text::TextFormat format(folvane::text::Encoding e, bool bom, bool lf) {
    folvane::text::TextFormat f;
    f.encoding = e;
    f.bom = bom;
    f.lfOnly = lf;
    return f;
}

TEST_F(Window, SaveAsWritesTheChosenEncodingAndLineBreaksAndSaveKeepsThem) {
    using folvane::text::Encoding;
    ScriptedDocumentDialogs dialogs(w);
    const QString path = writeFile(QStringLiteral("gb.txt"), QByteArray("\xbc\xd7\r\nb"));  // "甲" in GB18030
    ASSERT_TRUE(w.openFile(path));
    EXPECT_EQ(formatLabelOf(w)->text(), QStringLiteral("GB18030  CRLF"));
    const QString target = settings.dir() + QStringLiteral("/utf8.txt");
    dialogs.saveAsTo(target, format(Encoding::Utf8, false, true));
    w.action(Command::SaveAs)->trigger();
    EXPECT_EQ(readFile(target), QByteArray("\xe7\x94\xb2\nb"));
    EXPECT_EQ(readFile(path), QByteArray("\xbc\xd7\r\nb"));  // the old file stays as it was
    EXPECT_EQ(formatLabelOf(w)->text(), QStringLiteral("UTF-8  LF"));
    EXPECT_TRUE(w.windowTitle().startsWith(QStringLiteral("utf8.txt - ")));
    // The dialog started from the open file's name and format.
    ASSERT_EQ(dialogs.script().proposedNames.size(), 1);
    EXPECT_EQ(dialogs.script().proposedNames[0], path);
    EXPECT_EQ(dialogs.script().saveAsOffered[0].encoding, Encoding::Gb18030);
    // Save writes the new file in the format Save As chose.
    editorOf(w)->setPlainText(QStringLiteral("甲\n乙"));
    w.action(Command::Save)->trigger();
    EXPECT_EQ(readFile(target), QByteArray("\xe7\x94\xb2\n\xe4\xb9\x99"));
    // A cancelled Save As changes nothing.
    w.action(Command::SaveAs)->trigger();
    EXPECT_EQ(formatLabelOf(w)->text(), QStringLiteral("UTF-8  LF"));
    EXPECT_TRUE(dialogs.asked().empty());
}

TEST_F(Window, SaveAsDialogOffersTheFormatsAndStartsFromTheDocuments) {
    using folvane::text::Encoding;
    auto dialog = DocumentDialogs::saveAsDialog(&w, QStringLiteral("a.txt"), format(Encoding::Utf16LE, true, true));
    auto* encoding = dialog->findChild<QComboBox*>(QStringLiteral("saveEncoding"));
    auto* breaks = dialog->findChild<QComboBox*>(QStringLiteral("saveLineBreaks"));
    ASSERT_NE(encoding, nullptr);
    ASSERT_NE(breaks, nullptr);
    QStringList items;
    for (int i = 0; i < encoding->count(); ++i) items << encoding->itemText(i);
    EXPECT_EQ(items, (QStringList{"GB18030", "UTF-8", "UTF-8 BOM", "UTF-16 LE"}));
    EXPECT_EQ(encoding->currentText(), QStringLiteral("UTF-16 LE"));
    EXPECT_EQ(breaks->currentIndex(), 1);
    encoding->setCurrentIndex(2);
    breaks->setCurrentIndex(0);
    const auto f = DocumentDialogs::chosenFormat(*dialog);
    EXPECT_EQ(f.encoding, Encoding::Utf8);
    EXPECT_TRUE(f.bom);
    EXPECT_FALSE(f.lfOnly);

    // The document format: it starts from the document's, follows the
    // extension of a name picked, and can be set by hand.
    using folvane::engine::DocumentFormat;
    auto md = DocumentDialogs::saveAsDialog(&w, QStringLiteral("a.md"), format(Encoding::Utf8, false, true),
                                            DocumentFormat::Markdown);
    auto* kind = md->findChild<QComboBox*>(QStringLiteral("saveDocumentFormat"));
    ASSERT_NE(kind, nullptr);
    EXPECT_EQ(kind->count(), 2);
    EXPECT_EQ(kind->itemText(0), QStringLiteral("纯文本"));
    EXPECT_EQ(kind->currentText(), QStringLiteral("Markdown"));
    EXPECT_EQ(DocumentDialogs::chosenDocumentFormat(*md), DocumentFormat::Markdown);
    const struct {
        QString picked;
        DocumentFormat expected;
    } picks[] = {{QStringLiteral("/x/b.txt"), DocumentFormat::Text},
                 {QStringLiteral("/x/c.MARKDOWN"), DocumentFormat::Markdown},
                 {QStringLiteral("/x/noextension"), DocumentFormat::Markdown},  // says nothing: kept
                 {QStringLiteral("/x/d.mdown"), DocumentFormat::Markdown}};
    for (const auto& p : picks) {
        Q_EMIT md->currentChanged(p.picked);
        EXPECT_EQ(DocumentDialogs::chosenDocumentFormat(*md), p.expected) << p.picked.toStdString();
    }
    kind->setCurrentIndex(0);
    EXPECT_EQ(DocumentDialogs::chosenDocumentFormat(*md), DocumentFormat::Text);
}

// -------------------------------------------------------------- find next

TEST_F(Window, FindNextAndPreviousCountHighlightAndReplaceOne) {
    editorOf(w)->setPlainText(QStringLiteral("Abc abc 字ABC"));
    w.action(Command::FindPanel)->trigger();
    findFieldOf(w)->setText(QStringLiteral("abc"));
    auto* count = findPanelOf(w)->findChild<QLabel*>(QStringLiteral("findCount"));
    ASSERT_NE(count, nullptr);
    ASSERT_TRUE(waitUntil([&] { return count->text() == QStringLiteral("共 3 处"); }, 3000)) << count->text().toStdString();
    EXPECT_EQ(editorOf(w)->extraSelections().size(), 3);
    auto selected = [&] {
        const QTextCursor c = editorOf(w)->textCursor();
        return std::pair{c.selectionStart(), c.selectionEnd()};
    };
    struct Step {
        QKeyCombination key;
        std::pair<int, int> selection;
    };
    const Step steps[] = {
        {Qt::Key_F3, {0, 3}},
        {Qt::Key_F3, {4, 7}},
        {Qt::Key_F3, {9, 12}},
        {Qt::Key_F3, {0, 3}},  // wraps round
        {Qt::SHIFT | Qt::Key_F3, {9, 12}},
        {Qt::SHIFT | Qt::Key_F3, {4, 7}},
    };
    for (const Step& s : steps) {
        QTest::keyClick(findFieldOf(w), s.key.key(), s.key.keyboardModifiers());
        EXPECT_EQ(selected(), s.selection);
    }
    EXPECT_TRUE(findFieldOf(w)->hasFocus());
    // "替换" replaces the selected match only, as one step of Undo, and goes on.
    replaceFieldOf(w)->setText(QStringLiteral("词"));
    QTest::mouseClick(findPanelOf(w)->findChild<QPushButton*>(QStringLiteral("replaceOne")), Qt::LeftButton);
    EXPECT_EQ(text(), QStringLiteral("Abc 词 字ABC"));
    EXPECT_EQ(selected(), (std::pair{7, 10}));
    ASSERT_TRUE(waitUntil([&] { return count->text() == QStringLiteral("共 2 处"); }, 3000));
    w.action(Command::Undo)->trigger();
    EXPECT_EQ(text(), QStringLiteral("Abc abc 字ABC"));
    // Escape closes the panel, the highlighting goes, the match stays selected.
    findFieldOf(w)->setFocus();
    QTest::keyClick(findFieldOf(w), Qt::Key_Return);
    const auto match = selected();
    QTest::keyClick(findFieldOf(w), Qt::Key_Escape);
    EXPECT_FALSE(findPanelOf(w)->isVisible());
    EXPECT_TRUE(editorOf(w)->extraSelections().isEmpty());
    EXPECT_EQ(selected(), match);
}

TEST_F(Window, HighlightsSurviveARunThatReplacesTheEditorsDocument) {
    app.options().fixPunctuation = true;
    editorOf(w)->setPlainText(QStringLiteral("一,二,三,"));
    w.action(Command::FindPanel)->trigger();
    findFieldOf(w)->setText(QStringLiteral(","));
    auto* count = findPanelOf(w)->findChild<QLabel*>(QStringLiteral("findCount"));
    ASSERT_TRUE(waitUntil([&] { return count->text() == QStringLiteral("共 3 处"); }, 3000));
    ASSERT_TRUE(runAndWait(w.action(Command::Run)));  // the result comes as a new document
    editorOf(w)->viewport()->repaint();
    // The marks of the old document went with it; the new one gets its own.
    for (const auto& mark : editorOf(w)->extraSelections()) EXPECT_EQ(mark.cursor.document(), editorOf(w)->document());
    findFieldOf(w)->setText(QStringLiteral("二，"));
    ASSERT_TRUE(waitUntil([&] { return count->text() == QStringLiteral("共 1 处"); }, 3000)) << count->text().toStdString();
    EXPECT_EQ(editorOf(w)->extraSelections().size(), 1);
    for (const auto& mark : editorOf(w)->extraSelections()) EXPECT_EQ(mark.cursor.document(), editorOf(w)->document());
}

TEST_F(Window, MarksFollowTheViewThroughALongText) {
    QStringList lines;
    for (int i = 0; i < 3000; ++i) lines << QStringLiteral("第%1行 abc").arg(i);
    editorOf(w)->setPlainText(lines.join(QLatin1Char('\n')));
    w.action(Command::FindPanel)->trigger();
    findFieldOf(w)->setText(QStringLiteral("abc"));
    auto* count = findPanelOf(w)->findChild<QLabel*>(QStringLiteral("findCount"));
    ASSERT_TRUE(waitUntil([&] { return count->text() == QStringLiteral("共 3000 处"); }, 3000));
    auto marked = [&] {
        QList<int> at;
        for (const auto& m : editorOf(w)->extraSelections()) at << m.cursor.selectionStart();
        return at;
    };
    const QList<int> top = marked();
    ASSERT_FALSE(top.isEmpty());
    EXPECT_LT(top.size(), 3000);  // what the screen shows, not all
    EXPECT_EQ(top.first(), editorOf(w)->toPlainText().indexOf(QStringLiteral("abc")));
    editorOf(w)->verticalScrollBar()->setValue(editorOf(w)->verticalScrollBar()->maximum());
    const QList<int> bottom = marked();
    ASSERT_FALSE(bottom.isEmpty());
    EXPECT_EQ(bottom.last(), editorOf(w)->toPlainText().lastIndexOf(QStringLiteral("abc")));
}

TEST_F(Window, TheCountIsWhatReplaceAllReplaces) {
    const QString texts[] = {QStringLiteral("aaaa"), QStringLiteral("😀x😀"), QStringLiteral("ÄäA")};
    const QString needles[] = {QStringLiteral("aa"), QStringLiteral("😀"), QStringLiteral("a")};
    w.action(Command::FindPanel)->trigger();
    auto* count = findPanelOf(w)->findChild<QLabel*>(QStringLiteral("findCount"));
    for (int i = 0; i < 3; ++i) {
        editorOf(w)->setPlainText(texts[i]);
        findFieldOf(w)->setText(needles[i]);
        replaceFieldOf(w)->setText(QStringLiteral("\x01"));
        w.action(Command::FindNext)->trigger();  // counts at once
        const int n = count->text().section(QLatin1Char(' '), 1, 1).toInt();
        QTest::mouseClick(findPanelOf(w)->findChild<QPushButton*>(QStringLiteral("replaceAll")), Qt::LeftButton);
        EXPECT_EQ(text().count(QChar(1)), n) << i;
    }
}

TEST_F(Window, TheCountFollowsATextReplacedWhole) {
    w.action(Command::FindPanel)->trigger();
    auto* count = findPanelOf(w)->findChild<QLabel*>(QStringLiteral("findCount"));
    auto countIs = [&](const QString& expected) {
        return waitUntil([&] { return count->text() == expected; }, 3000);
    };
    editorOf(w)->setPlainText(QStringLiteral("abc"));
    findFieldOf(w)->setText(QStringLiteral("abc"));
    ASSERT_TRUE(countIs(QStringLiteral("共 1 处"))) << count->text().toStdString();
    // Replacing every match leaves none; Undo brings it back; a run counts anew.
    replaceFieldOf(w)->setText(QString());
    QTest::mouseClick(findPanelOf(w)->findChild<QPushButton*>(QStringLiteral("replaceAll")), Qt::LeftButton);
    ASSERT_EQ(text(), QString());
    EXPECT_TRUE(countIs(QStringLiteral("共 0 处"))) << count->text().toStdString();
    w.action(Command::Undo)->trigger();
    EXPECT_TRUE(countIs(QStringLiteral("共 1 处"))) << count->text().toStdString();
    w.setEditorText("abc abc");
    EXPECT_TRUE(countIs(QStringLiteral("共 2 处"))) << count->text().toStdString();
}

// ----------------------------------------------------------- recent files

TEST_F(Window, RecentFilesListOpenedAndSavedFilesAndDropMissingOnes) {
    const QString a = writeFile(QStringLiteral("a.txt"), "A"), b = writeFile(QStringLiteral("b.txt"), "B");
    ASSERT_TRUE(w.openFile(a));
    ASSERT_TRUE(w.openFile(b));
    ASSERT_TRUE(w.openFile(a));
    EXPECT_EQ(w.recentFiles()->files(), (QStringList{a, b}));
    // In config.ini under keys of their own, beside the other settings.
    const QByteArray ini = readFile(settings.dir() + QStringLiteral("/config.ini"));
    EXPECT_TRUE(ini.contains(QByteArray::fromStdString(folvane::text::gb("最近打开的文件1=") + a.toStdString())));
    EXPECT_TRUE(ini.contains(QByteArray::fromStdString(folvane::text::gb("最近打开的文件2=") + b.toStdString())));
    // The menu lists them; an entry opens its file.
    w.recentFiles()->refresh();
    QList<QAction*> items = w.recentFiles()->menu()->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[1]->text(), QStringLiteral("&2 ") + b);
    items[1]->trigger();
    EXPECT_EQ(text(), QStringLiteral("B"));
    EXPECT_EQ(w.recentFiles()->files(), (QStringList{b, a}));
    // A file that went is taken out when the menu opens, and the user is told.
    QFile::remove(a);
    w.recentFiles()->refresh();
    EXPECT_EQ(w.recentFiles()->files(), QStringList{b});
    EXPECT_EQ(w.recentFiles()->menu()->actions().size(), 1);
    EXPECT_TRUE(statusPartOf(w, 0)->text().contains(a)) << statusPartOf(w, 0)->text().toStdString();
}

// ------------------------------------------------------ typeset a selection

TEST_F(Window, RunOnASelectionTypesetsOnlyThePassageAsOneStep) {
    app.options().fixPunctuation = true;
    const QString before = QStringLiteral("第一行不动,\n中间这段,要排版.\n最后一行,也不动");
    editorOf(w)->setPlainText(before);
    QTextCursor c = editorOf(w)->textCursor();
    const int start = before.indexOf(QStringLiteral("中间")), end = before.indexOf(QStringLiteral("\n最后"));
    c.setPosition(start);
    c.setPosition(end, QTextCursor::KeepAnchor);
    editorOf(w)->setTextCursor(c);
    ASSERT_TRUE(runAndWait(w.action(Command::Run)));
    const QString after = text();
    EXPECT_TRUE(after.startsWith(QStringLiteral("第一行不动,\n"))) << after.toStdString();
    EXPECT_TRUE(after.endsWith(QStringLiteral("\n最后一行,也不动"))) << after.toStdString();
    const QString passage = editorOf(w)->textCursor().selectedText();
    EXPECT_TRUE(passage.contains(QStringLiteral("中间这段，要排版。"))) << passage.toStdString();
    // One step of Undo brings the whole text back.
    w.action(Command::Undo)->trigger();
    EXPECT_EQ(text(), before);
}

TEST_F(Window, RunOnASelectionAddsNoSignatures) {
    app.runContext().signature.tailSignatureTemplate = folvane::text::gb("——尾签");
    app.runContext().signature.signatureEnabled = true;
    editorOf(w)->setPlainText(QStringLiteral("甲\n乙\n丙"));
    QTextCursor c = editorOf(w)->textCursor();
    c.setPosition(2);
    c.setPosition(3, QTextCursor::KeepAnchor);
    editorOf(w)->setTextCursor(c);
    ASSERT_TRUE(runAndWait(w.action(Command::Run)));
    EXPECT_FALSE(text().contains(QStringLiteral("尾签"))) << text().toStdString();
    EXPECT_TRUE(text().startsWith(QStringLiteral("甲\n"))) << text().toStdString();
    // Without a selection the run is on the whole text, signature included.
    c.clearSelection();
    editorOf(w)->setTextCursor(c);
    ASSERT_TRUE(runAndWait(w.action(Command::Run)));
    EXPECT_TRUE(text().contains(QStringLiteral("尾签"))) << text().toStdString();
}

// ----------------------------------------------------------- run changes

TEST_F(Window, ChangesOfTheLastRunSideBySide) {
    EXPECT_FALSE(w.action(Command::ShowChanges)->isEnabled());  // no run yet
    app.options().fixPunctuation = true;
    const QString before = QStringLiteral("第一段,没有缩进.\n第二段");
    editorOf(w)->setPlainText(before);
    ASSERT_TRUE(runAndWait(w.action(Command::Run)));
    const QString after = text();
    ASSERT_NE(after, before);
    ASSERT_TRUE(w.action(Command::ShowChanges)->isEnabled());
    // Opened from the status bar's run time as from the menu.
    QTest::mouseClick(statusPartOf(w, 1), Qt::LeftButton);
    ASSERT_NE(w.changesWindow(), nullptr);
    ChangesWindow* cw = w.changesWindow();
    ASSERT_TRUE(waitUntil([&] { return child<QPlainTextEdit>(*cw, QStringLiteral("afterView"))->toPlainText() == after; }));
    EXPECT_EQ(child<QPlainTextEdit>(*cw, QStringLiteral("beforeView"))->toPlainText(), before);
    const auto& changes = cw->changes();
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(child<QLabel>(*cw, QStringLiteral("changeCount"))->text(), QStringLiteral("共 %1 处改动").arg(changes.size()));
    // Rebuilding the result from the changes gives it back.
    QString rebuilt;
    std::size_t at = 0;
    for (const auto& ch : changes) {
        rebuilt += before.mid(static_cast<int>(at), static_cast<int>(ch.beforePos - at));
        rebuilt += after.mid(static_cast<int>(ch.afterPos), static_cast<int>(ch.afterLen));
        at = ch.beforePos + ch.beforeLen;
    }
    rebuilt += before.mid(static_cast<int>(at));
    EXPECT_EQ(rebuilt, after);
    EXPECT_FALSE(child<QPlainTextEdit>(*cw, QStringLiteral("afterView"))->extraSelections().isEmpty());
    cw->next();
    EXPECT_EQ(cw->current(), 0);
    EXPECT_EQ(child<QPlainTextEdit>(*cw, QStringLiteral("afterView"))->textCursor().selectionStart(), static_cast<int>(changes[0].afterPos));
    cw->previous();  // wraps round to the last
    EXPECT_EQ(cw->current(), static_cast<int>(changes.size()) - 1);
    EXPECT_TRUE(child<QLabel>(*cw, QStringLiteral("changeCount"))->text().startsWith(QStringLiteral("第 %1 处").arg(changes.size())));
}

TEST_F(Window, TheChangesWindowFollowsTheLatestRun) {
    app.options().fixPunctuation = true;
    editorOf(w)->setPlainText(QStringLiteral("一,"));
    ASSERT_TRUE(runAndWait(w.action(Command::Run)));
    const QString first = text();
    w.action(Command::ShowChanges)->trigger();
    ASSERT_TRUE(waitUntil([&] { return child<QPlainTextEdit>(*w.changesWindow(), QStringLiteral("afterView"))->toPlainText() == first; }));
    editorOf(w)->setPlainText(first + QStringLiteral("\n二."));
    const QString second = text();
    ASSERT_TRUE(runAndWait(w.action(Command::Run)));
    w.action(Command::ShowChanges)->trigger();
    ChangesWindow* cw = w.changesWindow();
    ASSERT_TRUE(waitUntil([&] { return child<QPlainTextEdit>(*cw, QStringLiteral("beforeView"))->toPlainText() == second; }));
    EXPECT_EQ(child<QPlainTextEdit>(*cw, QStringLiteral("afterView"))->toPlainText(), text());
    // Asked again without a new run, it keeps what it shows.
    cw->next();
    w.action(Command::ShowChanges)->trigger();
    EXPECT_EQ(cw->current(), 0);
}

}  // namespace
