#include "main_window.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <QDesktopServices>

#include "about_dialog.h"
#include "donation_window.h"
#include "navigation_bar.h"
#include "update_checker.h"
#include "web_features.h"
#include "editor_widget.h"
#include "platform/global_hotkeys.h"
#include "product.h"
#include "quick_bars.h"
#include "text_bridge.h"
#include "typeset_runner.h"

namespace {

QString caption(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

MainWin::MainWin(QWidget* parent, WebFeatures* web) : QMainWindow(parent), web_(web) {
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
    buildNavigationBar();

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

void MainWin::buildNavigationBar() {
    updateBase_ = QStringLiteral(FOLVANE_UPDATE_BASE_URL);
    navigationBar_ = new NavigationBarParts(
        toolBar_, web_,
        [this] {
            return updatePageUrl(updateBase_, store_ ? &*store_ : nullptr,
                                 action(Command::CheckUpdates)->isChecked());
        },
        UpdateChecker::kRetryIntervalMs, this);
}

void MainWin::layoutNavigationBar() {
    navigationBar_->layout(width(), frameGeometry().width(), action(Command::ShowNavigationBar)->isChecked());
}

void MainWin::openWebPage() {
    if (!web_ || !web_->available()) return;
    web_->openUrlWindow(this, alwaysOnTop_, [this](const QString& page) { setEditorText(fromQt(page)); });
}

void MainWin::openDonationWindow() {
    withoutAlwaysOnTop([this] { DonationWindow(this).exec(); });
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
    on(Command::OpenWebPage, &MainWin::openWebPage);
    connect(toolButtons_[kToolWebPage], &QAction::triggered, this, &MainWin::openWebPage);
    const bool web = web_ && web_->available();
    action(Command::OpenWebPage)->setEnabled(web);
    toolButtons_[kToolWebPage]->setEnabled(web);
    on(Command::Donate, &MainWin::openDonationWindow);
    on(Command::CheckUpdates, [] {});  // the check mark is the wish; the next request sends it
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
