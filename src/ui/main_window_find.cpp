// MainWin: find next and previous in the find-and-replace panel, the
// highlighting of every match, the count "共 N 处" and replacing one match.
// The places are those the panel's replace-all replaces (editor/find_matches).
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTextBlock>
#include <QTimer>

#include "editor/find_matches.h"
#include "editor_widget.h"
#include "main_window.h"

namespace {

std::u16string_view units(const QString& s) {
    return {reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size())};
}

// More highlighted places than this cost the editor's painting more than
// they show; the count still counts them all.
constexpr std::size_t kMostHighlights = 5000;

}  // namespace

void MainWin::findTextChanged() {
    findDirty_ = true;
    if (findPanel_->isVisible()) findTimer_->start();
}

const std::vector<std::size_t>& MainWin::currentMatches() {
    if (findDirty_) {
        findNeedle_ = findField_->text();
        matches_ = folvane::editor::findMatches(units(editor_->toPlainText()), units(findNeedle_));
        findDirty_ = false;
        showMatches();
    }
    return matches_;
}

void MainWin::showMatches() {
    findCount_->setText(findNeedle_.isEmpty() ? QString() : QStringLiteral("共 %1 处").arg(matches_.size()));
    QList<QTextEdit::ExtraSelection> marks;
    if (findPanel_->isVisible()) {
        QTextCharFormat format;
        format.setBackground(QColor(255, 230, 120));
        const auto length = static_cast<int>(findNeedle_.size());
        for (std::size_t i = 0; i < matches_.size() && i < kMostHighlights; ++i) {
            QTextCursor c(editor_->document());
            c.setPosition(static_cast<int>(matches_[i]));
            c.setPosition(static_cast<int>(matches_[i]) + length, QTextCursor::KeepAnchor);
            marks.append({c, format});
        }
    }
    editor_->setExtraSelections(marks);
}

void MainWin::findNext(bool forward) {
    if (!findPanel_->isVisible()) setFindPanelShown(true);
    const auto& matches = currentMatches();
    const QTextCursor sel = editor_->textCursor();
    const auto to = folvane::editor::nextMatch(matches, static_cast<std::size_t>(findNeedle_.size()),
                                               static_cast<std::size_t>(sel.selectionStart()),
                                               static_cast<std::size_t>(sel.selectionEnd()), forward);
    if (!to) return;
    QTextCursor c = editor_->textCursor();
    c.setPosition(static_cast<int>(*to));
    c.setPosition(static_cast<int>(*to + static_cast<std::size_t>(findNeedle_.size())), QTextCursor::KeepAnchor);
    editor_->setTextCursor(c);
    editor_->ensureCursorVisible();
}

void MainWin::replaceOne() {
    const auto& matches = currentMatches();
    const QTextCursor sel = editor_->textCursor();
    const bool onMatch = sel.hasSelection() &&
                         sel.selectionEnd() - sel.selectionStart() == static_cast<int>(findNeedle_.size()) &&
                         folvane::editor::matchIndexAt(matches, static_cast<std::size_t>(sel.selectionStart()));
    if (onMatch) {
        // One edit of the editor, so one step of Undo.
        QTextCursor c = sel;
        c.insertText(replaceField_->text());
        editor_->setTextCursor(c);
    }
    findNext(true);
}
