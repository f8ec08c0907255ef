// MainWin: find next and previous in the find-and-replace panel, the
// highlighting of every match, the count "共 N 处" and replacing one match.
// The places are those the panel's replace-all replaces (editor/find_matches).
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTextBlock>
#include <QTimer>
#include <algorithm>

#include "editor/find_matches.h"
#include "editor_widget.h"
#include "main_window.h"

namespace {

std::u16string_view units(const QString& s) {
    return {reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size())};
}

// More marks than a screen can show are never made.
constexpr std::size_t kMostHighlights = 2000;

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
    if (findPanel_->isVisible() && !matches_.empty()) {
        // Only the matches on the screen are marked (again when the view
        // scrolls): a long text may hold a great many.
        const QRect r = editor_->viewport()->rect();
        const auto first = static_cast<std::size_t>(editor_->cursorForPosition(r.topLeft()).block().position());
        const QTextBlock bottom = editor_->cursorForPosition(r.bottomRight()).block();
        const auto last = static_cast<std::size_t>(bottom.position() + bottom.length());
        const auto length = static_cast<std::size_t>(findNeedle_.size());
        QTextCharFormat format;
        format.setBackground(QColor(255, 230, 120));
        auto it = std::lower_bound(matches_.begin(), matches_.end(), first > length ? first - length : 0);
        for (std::size_t n = 0; it != matches_.end() && *it <= last && n < kMostHighlights; ++it, ++n) {
            QTextCursor c(editor_->document());
            c.setPosition(static_cast<int>(*it));
            c.setPosition(static_cast<int>(*it + length), QTextCursor::KeepAnchor);
            marks.append({c, format});
        }
    }
    editor_->setExtraSelections(marks);
}

void MainWin::findNext(bool forward) {
    if (!findPanel_->isVisible()) {
        if (app_.windowState().value().findPanel) showFindPanel(true);
        else app_.windowState().set(folvane::settings::WindowFlag::FindPanel, true);
    }
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
