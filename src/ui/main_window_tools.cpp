// MainWin: the commands of the tools menu "排版小工具" — blank lines and
// paragraph-head spaces, script and letter case, HTML and forum codes, and
// the statistics window.
#include <QAction>
#include <QLabel>
#include <QMetaObject>
#include <QPlainTextEdit>
#include "run_controller.h"
#include "worker.h"

#include "editor_widget.h"
#include "engine/text_tools.h"
#include "main_window.h"
#include "stats_window.h"
#include "text_bridge.h"

namespace {

// The menu's tools: which text tool each command applies, to the whole text
// or to the selection, and what the status bar says while and after it
// runs (nothing where empty).
struct ToolCommand {
    Command command;
    folvane::engine::TextTool tool;
    bool selection;
    const char16_t* busyText;
    const char16_t* doneText;
};

using folvane::engine::TextTool;
constexpr ToolCommand kToolCommands[] = {
    {Command::RemoveBlankLines, TextTool::RemoveBlankLines, false, u"", u""},
    {Command::AllToUpper, TextTool::Upper, false, u"", u""},
    {Command::AllToLower, TextTool::Lower, false, u"", u""},
    {Command::StripHtml, TextTool::StripHtml, false, u"", u""},
    {Command::StripUbb, TextTool::StripUbb, false, u"", u""},
    {Command::SelectionToUpper, TextTool::Upper, true, u"", u""},
    {Command::SelectionToLower, TextTool::Lower, true, u"", u""},
    {Command::DeleteHeadSpaces, TextTool::DeleteHeadSpaces, false, u"正在删除段首空格，请稍候……", u"就绪"},
    {Command::ToTraditional, TextTool::ToTraditional, false, u"", u"已将文本转换成繁体中文"},
    {Command::ToSimplified, TextTool::ToSimplified, false, u"", u"已将文本转换成简体中文"},
};

}  // namespace

void MainWin::connectTools() {
    for (const ToolCommand& t : kToolCommands) {
        connect(action(t.command), &QAction::triggered, this, [this, t] {
            folvane::engine::TextToolArguments arguments;
            arguments.converter = &app_.converter();
            arguments.standard = app_.runContext().scriptStandard;
            auto work = [tool = t.tool, arguments = std::move(arguments)](std::string text) {
                return folvane::engine::applyTextTool(tool, std::move(text), arguments);
            };
            const QString busy = QString::fromUtf16(t.busyText), done = QString::fromUtf16(t.doneText);
            if (t.selection) runToolOnSelection(busy, done, std::move(work));
            else runTool(busy, done, std::move(work));
        });
    }
    connect(action(Command::Statistics), &QAction::triggered, this, [this] {
        StatsWindow window(app_, editorText(), this);
        withoutAlwaysOnTop([&] { window.exec(); });
    });
}

// Every tool runs on the worker, behind the one gate: the editor is disabled
// while the worker computes the new text, so that nothing typed meanwhile is
// lost when the result replaces it. The job holds only its own copy of the
// text and what the application object owns: closing the window meanwhile
// drops the result.
void MainWin::runTool(const QString& busyText, const QString& doneText,
                      std::function<std::string(std::string)> work) {
    if (editorBusy()) return;
    runToolOn(editorText(), busyText, doneText, std::move(work),
              [this](const std::string& result) { setEditorText(result); });
}

// The selection's text, converted, replaces the selection in two edits, as a
// user would make them; the caret ends after the new text.
void MainWin::runToolOnSelection(const QString& busyText, const QString& doneText,
                                 std::function<std::string(std::string)> work) {
    const QTextCursor cursor = editor_->textCursor();
    if (!cursor.hasSelection() || editorBusy()) return;
    const int start = cursor.selectionStart(), end = cursor.selectionEnd();
    runToolOn(fromQt(cursor.selectedText()), busyText, doneText, std::move(work),
              [this, start, end](const std::string& result) {
                  QTextCursor c(editor_->document());
                  c.setPosition(start);
                  c.setPosition(end, QTextCursor::KeepAnchor);
                  c.removeSelectedText();
                  editor_->setTextCursor(c);
                  editor_->insertPlainText(toQt(result));
              });
}

void MainWin::runToolOn(std::string input, const QString& busyText, const QString& doneText,
                        std::function<std::string(std::string)> work, std::function<void(const std::string&)> apply) {
    setActivity(folvane::engine::Activity::Tool);
    if (!busyText.isEmpty()) statusParts_[0]->setText(busyText);
    app_.worker().submit(
        this, [work = std::move(work), text = std::move(input)]() mutable { return work(std::move(text)); },
        [this, doneText, apply = std::move(apply)](std::string result) {
            apply(result);
            setActivity(folvane::engine::Activity::Idle);
            if (!doneText.isEmpty()) statusParts_[0]->setText(doneText);
            Q_EMIT toolFinished();
        });
}
