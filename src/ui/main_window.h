// MainWin: the main window of Folvane — editor, menus, toolbar, status bar,
// find-and-replace panel and progress display. The document's flow is the
// DocumentController's, the hot keys, clipboard and tray the DesktopController's.
// The state it shows belongs to the application object (FolvaneApp); what
// needs no widget (the document, the settings, the rules of the controls,
// the pipeline) lives in the core; this class connects it to the widgets.
#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "batch_window.h"
#include "commands.h"
#include "desktop_controller.h"
#include "document_controller.h"
#include "editor/document.h"
#include "editor_font.h"
#include "engine/clipboard_watch.h"
#include "engine/run_context.h"
#include "engine/typeset_options.h"
#include "folvane_app.h"
#include "program_request.h"
#include "run_controller.h"
#include "settings/ini_store.h"
#include "settings/quick_bar_rules.h"
#include "settings/window_state.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QToolBar;
class QTextDocument;
class QTimer;
class EditorWidget;
class EditorBridge;
struct EditorRunResult;
class UpperQuickBar;
class LowerQuickBar;
class NavigationBarParts;
class RecentFilesMenu;
class ChangesWindow;
class WebFeatures;

class MainWin : public QMainWindow,
                private DesktopHost,
                private DocumentHost {
    Q_OBJECT
public:
    // The toolbar's button indices; 3, 9 and 11 are separators.
    enum ToolButton {
        kToolNew = 0, kToolOpen = 1, kToolSave = 2, kToolCut = 4, kToolCopy = 5, kToolPaste = 6,
        kToolUndo = 7, kToolRedo = 8, kToolRun = 10, kToolWebPage = 12, kToolAlwaysOnTop = 13,
        kToolOneClick = 14, kToolCount = 15
    };

    // `app` outlives the window. `web` gives the web-page import and the
    // update page; without it (no engine, or one that cannot start) the
    // window works without them.
    explicit MainWin(FolvaneApp& app, QWidget* parent = nullptr, WebFeatures* web = nullptr);
    ~MainWin() override;

    FolvaneApp& app() const { return app_; }
    // The one action of a command, shared by the menus, the toolbar, the
    // tray menu and the context menu.
    QAction* action(Command c) const { return commands_.action(c); }
    // The action shown as toolbar button `index` (nullptr for a separator).
    QAction* toolButton(int index) const { return toolButtons_[static_cast<std::size_t>(index)]; }
    DesktopController& desktop() const { return *desktop_; }
    // New, Open, Save, Undo and Redo, with their dialogs.
    DocumentController& documents() { return documents_; }
    RecentFilesMenu* recentFiles() const { return recentFiles_; }
    // "查看排版改动": the window comparing the text before and after the last
    // run (null until first asked for).
    ChangesWindow* changesWindow() const;
    void showRunChanges();
    NavigationBarParts* navigationBar() const { return navigationBar_; }
    // The update page's address without its query (the build's setting by
    // default).
    void setUpdateBase(const QString& base) { updateBase_ = base; }
    QAction* lineBreakAction(int index) const { return lineBreakActions_[static_cast<std::size_t>(index)]; }

    folvane::engine::TypesetOptions& options() { return app_.options(); }
    folvane::engine::RunContext& runContext() { return app_.runContext(); }

    // The options window ("排版设置(&O)...", and the batch window's button),
    // modal over `parent`.
    void openOptionsWindow(QWidget* parent);
    // The batch window ("批量排版(&L)..."); this window is hidden while it exists.
    void openBatchWindow();
    BatchWindow* batchWindow() const { return batchWindow_; }
    // Lets tests answer the batch window's dialogs.
    void setBatchServicesAdjustment(std::function<void(BatchWindow::Services&)> adjust) {
        adjustBatchServices_ = std::move(adjust);
    }

    // The window's text as the core sees it (GB18030, "\r\n").
    std::string editorText() const override;
    // Replaces the editor's text as one change.
    void setEditorText(std::string_view gbText) override;

    bool running() const { return running_; }
    int oneClickHotKeyId() const { return app_.hotKeys().oneClick; }
    int showHideHotKeyId() const { return app_.hotKeys().showHide; }

    // The rest of the window's creation, once it exists: settings, hot keys,
    // the file named on the command line (`arguments` without the program
    // name), and the end of the loading state. `configPath` chooses the
    // settings file (empty: the usual place).
    void startUp(const QStringList& arguments = {}, const std::string& configPath = {});

    const folvane::editor::Document& document() const { return document_; }

    // Opens `path` as Open does, without dialog and confirmation. A large
    // file is read and prepared on a worker: true then means it is being
    // opened (loadingText() until it is in the editor).
    bool openFile(const QString& path);
    // A large text is being prepared for the editor (opening, dropping, pasting).
    bool loadingText() const override;

    // Runs `fn` (which shows a modal window) with always-on-top switched off
    // meanwhile, so that the modal window is not hidden behind this one.
    void withoutAlwaysOnTop(const std::function<void()>& fn);

    // An information message box (over the window, with always-on-top
    // off meanwhile).
    virtual void showInformation(std::string_view text, std::string_view title);

public Q_SLOTS:
    // Starts a run on the whole text, or on the editor units of `range`;
    // ignored while a run or a tool is in progress.
    void startTypesetting(RunRange range = {});
    // The default configuration (see settings::restoreDefaults), shown.
    void restoreDefaults();
    void showMainWindow();
    // Brings the window to the front, from the tray, minimised or behind
    // other windows.
    void bringToFront();
    void exitProgram();
    // Closes the window as exitProgram does, for a request nobody can answer
    // (a termination signal): no question is asked, modal windows open now
    // are cancelled (a question about saving then lets the close go on), and
    // a failure to save the settings goes to the standard error instead of a
    // message box. Unsaved edits are not written to the document's file:
    // only the user decides what goes there.
    void exitUnattended();
    // A termination signal: exitUnattended, then every event loop running
    // (the program's and those of modal windows) ends, so that the program
    // returns from main whatever window was open.
    void endOnTermination();
    // Whether an unattended exit has begun; the start-up then must not go on
    // into the event loop.
    bool endingUnattended() const { return unattendedExit_; }
    // What a later start of the program asked for (see InstanceLink): the
    // window comes to the front and opens the file as "打开" does, or the
    // action of ALT+Q, SHIFT+F12 or "退出" is taken.
    void carryOut(const ProgramRequest& request);
    // Shows the context menu "编辑框菜单" after refreshing its items.
    void popUpContextMenu(const QPoint& globalPos);
    void refreshContextMenu();

Q_SIGNALS:
    // A run has ended and the window is idle again.
    void typesettingFinished();
    // A tool that works on a worker thread has put its result in the editor.
    void toolFinished();

protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    void buildCentral();
    void buildContextMenu();
    void showDocumentFormat();
    void buildQuickBars();
    void buildNavigationBar();
    void chooseLineBreaks(folvane::settings::LineBreakItem item);
    void clickSignatureBox();
    void onEditorTextChanged();
    void onCursorMoved();
    // Refreshes what depends on the text after a recorded change.
    void afterChange();
    // Large texts: built on a worker while the editor waits, then swapped in.
    void dropInBackground(QStringList paths);
    void pasteLarge(QString text);
    // `produce` runs on the worker and may move the caret the new text gets.
    void replaceInBackground(std::function<QString(folvane::editor::Caret&)> produce, folvane::editor::Caret caret);
    void saveSettingsOnClose();
    // What the window does when one of its switches changes, however it
    // changed (a check mark, a quick-bar box, the settings).
    void onWindowStateChanged(folvane::settings::WindowFlag flag, bool on);
    void bindWindowState();
    // The window flag of always-on-top, without touching the switch.
    void applyStaysOnTop(bool on);
    void showOneClickNote();
    // The bars' visibility from the switches, and what depends on it.
    void layoutMainWindow();
    void applyQuickBars(const folvane::settings::QuickBarState& state);
    // Part 0 of the status bar and the focus after the defaults were restored.
    void showDefaultsRestored();
    void showCopyTypesetHelp();
    void openSignatureWindow();
    void connectCommands();
    void connectTools();
    // Computes a new editor text on a worker thread; the editor is disabled
    // meanwhile and part 0 of the status bar shows the texts given.
    void runTool(const QString& busyText, const QString& doneText, std::function<std::string(std::string)> work);
    void runToolOnSelection(const QString& busyText, const QString& doneText,
                            std::function<std::string(std::string)> work);
    void runToolOn(std::string input, const QString& busyText, const QString& doneText,
                   std::function<std::string(std::string)> work, std::function<void(const std::string&)> apply);
    void layoutOverlays();
    void layoutNavigationBar();
    void openWebPage();
    void openDonationWindow();

    void setActivity(folvane::engine::Activity activity);
    // The editor's selection as a run's range (the whole text without one).
    RunRange selectionRange() const;
    void onRunFinished(EditorRunResult result);
    // The quick controls' states as shown, and showing new ones.
    folvane::settings::QuickBarState shownQuickBars() const;
    void clickQuickControl(folvane::settings::QuickControl control, bool checked);
    // Puts a whole new document into the editor (the old one is released).
    void installDocument(QTextDocument* document);
    // Bookkeeping after the whole text was replaced by the program.
    void afterTextReplaced();

    // DesktopHost: what the hot keys and the clipboard watch ask of the window.
    bool takeClipboardText(const std::string& gbText) override;
    void autoReplace() override;
    bool startRun() override;
    bool editorBusy() const override;
    // The gate for a command that would replace the editor's text: when it
    // is closed, `why` goes to the status bar and the answer is true.
    bool refusedWhileBusy(const QString& why);
    // While the quick-hide passage stands in for the user's text, commands
    // that would replace or typeset the text are refused (true, with a word
    // in the status bar); Save and Save As write the user's text.
    bool refusedWhileHidden();
    void toggleWindowShown() override;
    void setPasteEnabled(bool enabled) override;
    void restoreWindow() override;
    bool windowMinimized() const override;
    void hideWindow() override;

    // DocumentHost: what the document controller asks of the window.
    void showView(const folvane::editor::EditorView& view) override;
    void refreshDocumentState() override;
    folvane::editor::EditorText showOpenedText(const QString& text) override;
    std::string documentText() const override;
    folvane::editor::Caret caret() const override;
    void openedTextShown() override;
    bool openInBackground(const QString& path, const std::string& fsPath) override;

    // Editor commands.
    void cutAll();
    void copyAll();
    void replacePasteAll();
    void clearAll();
    void quickHide();
    void chooseFont();
    void applyWordWrap();
    void showFindPanel(bool show);
    void replaceAllInEditor();
    // Find next / previous from the selection (wrapping round), replacing
    // the selected match, and the matches of the find field's text.
    void findNext(bool forward);
    void replaceOne();
    void findTextChanged();
    const std::vector<std::size_t>& currentMatches();
    void showMatches();
    void resetClipboardToItself();
    void updateSelectionButtons();
    void applyEditorFont();
    void dropFiles(const QStringList& paths);

    FolvaneApp& app_;
    // The document and its flow; the editor's bridge records its edits.
    DocumentController documents_;
    folvane::editor::Document& document_ = documents_.document();
    QPointer<BatchWindow> batchWindow_;
    std::function<void(BatchWindow::Services&)> adjustBatchServices_;
    CommandSet commands_;
    std::array<QAction*, kToolCount> toolButtons_{};
    std::array<QLabel*, 4> statusParts_{};
    QLabel* formatLabel_ = nullptr;
    RecentFilesMenu* recentFiles_ = nullptr;
    QPointer<ChangesWindow> changesWindow_;
    // The last run's input and result, and which run the window compares.
    std::shared_ptr<const std::string> runBefore_, runAfter_;
    int runSerial_ = 0;
    int comparedRun_ = -1;
    EditorWidget* editor_ = nullptr;
    QMenu* contextMenu_ = nullptr;
    QMenu* toolsMenu_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    UpperQuickBar* upperBar_ = nullptr;
    LowerQuickBar* lowerBar_ = nullptr;
    QMenu* lineBreakMenu_ = nullptr;
    std::array<QAction*, 4> lineBreakActions_{};
    QGroupBox* findPanel_ = nullptr;
    QLineEdit* findField_ = nullptr;
    QLineEdit* replaceField_ = nullptr;
    QPushButton* replaceAllButton_ = nullptr;
    QLabel* findCount_ = nullptr;  // "共 N 处"
    QTimer* findTimer_ = nullptr;  // counts again a moment after the last change
    QString findNeedle_;
    std::vector<std::size_t> matches_;
    bool findDirty_ = true;
    QLabel* progressLabel_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QLabel* loadingLabel_ = nullptr;
    QCheckBox* startupCompleted_ = nullptr;
    EditorBridge* bridge_ = nullptr;
    WebFeatures* web_ = nullptr;
    NavigationBarParts* navigationBar_ = nullptr;
    QString updateBase_;
    QCheckBox* autoReplace_ = nullptr;
    DesktopController* desktop_ = nullptr;

    bool toolRunning_ = false;
    QElapsedTimer runClock_;
    bool running_ = false;
    std::string stash_;  // quick-hide text
    bool decoyShown_ = false;       // the stash holds the user's text, the editor the passage
    bool savedWhenHidden_ = true;   // the document's saved state when its text was hidden
    EditorFont editorFont_;
    int windowWidth_ = 0;   // outer size at the last resize while not minimised
    int windowHeight_ = 0;
    bool settingsSaved_ = false;
    bool unattendedExit_ = false;
    bool askingToClose_ = false;  // the close question ("关闭确认") is open
};
