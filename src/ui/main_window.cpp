#include "main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QFontDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTextBlock>
#include <QToolBar>
#include <QPointer>
#include <QSignalBlocker>
#include <QTextDocument>
#include <QVBoxLayout>
#include <QCursor>
#include <QDesktopServices>
#include <QUrl>
#include <QRadioButton>

#include "about_dialog.h"
#include "editor/decoy_text.h"
#include "editor_widget.h"
#include "platform/global_hotkeys.h"
#include "product.h"
#include "quick_bars.h"
#include "engine/paragraph_tools.h"
#include "settings/settings_lifecycle.h"
#include "signature_window.h"
#include "text/codec.h"
#include "text/file_io.h"
#include "text/search.h"
#include "text_bridge.h"
#include "typeset_runner.h"

namespace {

QString caption(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

MainWin::MainWin(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(product::kBaseTitle);
    setWindowIcon(QIcon(QStringLiteral(":/folvane.png")));
    runner_ = new TypesetRunner(this);
    buildCentral();
    buildMenus();
    buildToolBar();
    buildStatusBar();
    buildContextMenu();
    buildQuickBars();
    connectCommands();
    connectTools();
    runContext_.scriptConverter = &converter_;

    hotKeys_ = new GlobalHotKeys(this);
    connect(hotKeys_, &GlobalHotKeys::activated, this, &MainWin::onHotKey);
    resize(685, 496);
    move(50, 50);
}

MainWin::~MainWin() { runner_->wait(); }

// ---------------------------------------------------------------- building

void MainWin::buildCentral() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    upperBar_ = new UpperQuickBar(central);
    upperBar_->hide();
    layout->addWidget(upperBar_);
    editor_ = new EditorWidget(central);
    editor_->setObjectName(QStringLiteral("editor"));
    layout->addWidget(editor_, 1);

    findPanel_ = new QGroupBox(central);
    findPanel_->setObjectName(QStringLiteral("findPanel"));
    auto* find = new QHBoxLayout(findPanel_);
    find->setContentsMargins(4, 2, 4, 2);
    findField_ = new QLineEdit(findPanel_);
    replaceField_ = new QLineEdit(findPanel_);
    replaceAllButton_ = new QPushButton(QStringLiteral("全部替换(&R)"), findPanel_);
    auto* clearButton = new QPushButton(QStringLiteral("替换全部(&L)"), findPanel_);
    auto* findButton = new QPushButton(QStringLiteral("查找(&F)"), findPanel_);
    find->addWidget(new QLabel(QStringLiteral("将:"), findPanel_));
    find->addWidget(findField_, 1);
    find->addWidget(new QLabel(QStringLiteral("替换为:"), findPanel_));
    find->addWidget(replaceField_, 1);
    find->addWidget(replaceAllButton_);
    find->addWidget(clearButton);
    find->addWidget(findButton);
    findPanel_->setFixedHeight(34);
    findPanel_->hide();
    layout->addWidget(findPanel_);
    lowerBar_ = new LowerQuickBar(central);
    lowerBar_->hide();
    layout->addWidget(lowerBar_);
    connect(replaceAllButton_, &QPushButton::clicked, this, &MainWin::replaceAllInEditor);
    connect(clearButton, &QPushButton::clicked, this, &MainWin::clearAll);
    connect(findButton, &QPushButton::clicked, this, [this] { replaceAllButton_->setFocus(); });

    // Overlays of the central area: the progress display of a run, the label
    // that covers the window while it is being set up, and the box that
    // records a completed start-up (the user does not operate it).
    progressLabel_ = new QLabel(QStringLiteral("\n进度"), central);
    progressLabel_->setObjectName(QStringLiteral("progressLabel"));
    progressLabel_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    progressLabel_->setAutoFillBackground(true);
    progressLabel_->setFrameShape(QFrame::Box);
    progressLabel_->resize(344, 64);
    progressLabel_->hide();
    progressBar_ = new QProgressBar(central);
    progressBar_->setObjectName(QStringLiteral("progressBar"));
    progressBar_->resize(320, 19);
    progressBar_->setRange(0, 200);
    progressBar_->setTextVisible(false);
    progressBar_->hide();
    loadingLabel_ = new QLabel(QStringLiteral("正在载入编辑器..."), central);
    loadingLabel_->setAlignment(Qt::AlignCenter);
    loadingLabel_->setAutoFillBackground(true);
    loadingLabel_->setGeometry(0, 0, 99999, 99999);
    startupCompleted_ = new QCheckBox(QStringLiteral("该软件已被正常打开，关闭时可以保存此时配置"), central);
    startupCompleted_->setObjectName(QStringLiteral("startupCompleted"));
    startupCompleted_->setEnabled(false);
    startupCompleted_->hide();

    setCentralWidget(central);
    connect(editor_, &EditorWidget::contextMenuRequested, this, &MainWin::popUpContextMenu);
    connect(editor_, &EditorWidget::clipboardKeyReleased, this, &MainWin::resetClipboardToItself);
    connect(editor_, &EditorWidget::filesDropped, this, &MainWin::dropFiles);
    connect(editor_, &QPlainTextEdit::textChanged, this, &MainWin::onEditorTextChanged);
    connect(editor_, &QPlainTextEdit::cursorPositionChanged, this, &MainWin::onCursorMoved);
    connect(editor_, &QPlainTextEdit::selectionChanged, this, &MainWin::onCursorMoved);
}

void MainWin::buildMenus() {
    for (const MenuDefinition& def : mainMenus()) {
        QMenu* menu = menuBar()->addMenu(caption(def.title));
        for (const MenuEntry& e : def.entries) {
            if (e.command == Command::Count) {
                menu->addSeparator();
                continue;
            }
            QAction* a = menu->addAction(caption(e.caption));
            if (e.shortcut) a->setShortcut(QKeySequence(QString::fromLatin1(e.shortcut)));
            a->setCheckable(e.checkable);
            a->setChecked(e.checked);
            a->setEnabled(e.enabled);
            actions_[static_cast<std::size_t>(e.command)] = a;
        }
    }
}

void MainWin::buildToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("toolbar"));
    toolBar_ = bar;
    bar->setObjectName(QStringLiteral("toolbar"));
    bar->setMovable(false);
    QStyle* st = style();
    struct Button {
        int index;
        QStyle::StandardPixmap icon;
        const char* tip;
        bool checkable;
    };
    const Button buttons[] = {
        {kToolNew, QStyle::SP_FileIcon, "新建", false},
        {kToolOpen, QStyle::SP_DialogOpenButton, "打开", false},
        {kToolSave, QStyle::SP_DialogSaveButton, "保存", false},
        {kToolCut, QStyle::SP_DialogDiscardButton, "剪切", false},
        {kToolCopy, QStyle::SP_FileDialogContentsView, "复制", false},
        {kToolPaste, QStyle::SP_FileDialogDetailedView, "粘贴", false},
        {kToolUndo, QStyle::SP_ArrowBack, "撤销", false},
        {kToolRedo, QStyle::SP_ArrowForward, "重做", false},
        {kToolRun, QStyle::SP_MediaPlay, "开始排版", false},
        {kToolWebPage, QStyle::SP_DriveNetIcon, "打开网页", false},
        {kToolAlwaysOnTop, QStyle::SP_TitleBarShadeButton, "置顶", true},
        {kToolOneClick, QStyle::SP_BrowserReload, "一键排版", true},
    };
    int next = 0;
    for (const Button& b : buttons) {
        while (next < b.index) {  // 3, 9 and 11
            bar->addSeparator();
            ++next;
        }
        QAction* a = bar->addAction(st->standardIcon(b.icon), caption(b.tip));
        a->setCheckable(b.checkable);
        toolButtons_[static_cast<std::size_t>(b.index)] = a;
        ++next;
    }
    toolButtons_[kToolUndo]->setEnabled(false);
    toolButtons_[kToolRedo]->setEnabled(false);
    toolButtons_[kToolCut]->setEnabled(false);
    toolButtons_[kToolCopy]->setEnabled(false);
}

void MainWin::buildStatusBar() {
    QStatusBar* bar = statusBar();
    for (std::size_t i = 0; i < statusParts_.size(); ++i) {
        statusParts_[i] = new QLabel(bar);
        statusParts_[i]->setObjectName(QStringLiteral("statusPart%1").arg(i));
        bar->addWidget(statusParts_[i], i == 3 ? 1 : 0);
    }
    statusParts_[0]->setText(QStringLiteral("就绪"));
    statusParts_[3]->setText(qtFromGb(folvane::editor::lengthStatus(0)));
    bar->hide();  // shown when start-up is complete
}

void MainWin::buildContextMenu() {
    contextMenu_ = new QMenu(QStringLiteral("编辑框菜单"), this);
    auto add = [&](QMenu* menu, Command c, const char* text) {
        QAction* a = menu->addAction(caption(text));
        actions_[static_cast<std::size_t>(c)] = a;
        return a;
    };
    add(contextMenu_, Command::ContextUndo, "撤销(&Z)");
    contextMenu_->addSeparator();
    add(contextMenu_, Command::Cut, "剪切(&T)");
    add(contextMenu_, Command::Copy, "复制(&C)");
    add(contextMenu_, Command::Paste, "粘贴(&P)");
    add(contextMenu_, Command::Delete, "删除(&D)");
    contextMenu_->addSeparator();
    add(contextMenu_, Command::SelectAll, "全选(&A)");
    contextMenu_->addSeparator();
    add(contextMenu_, Command::ContextCutAll, "剪切(全文操作)");
    add(contextMenu_, Command::ContextCopyAll, "复制(全文操作)");
    add(contextMenu_, Command::ContextReplacePasteAll, "全文替换粘贴");
    add(contextMenu_, Command::ContextClearAll, "删除(全文操作)");
    contextMenu_->addSeparator();
    add(contextMenu_, Command::ContextRun, "开始排版");

    toolsMenu_ = contextMenu_->addMenu(QStringLiteral("排版小工具"));
    add(toolsMenu_, Command::RemoveBlankLines, "去掉空换行");
    add(toolsMenu_, Command::DeleteHeadSpaces, "删除段首空格");
    toolsMenu_->addSeparator();
    add(toolsMenu_, Command::ToTraditional, "立即转换成繁体字");
    add(toolsMenu_, Command::ToSimplified, "立即转换成简体字");
    QMenu* caseMenu = toolsMenu_->addMenu(QStringLiteral("大小写字母转换"));
    add(caseMenu, Command::AllToLower, "[全文]大写字母→小写字母");
    add(caseMenu, Command::AllToUpper, "[全文]小写字母→大写字母");
    add(caseMenu, Command::SelectionToLower, "[选中文字]大写字母→小写字母");
    add(caseMenu, Command::SelectionToUpper, "[选中文字]小写字母→大写字母");
    toolsMenu_->addSeparator();
    add(toolsMenu_, Command::StripHtml, "去掉HTML代码");
    add(toolsMenu_, Command::StripUbb, "去掉UBB代码");
    toolsMenu_->addSeparator();
    add(toolsMenu_, Command::Statistics, "文字统计信息");
}

void MainWin::buildQuickBars() {
    lineBreakMenu_ = new QMenu(this);
    const char* items[] = {"单换行", "双换行", "三换行", nullptr, "不修正换行"};
    int index = 0;
    for (const char* item : items) {
        if (!item) {
            lineBreakMenu_->addSeparator();
            continue;
        }
        QAction* a = lineBreakMenu_->addAction(caption(item));
        a->setCheckable(true);
        const int which = index;
        connect(a, &QAction::triggered, this, [this, which] { chooseLineBreaks(which); });
        lineBreakActions_[static_cast<std::size_t>(index++)] = a;
    }

    using O = folvane::engine::TypesetOptions;
    connect(upperBar_->indent, &QCheckBox::clicked, this, [this](bool on) {
        options_.trimParagraphEnds = on;
        options_.addIndent = on;
    });
    connect(upperBar_->mergeBreaks, &QCheckBox::clicked, this, [] {});
    connect(upperBar_, &UpperQuickBar::mergeBreaksPressed, this,
            [this](const QPoint& at) { lineBreakMenu_->popup(at); });
    connect(upperBar_->noiseFix, &QCheckBox::clicked, this, [this](bool on) {
        options_.stripHeadNoise = on;
        options_.stripTailNoise = on;
    });
    connect(upperBar_->joinBreaks, &QCheckBox::clicked, this, [this](bool on) {
        options_.joinNonParagraphBreaks = on;
        if (on && !options_.lineBreakFix) chooseLineBreaks(0);
    });
    connect(upperBar_, &UpperQuickBar::signaturesClicked, this, &MainWin::clickSignatureBox);
    connect(upperBar_->tools, &QPushButton::clicked, this, [this] { toolsMenu_->popup(QCursor::pos()); });

    auto script = [this](bool traditional, bool simplified) {
        options_.toTraditional = traditional;
        options_.toSimplified = simplified;
    };
    connect(lowerBar_->traditional, &QRadioButton::clicked, this, [script] { script(true, false); });
    connect(lowerBar_->simplified, &QRadioButton::clicked, this, [script] { script(false, true); });
    connect(lowerBar_->unchanged, &QRadioButton::clicked, this, [script] { script(false, false); });
    auto exclusive = [this](bool O::*mine, bool O::*other, QCheckBox* otherBox) {
        return [this, mine, other, otherBox](bool on) {
            options_.*mine = on;
            if (on) {
                options_.*other = false;
                otherBox->setChecked(false);
            }
        };
    };
    connect(lowerBar_->copyAfter, &QCheckBox::clicked, this,
            exclusive(&O::copyAfter, &O::cutAfter, lowerBar_->cutAfter));
    connect(lowerBar_->cutAfter, &QCheckBox::clicked, this,
            exclusive(&O::cutAfter, &O::copyAfter, lowerBar_->copyAfter));
    connect(lowerBar_->minimizeAfter, &QCheckBox::clicked, this, [this](bool on) { options_.minimizeAfter = on; });
    connect(lowerBar_->copyTypeset, &QCheckBox::clicked, this, &MainWin::toggleCopyTypeset);
    connect(lowerBar_, &LowerQuickBar::helpPressed, this, &MainWin::showCopyTypesetHelp);
}

void MainWin::chooseLineBreaks(int item) {
    options_.lineBreakFix = item != 3;
    options_.doubleBreak = item == 1;
    options_.tripleBreak = item == 2;
    for (int i = 0; i < 4; ++i) lineBreakActions_[static_cast<std::size_t>(i)]->setChecked(i == item);
    upperBar_->mergeBreaks->setChecked(item != 3);
    if (item == 3) {
        upperBar_->joinBreaks->setChecked(false);
        options_.joinNonParagraphBreaks = false;
    }
}

namespace {

void invert(QAction* a) { a->setChecked(!a->isChecked()); }

}  // namespace

// The bars follow the check marks of their menu items; a menu click has
// already inverted the mark, a toggle from the settings inverts it here.
void MainWin::toggleNavigationBar() {
    invert(action(Command::ShowNavigationBar));
    layoutMainWindow();
}

void MainWin::toggleUpperBar() {
    invert(action(Command::ShowUpperBar));
    layoutMainWindow();
}

void MainWin::toggleLowerBar() {
    invert(action(Command::ShowLowerBar));
    layoutMainWindow();
}

void MainWin::layoutMainWindow() {
    toolBar_->setVisible(action(Command::ShowNavigationBar)->isChecked());
    upperBar_->setVisible(action(Command::ShowUpperBar)->isChecked());
    lowerBar_->setVisible(action(Command::ShowLowerBar)->isChecked());
    layoutOverlays();
}

void MainWin::clickSignatureBox() {
    auto& sig = runContext_.signature;
    if (!sig.headSignatureTemplate.empty() || !sig.tailSignatureTemplate.empty()) {
        const bool on = !upperBar_->signatures->isChecked();
        upperBar_->signatures->setChecked(on);
        sig.signatureEnabled = on;
        return;
    }
    action(Command::Signatures)->trigger();
}

void MainWin::openSignatureWindow() {
    auto& sig = runContext_.signature;
    SignatureWindow window(toQt(sig.headSignatureTemplate), toQt(sig.tailSignatureTemplate),
                           upperBar_->signatures->isChecked(), this);
    connect(&window, &SignatureWindow::enabledChanged, this, [this](bool on) {
        upperBar_->signatures->setChecked(on);
        runContext_.signature.signatureEnabled = on;
    });
    window.exec();
    // However the window was closed, the templates take the boxes' texts.
    sig.headSignatureTemplate = fromQt(window.headText());
    sig.tailSignatureTemplate = fromQt(window.tailText());
}

void MainWin::showCopyTypesetHelp() {
    withoutAlwaysOnTop([this] {
        QMessageBox::information(
            this, QStringLiteral("复制即排版介绍"),
            QStringLiteral("　　选中复制即排版后，软件会实时监控你系统的剪切板，当你复制了一段文字　\n"
                           "或者一篇文章后，软件会立即将该段文字按照软件设置好的方式进行排版，并自\n"
                           "动保存回剪切板。这时你直接粘贴即可。"));
    });
}

void MainWin::connectCommands() {
    auto on = [this](Command c, auto&& fn) { connect(action(c), &QAction::triggered, this, fn); };
    on(Command::Run, &MainWin::startTypesetting);
    on(Command::ContextRun, &MainWin::startTypesetting);
    connect(toolButtons_[kToolRun], &QAction::triggered, this, &MainWin::startTypesetting);

    on(Command::AlwaysOnTop, &MainWin::toggleAlwaysOnTop);
    connect(toolButtons_[kToolAlwaysOnTop], &QAction::triggered, this, &MainWin::toggleAlwaysOnTop);
    on(Command::TrayOnMinimize, [] {});  // the check mark is the state
    on(Command::Signatures, &MainWin::openSignatureWindow);
    on(Command::ShowNavigationBar, &MainWin::layoutMainWindow);
    on(Command::ShowUpperBar, &MainWin::layoutMainWindow);
    on(Command::ShowLowerBar, &MainWin::layoutMainWindow);
    on(Command::OneClick, &MainWin::toggleOneClick);
    connect(toolButtons_[kToolOneClick], &QAction::triggered, this, &MainWin::toggleOneClick);
    on(Command::CopyTypeset, &MainWin::toggleCopyTypeset);
    on(Command::RestoreDefaults, &MainWin::restoreDefaults);
    on(Command::New, &MainWin::newDocument);
    on(Command::Open, &MainWin::openDocument);
    on(Command::Save, [this] { saveDocument(); });
    connect(toolButtons_[kToolNew], &QAction::triggered, this, &MainWin::newDocument);
    connect(toolButtons_[kToolOpen], &QAction::triggered, this, &MainWin::openDocument);
    connect(toolButtons_[kToolSave], &QAction::triggered, this, [this] { saveDocument(); });
    on(Command::Undo, &MainWin::undo);
    on(Command::ContextUndo, &MainWin::undo);
    on(Command::Redo, &MainWin::redo);
    connect(toolButtons_[kToolUndo], &QAction::triggered, this, &MainWin::undo);
    connect(toolButtons_[kToolRedo], &QAction::triggered, this, &MainWin::redo);
    on(Command::Exit, &MainWin::exitProgram);
    on(Command::About, [this] { withoutAlwaysOnTop([this] { AboutDialog(this).exec(); }); });
    // The product's pages open in the desktop's browser.
    on(Command::Website, [] { QDesktopServices::openUrl(QUrl(product::kHomePage)); });
    on(Command::Forum, [] { QDesktopServices::openUrl(QUrl(product::kForumPage)); });

    on(Command::CutAll, &MainWin::cutAll);
    on(Command::ContextCutAll, &MainWin::cutAll);
    on(Command::CopyAll, &MainWin::copyAll);
    on(Command::ContextCopyAll, &MainWin::copyAll);
    on(Command::ReplacePasteAll, &MainWin::replacePasteAll);
    on(Command::ContextReplacePasteAll, &MainWin::replacePasteAll);
    on(Command::ClearAll, &MainWin::clearAll);
    on(Command::ContextClearAll, &MainWin::clearAll);
    on(Command::QuickHide, &MainWin::quickHide);
    on(Command::Font, &MainWin::chooseFont);
    on(Command::WordWrap, &MainWin::toggleWordWrap);
    on(Command::FindPanel, &MainWin::toggleFindPanel);
    on(Command::EnterIndent, [this] { editor_->setEnterIndent(action(Command::EnterIndent)->isChecked()); });

    auto cut = [this] {
        editor_->cut();
        resetClipboardToItself();
    };
    auto copy = [this] {
        editor_->copy();
        resetClipboardToItself();
    };
    on(Command::Cut, cut);
    on(Command::Copy, copy);
    on(Command::Paste, [this] { editor_->paste(); });
    on(Command::Delete, [this] { editor_->textCursor().removeSelectedText(); });
    on(Command::SelectAll, [this] { editor_->selectAll(); });
    connect(toolButtons_[kToolCut], &QAction::triggered, this, cut);
    connect(toolButtons_[kToolCopy], &QAction::triggered, this, copy);
    connect(toolButtons_[kToolPaste], &QAction::triggered, this, [this] { editor_->paste(); });

    connect(runner_, &TypesetRunner::phase, this, [this](const QString& label) {
        QString l = label;
        progressLabel_->setText(l.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    });
    connect(runner_, &TypesetRunner::progressHidden, this, [this] {
        progressLabel_->hide();
        progressBar_->hide();
    });
    connect(runner_, &TypesetRunner::progressPosition, progressBar_, [this](int p) {
        progressBar_->setValue(std::min(p, progressBar_->maximum()));
    });
    connect(runner_, &TypesetRunner::finished, this, &MainWin::onRunFinished);
}

// ------------------------------------------------------------- text access

std::string MainWin::editorText() const { return fromQt(editor_->toPlainText()); }

void MainWin::setEditorText(std::string_view gbText) {
    {
        const QSignalBlocker quiet(editor_);
        editor_->setPlainText(toQt(gbText));
    }
    recordChange(std::string(gbText));
    afterTextReplaced();
}

void MainWin::installDocument(QTextDocument* document) {
    QPointer<QTextDocument> old = editor_->document();
    document->setParent(editor_);
    {
        const QSignalBlocker quiet(editor_);
        editor_->setDocument(document);
    }
    toggleWordWrap();  // the wrap mode lives in the document's options
    if (old && old != document) old->deleteLater();
    afterTextReplaced();
}

void MainWin::afterTextReplaced() { updateSelectionButtons(); }

// --------------------------------------------------------------- the run

void MainWin::setBusy(bool busy) {
    running_ = busy;
    action(Command::Run)->setEnabled(!busy);
    action(Command::ContextRun)->setEnabled(!busy);
    toolButtons_[kToolRun]->setEnabled(!busy);
    findPanel_->setEnabled(!busy);
    // The worker reads the signature templates: they are not edited meanwhile.
    action(Command::Signatures)->setEnabled(!busy);
}

void MainWin::startTypesetting() {
    // A trigger that arrives while a run is in progress is ignored: two runs
    // never work on the editor at the same time.
    if (running_ || toolRunning_ || runner_->busy()) return;
    progressLabel_->setText(QStringLiteral("\n正在从编辑器中读取文本"));
    progressLabel_->show();
    progressLabel_->raise();
    progressBar_->show();
    progressBar_->raise();
    setBusy(true);
    editor_->setEnabled(false);
    runClock_.start();
    statusParts_[0]->setText(QStringLiteral("正在排版，稍等……"));
    progressBar_->setRange(0, 0);
    progressBar_->setValue(0);

    progressBar_->setRange(0, 200);
    runContext_.quotes.reset();
    std::function<void()> countRun;
    if (store_) countRun = [store = *store_] { folvane::settings::bumpRunCounter(store); };
    runner_->start(editor_->toPlainText(), options_, &runContext_, editor_->font(), countRun);
}

void MainWin::onRunFinished(const QByteArray& result, QTextDocument* document) {
    // The result replaces the editor's text as one recorded change; the
    // worker has already converted it, so nothing here costs a pass over a
    // large text but the history's comparison.
    installDocument(document);
    recordChange(std::string(result.constData(), static_cast<std::size_t>(result.size())));
    editor_->setEnabled(true);
    if (options_.copyAfter) QApplication::clipboard()->setText(editor_->toPlainText());
    if (options_.cutAfter) {
        QApplication::clipboard()->setText(editor_->toPlainText());
        setEditorText({});
    }
    statusParts_[0]->setText(QStringLiteral("就绪"));
    statusParts_[1]->setText(QStringLiteral("排版耗时%1毫秒").arg(runClock_.elapsed()));
    progressLabel_->hide();
    progressBar_->hide();
    setBusy(false);
    if (options_.minimizeAfter) showMinimized();
    editor_->setFocus();
    QTextCursor c = editor_->textCursor();
    c.setPosition(0);
    editor_->setTextCursor(c);
    emit typesettingFinished();
}

// ------------------------------------------------------ window behaviour

void MainWin::withoutAlwaysOnTop(const std::function<void()>& fn) {
    const bool was = alwaysOnTop_;
    if (was) toggleAlwaysOnTop();
    fn();
    if (was && !alwaysOnTop_) toggleAlwaysOnTop();
}

void MainWin::toggleAlwaysOnTop() {
    alwaysOnTop_ = !alwaysOnTop_;
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, alwaysOnTop_);
    if (visible) show();  // changing the flag hides the window
    action(Command::AlwaysOnTop)->setChecked(alwaysOnTop_);
    toolButtons_[kToolAlwaysOnTop]->setChecked(alwaysOnTop_);
}

void MainWin::toggleTrayOnMinimize() {
    QAction* a = action(Command::TrayOnMinimize);
    a->setChecked(!a->isChecked());
}

void MainWin::showMainWindow() {
    if (isMinimized() || !isVisible() || isMaximized() || isFullScreen()) {
        showNormal();
        raise();
        activateWindow();
        editor_->setFocus();
        if (tray_) tray_->hide();
    } else {
        showMinimized();
    }
}

void MainWin::exitProgram() { close(); }

void MainWin::onHotKey(int id) {
    if (id != 0 && id == showHideHotKeyId_) {
        if (isVisible()) hide();
        else showMainWindow();
    }
}

void MainWin::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    if (e->type() != QEvent::WindowStateChange || !isMinimized()) return;
    if (!action(Command::TrayOnMinimize)->isChecked()) return;
    // Never leave the user without a window and without an icon: without a
    // tray on this desktop the window stays on the task bar.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
    if (!tray_) {
        tray_ = new QSystemTrayIcon(windowIcon(), this);
        tray_->setToolTip(product::kTrayTooltip);
        trayMenu_ = new QMenu(this);
        trayMenu_->addAction(QStringLiteral("显示编辑窗口"), this, &MainWin::showMainWindow);
        trayMenu_->addAction(action(Command::OneClick));
        trayMenu_->addSeparator();
        trayMenu_->addAction(QStringLiteral("退出"), this, &MainWin::exitProgram);
        tray_->setContextMenu(trayMenu_);
        connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
            if (r == QSystemTrayIcon::Trigger || r == QSystemTrayIcon::DoubleClick) showMainWindow();
        });
    }
    tray_->show();
    // After the minimising has finished: showMinimized() shows the window
    // again once the state has changed.
    QMetaObject::invokeMethod(this, [this] {
        if (isMinimized() && tray_ && tray_->isVisible()) hide();
    }, Qt::QueuedConnection);
}

void MainWin::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    if (!isMinimized()) {
        windowWidth_ = frameGeometry().width();
        windowHeight_ = frameGeometry().height();
    }
    // Narrow windows give up the controls that need the most room first.
    const int w = width();
    upperBar_->tools->setVisible(w >= 546);
    lowerBar_->setScriptVisible(w >= 620);
    layoutOverlays();
}

void MainWin::layoutOverlays() {
    QWidget* c = centralWidget();
    const int W = c->width(), H = c->height();
    progressLabel_->move((W - progressLabel_->width()) / 2, (H - progressLabel_->height()) / 2);
    progressBar_->move((W - progressBar_->width()) / 2, (H - progressBar_->height()) / 2 + 9);
}

// ----------------------------------------------------------- editor commands

void MainWin::resetClipboardToItself() {
    QClipboard* cb = QApplication::clipboard();
    cb->setText(cb->text());
}

void MainWin::cutAll() {
    QApplication::clipboard()->setText(editor_->toPlainText());
    setEditorText({});
}

void MainWin::copyAll() { QApplication::clipboard()->setText(editor_->toPlainText()); }

void MainWin::replacePasteAll() { setEditorText(fromQt(QApplication::clipboard()->text())); }

void MainWin::clearAll() { setEditorText({}); }

void MainWin::quickHide() {
    std::string shown = editorText();
    setEditorText(stash_);
    stash_.swap(shown);
    QTextCursor c = editor_->textCursor();
    c.setPosition(std::min(9999, editor_->document()->characterCount() - 1));
    editor_->setTextCursor(c);
}

void MainWin::chooseFont() {
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, editorFont_.toQFont(), this);
    if (!ok) return;
    editorFont_.takeFrom(f);
    applyEditorFont();
}

void MainWin::applyEditorFont() {
    editor_->setFont(editorFont_.toQFont());
    QPalette p = editor_->palette();
    p.setColor(QPalette::Text, editorFont_.colour == 0xFF000000 ? palette().color(QPalette::Text)
                                                                : QColor::fromRgb(editorFont_.colour));
    editor_->setPalette(p);
}

void MainWin::dropFiles(const QStringList& paths) {
    // Each file replaces the text of the one before, so the last one stays.
    // The document's path, title and saved state do not change; a file that
    // cannot be read empties the editor.
    for (const QString& path : paths) {
        std::string bytes;
        folvane::text::readFile(path.toStdString(), bytes);
        const auto decoded = folvane::text::decodeText(bytes, folvane::text::EncodingChoice::Auto);
        setEditorText(decoded ? decoded->text : bytes);
    }
}

void MainWin::toggleWordWrap() {
    const bool wrap = action(Command::WordWrap)->isChecked();
    editor_->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void MainWin::toggleFindPanel() {
    const bool show = action(Command::FindPanel)->isChecked();
    findPanel_->setVisible(show);
    if (show) findField_->setFocus();
    else editor_->setFocus();
}

void MainWin::replaceAllInEditor() {
    const std::string find = fromQt(findField_->text());
    if (find.empty()) return;  // nothing to look for: the text stays
    setEditorText(folvane::engine::replaceAllInText(editorText(), find, fromQt(replaceField_->text())));
}

void MainWin::updateSelectionButtons() {
    const bool selected = editor_->textCursor().hasSelection();
    toolButtons_[kToolCut]->setEnabled(selected);
    toolButtons_[kToolCopy]->setEnabled(selected);
}


void MainWin::refreshContextMenu() {
    const bool empty = editor_->document()->isEmpty();
    const QString clip = QApplication::clipboard()->text();
    const bool selected = editor_->textCursor().hasSelection();
    action(Command::ContextCutAll)->setEnabled(!empty);
    action(Command::ContextCopyAll)->setEnabled(!empty);
    action(Command::ContextClearAll)->setEnabled(!empty);
    action(Command::ContextReplacePasteAll)->setEnabled(!clip.isEmpty() && clip != editor_->toPlainText());
    action(Command::Paste)->setEnabled(!clip.isEmpty());
    action(Command::Cut)->setEnabled(selected);
    action(Command::Copy)->setEnabled(selected);
    action(Command::Delete)->setEnabled(selected);
    action(Command::SelectAll)->setEnabled(!empty);
    action(Command::ContextUndo)->setEnabled(action(Command::Undo)->isEnabled());
}

void MainWin::popUpContextMenu(const QPoint& globalPos) {
    refreshContextMenu();
    contextMenu_->popup(globalPos);
}
