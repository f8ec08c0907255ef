// MainWin: the commands of the tools menu "排版小工具" — blank lines and
// paragraph-head spaces, script and letter case, HTML and forum codes, and
// the statistics window.
#include <QAction>
#include <QLabel>
#include <QMetaObject>
#include <QPlainTextEdit>
#include "run_controller.h"
#include "worker.h"

#include "batch/html_strip.h"
#include "corrections/case_forms.h"
#include "editor_widget.h"
#include "engine/paragraph_tools.h"
#include "main_window.h"
#include "stats_window.h"
#include "text_bridge.h"

void MainWin::connectTools() {
    namespace engine = folvane::engine;
    namespace corrections = folvane::corrections;
    auto whole = [this](Command c, std::string (*transform)(std::string_view)) {
        connect(action(c), &QAction::triggered, this, [this, transform] {
            if (!editorBusy()) setEditorText(transform(editorText()));
        });
    };
    whole(Command::RemoveBlankLines, &engine::removeBlankLines);
    whole(Command::AllToUpper, &corrections::upperCaseForm);
    whole(Command::AllToLower, &corrections::lowerCaseForm);
    whole(Command::StripHtml, &folvane::batch::htmlToText);
    whole(Command::StripUbb, &folvane::batch::stripForumCodes);

    auto selection = [this](Command c, std::string (*transform)(std::string_view)) {
        connect(action(c), &QAction::triggered, this, [this, transform] {
            QTextCursor cursor = editor_->textCursor();
            if (!cursor.hasSelection() || editorBusy()) return;
            const QString converted = toQt(transform(fromQt(cursor.selectedText())));
            cursor.removeSelectedText();  // two edits, as a user would make them
            editor_->setTextCursor(cursor);
            editor_->insertPlainText(converted);
        });
    };
    selection(Command::SelectionToUpper, &corrections::upperCaseForm);
    selection(Command::SelectionToLower, &corrections::lowerCaseForm);

    connect(action(Command::DeleteHeadSpaces), &QAction::triggered, this, [this] {
        runTool(QStringLiteral("正在删除段首空格，请稍候……"), QStringLiteral("就绪"),
                [](std::string text) { return engine::deleteParagraphHeadSpaces(text); });
    });
    connect(action(Command::ToTraditional), &QAction::triggered, this, [this] {
        runTool(QString(), QStringLiteral("已将文本转换成繁体中文"),
                [&converter = app_.converter(), standard = app_.runContext().scriptStandard](std::string text) {
                    return converter.toTraditionalChinese(text, standard);
                });
    });
    connect(action(Command::ToSimplified), &QAction::triggered, this, [this] {
        runTool(QString(), QStringLiteral("已将文本转换成简体中文"),
                [&converter = app_.converter(), standard = app_.runContext().scriptStandard](std::string text) {
                    return converter.toSimplifiedChinese(text, standard);
                });
    });
    connect(action(Command::Statistics), &QAction::triggered, this, [this] {
        StatsWindow window(app_, editorText(), this);
        withoutAlwaysOnTop([&] { window.exec(); });
    });
}

void MainWin::runTool(const QString& busyText, const QString& doneText,
                      std::function<std::string(std::string)> work) {
    // The editor is disabled while the worker computes the new text, so that
    // nothing typed meanwhile is lost when the result replaces it. The job
    // holds only its own copy of the text and what the application object
    // owns: closing the window meanwhile drops the result.
    if (editorBusy()) return;
    setActivity(folvane::engine::Activity::Tool);
    if (!busyText.isEmpty()) statusParts_[0]->setText(busyText);
    app_.worker().submit(
        this, [work = std::move(work), text = editorText()]() mutable { return work(std::move(text)); },
        [this, doneText](std::string result) {
            setEditorText(result);
            setActivity(folvane::engine::Activity::Idle);
            statusParts_[0]->setText(doneText);
            Q_EMIT toolFinished();
        });
}
