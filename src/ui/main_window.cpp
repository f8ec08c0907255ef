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
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "about_dialog.h"
#include "desktop_open.h"
#include "editor_bridge.h"
#include "editor/save_format.h"
#include "donation_window.h"
#include "link_label.h"
#include "navigation_bar.h"
#include "update_checker.h"
#include "web_features.h"
#include "editor_widget.h"
#include "product.h"
#include "recent_files_menu.h"
#include "quick_bars.h"
#include "run_controller.h"
#include "text_bridge.h"

namespace {

QString caption(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

MainWin::MainWin(FolvaneApp& app, QWidget* parent, WebFeatures* web)
    : QMainWindow(parent),
      app_(app),
      documents_(*this,
                 DocumentDialogs::windowDialogs(this, [this](const std::function<void()>& fn) { withoutAlwaysOnTop(fn); })),
      commands_(this),
      web_(web) {
    setWindowTitle(product::kBaseTitle);
    setWindowIcon(QIcon(QStringLiteral(":/folvane.png")));
    buildCentral();
    bridge_ = new EditorBridge(editor_, &document_, app_.worker(), this);
    connect(editor_, &EditorWidget::largePaste, this, &MainWin::pasteLarge);
    buildMenus();
    buildToolBar();
    buildStatusBar();
    buildContextMenu();
    buildQuickBars();
    connectCommands();
    connectTools();
    buildNavigationBar();

    desktop_ = new DesktopController(app_, *this, commands_, windowIcon(), this);
    bindWindowState();
    resize(685, 496);
    move(50, 50);
}

// Work of this window still on the worker finds the window gone and is
// dropped; the application object waits for the worker itself.
MainWin::~MainWin() {
    // The batch window shows this window again when it goes; going with this
    // window, it must not show one that is half destroyed.
    if (batchWindow_) {
        disconnect(batchWindow_, nullptr, this, nullptr);
        delete batchWindow_.data();
    }
}

// ---------------------------------------------------------------- building

void MainWin::buildCentral() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    upperBar_ = new UpperQuickBar(central);
    upperBar_->setObjectName(QStringLiteral("upperBar"));
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
    findField_->setObjectName(QStringLiteral("findField"));
    replaceField_ = new QLineEdit(findPanel_);
    replaceField_->setObjectName(QStringLiteral("replaceField"));
    replaceAllButton_ = new QPushButton(QStringLiteral("全部替换(&R)"), findPanel_);
    replaceAllButton_->setObjectName(QStringLiteral("replaceAll"));
    auto* clearButton = new QPushButton(QStringLiteral("替换全部(&L)"), findPanel_);
    auto* findButton = new QPushButton(QStringLiteral("查找(&F)"), findPanel_);
    auto* replaceOneButton = new QPushButton(QStringLiteral("替换"), findPanel_);
    replaceOneButton->setObjectName(QStringLiteral("replaceOne"));
    findCount_ = new QLabel(findPanel_);
    findCount_->setObjectName(QStringLiteral("findCount"));
    find->addWidget(new QLabel(QStringLiteral("将:"), findPanel_));
    find->addWidget(findField_, 1);
    find->addWidget(new QLabel(QStringLiteral("替换为:"), findPanel_));
    find->addWidget(replaceField_, 1);
    find->addWidget(findCount_);
    find->addWidget(replaceOneButton);
    find->addWidget(replaceAllButton_);
    find->addWidget(clearButton);
    find->addWidget(findButton);
    // The buttons keep their captions, but Alt+F and Alt+R belong to the
    // menus "文件(&F)" and "排版(&R)": as the buttons' own keys they were
    // taken from the menus whenever the panel was open, and Alt+R then
    // Enter replaced everything.
    for (QPushButton* b : {replaceAllButton_, clearButton, findButton}) b->setShortcut(QKeySequence());
    autoReplace_ = new QCheckBox(QStringLiteral("一键排版中自动替换"), findPanel_);
    autoReplace_->setObjectName(QStringLiteral("autoReplace"));
    find->addWidget(autoReplace_);
    findPanel_->setFixedHeight(34);
    findPanel_->hide();
    layout->addWidget(findPanel_);
    lowerBar_ = new LowerQuickBar(central);
    lowerBar_->setObjectName(QStringLiteral("lowerBar"));
    lowerBar_->hide();
    layout->addWidget(lowerBar_);
    connect(replaceAllButton_, &QPushButton::clicked, this, &MainWin::replaceAllInEditor);
    connect(clearButton, &QPushButton::clicked, this, &MainWin::clearAll);
    connect(findButton, &QPushButton::clicked, this, [this] { replaceAllButton_->setFocus(); });
    connect(replaceOneButton, &QPushButton::clicked, this, &MainWin::replaceOne);
    // Matches are counted and highlighted a moment after the find text or
    // the editor's text last changed, not at every keystroke.
    findTimer_ = new QTimer(this);
    findTimer_->setSingleShot(true);
    findTimer_->setInterval(150);
    connect(findTimer_, &QTimer::timeout, this, [this] { currentMatches(); });
    connect(findField_, &QLineEdit::textChanged, this, &MainWin::findTextChanged);
    connect(findField_, &QLineEdit::returnPressed, this, [this] { findNext(true); });
    // Escape in the panel closes it; the editor takes the focus with the
    // match found still selected.
    auto* closePanel = new QShortcut(QKeySequence(Qt::Key_Escape), findPanel_, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(closePanel, &QShortcut::activated, this, [this] { app_.windowState().set(folvane::settings::WindowFlag::FindPanel, false); });

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

    // The bars and the panel give up controls when the window is narrow
    // (resizeEvent) instead of holding it wide: their widths do not count
    // towards the window's minimum.
    for (QWidget* bar : {static_cast<QWidget*>(upperBar_), static_cast<QWidget*>(findPanel_),
                         static_cast<QWidget*>(lowerBar_)})
    {
        bar->setSizePolicy(QSizePolicy::Ignored, bar->sizePolicy().verticalPolicy());
        bar->layout()->setSizeConstraint(QLayout::SetNoConstraint);
    }
    setCentralWidget(central);
    connect(editor_, &EditorWidget::contextMenuRequested, this, &MainWin::popUpContextMenu);
    connect(editor_, &EditorWidget::clipboardKeyReleased, this, &MainWin::resetClipboardToItself);
    connect(editor_, &EditorWidget::filesDropped, this, &MainWin::dropFiles);
    connect(editor_, &QPlainTextEdit::textChanged, this, &MainWin::onEditorTextChanged);
    connect(editor_, &QPlainTextEdit::textChanged, this, &MainWin::findTextChanged);
    connect(editor_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (findPanel_->isVisible() && !findDirty_) showMatches();
    });
    connect(editor_, &QPlainTextEdit::cursorPositionChanged, this, &MainWin::onCursorMoved);
    connect(editor_, &QPlainTextEdit::selectionChanged, this, &MainWin::onCursorMoved);
}

void MainWin::buildMenus() {
    for (const MenuDefinition& def : mainMenus()) {
        QMenu* menu = menuBar()->addMenu(caption(def.title));
        for (const MenuEntry& e : def.entries) {
            if (e.command == Command::Count) menu->addSeparator();
            else menu->addAction(action(e.command));
        }
    }
}

void MainWin::buildToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("toolbar"));
    toolBar_ = bar;
    bar->setObjectName(QStringLiteral("toolbar"));
    bar->setMovable(false);
    // The buttons are the commands' own actions: a button and its menu item
    // are always in the same state.
    const auto& buttons = toolButtonEntries();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const ToolButtonEntry& b = buttons[i];
        if (b.command == Command::Count) {
            bar->addSeparator();
            continue;
        }
        QAction* a = action(b.command);
        // The desktop's own picture where its theme has one, else ours.
        const QString themed = QString::fromLatin1(b.iconName);
        a->setIcon(QIcon::hasThemeIcon(themed) ? QIcon::fromTheme(themed) : QIcon(QString::fromLatin1(b.fallbackIcon)));
        // A menu draws a checkable item's picture in place of its check
        // mark; the menus show the mark ("置顶", "一键排版"), the toolbar the picture.
        if (a->isCheckable()) a->setIconVisibleInMenu(false);
        bar->addAction(a);
        toolButtons_[i] = a;
    }
    toolButtons_[kToolCut]->setEnabled(false);
    toolButtons_[kToolCopy]->setEnabled(false);
}

void MainWin::buildNavigationBar() {
    // The layout rules apply at any width: the bars' contents do not hold the
    // window wide (their controls are hidden or cut by the rules instead).
    for (QWidget* bar : {static_cast<QWidget*>(upperBar_), static_cast<QWidget*>(lowerBar_),
                         static_cast<QWidget*>(findPanel_)})
        bar->setMinimumWidth(1);
    updateBase_ = QStringLiteral(FOLVANE_UPDATE_BASE_URL);
    navigationBar_ = new NavigationBarParts(
        toolBar_, web_,
        [this] {
            return updatePageUrl(updateBase_, app_.store() ? &*app_.store() : nullptr,
                                 app_.windowState().value().checkUpdates);
        },
        UpdateChecker::kRetryIntervalMs, this);
}

void MainWin::layoutNavigationBar() {
    navigationBar_->layout(width(), frameGeometry().width(), app_.windowState().value().navigationBar);
}

void MainWin::openWebPage() {
    if (!web_ || !web_->available()) return;
    // The imported page replaces the text as a tool's result would, so it asks
    // the same gate: a run or tool under way keeps the editor.
    web_->openUrlWindow(this, app_.windowState().value().alwaysOnTop, [this](const QString& page) {
        if (editorBusy()) {
            statusParts_[0]->setText(QStringLiteral("正在排版，未能导入网页"));
            return;
        }
        setEditorText(fromQt(page));
    });
}

void MainWin::openDonationWindow() {
    withoutAlwaysOnTop([this] { DonationWindow(this).exec(); });
}

void MainWin::buildStatusBar() {
    QStatusBar* bar = statusBar();
    for (std::size_t i = 0; i < statusParts_.size(); ++i) {
        statusParts_[i] = i == 1 ? new LinkLabel(bar) : new QLabel(bar);
        statusParts_[i]->setObjectName(QStringLiteral("statusPart%1").arg(i));
        bar->addWidget(statusParts_[i], i == 3 ? 1 : 0);
    }
    // The document's encoding and line breaks, at the bar's right end.
    formatLabel_ = new QLabel(bar);
    formatLabel_->setObjectName(QStringLiteral("statusFormat"));
    bar->addPermanentWidget(formatLabel_);
    showDocumentFormat();
    // A click on the run's time shows what the run changed.
    statusParts_[1]->setToolTip(QStringLiteral("查看排版改动"));
    statusParts_[1]->setCursor(Qt::PointingHandCursor);
    connect(static_cast<LinkLabel*>(statusParts_[1]), &LinkLabel::released, this, [this] {
        if (action(Command::ShowChanges)->isEnabled()) action(Command::ShowChanges)->trigger();
    });
    statusParts_[0]->setText(QStringLiteral("就绪"));
    statusParts_[3]->setText(qtFromGb(folvane::editor::lengthStatus(0)));
    bar->hide();  // shown when start-up is complete
}

void MainWin::showDocumentFormat() {
    formatLabel_->setText(
        QString::fromUtf8(folvane::editor::formatStatus(document_.format(), document_.documentFormat())));
}

void MainWin::buildContextMenu() {
    auto fill = [this](QMenu* menu, const std::vector<MenuEntry>& entries) {
        for (const MenuEntry& e : entries) {
            if (e.command == Command::Count) menu->addSeparator();
            else menu->addAction(action(e.command));
        }
    };
    contextMenu_ = new QMenu(QStringLiteral("编辑框菜单"), this);
    fill(contextMenu_, contextMenuEntries());
    toolsMenu_ = contextMenu_->addMenu(QStringLiteral("排版小工具"));
    fill(toolsMenu_, toolsMenuEntries());
    // The case submenu stands after the two script conversions.
    QAction* afterScripts = toolsMenu_->actions().at(5);
    QMenu* caseMenu = new QMenu(QStringLiteral("大小写字母转换"), toolsMenu_);
    fill(caseMenu, caseMenuEntries());
    toolsMenu_->insertMenu(afterScripts, caseMenu);
}

void MainWin::connectCommands() {
    auto on = [this](Command c, auto&& fn) { connect(action(c), &QAction::triggered, this, fn); };
    // "执行(&G)", toolbar button 10 and "开始排版": the selection when there
    // is one, else the whole text. The clipboard ways always take the whole text.
    on(Command::Run, [this] { startTypesetting(selectionRange()); });

    on(Command::Signatures, &MainWin::openSignatureWindow);
    // The window's switches are bound to their check marks (bindWindowState);
    // switching one-click typesetting on from a menu, the toolbar or the tray
    // also tells its hot key.
    on(Command::OneClick, [this](bool on) {
        if (on) showOneClickNote();
    });
    on(Command::RestoreDefaults, &MainWin::restoreDefaults);
    // New and Open replace the editor's text: while a run or a tool works on
    // it, its result would land in the other document, so they wait for it.
    on(Command::New, [this] {
        if (!refusedWhileBusy(QStringLiteral("正在排版，未能新建文件"))) documents_.newDocument();
    });
    on(Command::Open, [this] {
        if (!refusedWhileBusy(QStringLiteral("正在排版，未能打开文件"))) documents_.openDocument();
    });
    on(Command::Save, [this] { documents_.saveDocument(); });
    on(Command::SaveAs, [this] { documents_.saveDocumentAs(); });
    connect(&documents_, &DocumentController::formatChanged, this, &MainWin::showDocumentFormat);
    RecentFilesMenu::Hooks recent;
    recent.store = [this]() -> const folvane::settings::IniStore* { return app_.store() ? &*app_.store() : nullptr; };
    recent.open = [this](const QString& path) {
        if (!refusedWhileBusy(QStringLiteral("正在排版，未能打开文件"))) documents_.openDocument(path);
    };
    recent.tell = [this](const QString& text) { statusParts_[0]->setText(text); };
    recentFiles_ = new RecentFilesMenu(action(Command::RecentFiles), std::move(recent), this);
    connect(&documents_, &DocumentController::fileUsed, recentFiles_, &RecentFilesMenu::add);
    // Only a save uses a file while the text is hidden (opening is refused):
    // the text that comes back is then the saved one.
    connect(&documents_, &DocumentController::fileUsed, this, [this] {
        if (decoyShown_) savedWhenHidden_ = true;
    });
    on(Command::Undo, [this] { documents_.undo(); });
    on(Command::Redo, [this] { documents_.redo(); });
    on(Command::Exit, &MainWin::exitProgram);
    on(Command::ShowWindow, &MainWin::showMainWindow);
    on(Command::OpenWebPage, &MainWin::openWebPage);
    const bool web = web_ && web_->available();
    action(Command::OpenWebPage)->setEnabled(web);
    on(Command::Donate, &MainWin::openDonationWindow);
    on(Command::About, [this] { withoutAlwaysOnTop([this] { AboutDialog(this).exec(); }); });
    // The product's pages open in the desktop's browser.
    on(Command::Website, [this] { openWithDesktop(this, QUrl(product::kHomePage)); });
    on(Command::Forum, [this] { openWithDesktop(this, QUrl(product::kForumPage)); });
    // Other windows: each opens from its command here, gets the application
    // object and this window as parent.
    on(Command::Options, [this] { openOptionsWindow(this); });
    on(Command::Batch, &MainWin::openBatchWindow);

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
    on(Command::ShowChanges, &MainWin::showRunChanges);
    on(Command::FindNext, [this] { findNext(true); });
    on(Command::FindPrevious, [this] { findNext(false); });

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

    connect(&app_, &FolvaneApp::optionsChanged, this,
            [this] { applyQuickBars(folvane::settings::syncQuickBars(app_.options())); });

    RunController& runs = app_.runs();
    // The progress display belongs to the window's own runs (the batch
    // window shows its progress itself).
    connect(&runs, &RunController::phase, this, [this](const QString& label) {
        if (!running_) return;
        QString l = label;
        progressLabel_->setText(l.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    });
    connect(&runs, &RunController::progressHidden, this, [this] {
        if (!running_) return;
        progressLabel_->hide();
        progressBar_->hide();
    });
    connect(&runs, &RunController::progressPosition, progressBar_, [this](int p) {
        if (!running_) return;
        progressBar_->setValue(std::min(p, progressBar_->maximum()));
    });
}
