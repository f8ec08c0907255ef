#include "batch_window.h"

#include "desktop_open.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMetaObject>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>
#include <unistd.h>

#include "folvane_app.h"
#include "gui_inbox.h"
#include "run_controller.h"
#include "text/codec.h"
#include "text_bridge.h"

namespace batch = folvane::batch;

namespace {

std::string nativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }
QString qtPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

}  // namespace

// ----------------------------------------------------------------- model

BatchListModel::BatchListModel(batch::BatchList& list, QObject* parent) : QAbstractTableModel(parent), list_(list) {}

int BatchListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(list_.rows().size());
}

int BatchListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 4; }

QVariant BatchListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    const auto row = static_cast<std::size_t>(index.row());
    if (row >= list_.rows().size()) return {};
    const batch::BatchRow& r = list_.rows()[row];
    switch (index.column()) {
        case 0: return qtPath(r.path);
        case 1: return qtPath(r.name);
        case 2: return qtFromGb(batch::kindCaption(r.kind));
        case 3: return qtFromGb(batch::statusCaption(r.status));
    }
    return {};
}

QVariant BatchListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const kCaptions[] = {"欲转换的文件地址", "文件名", "格式", "状态"};
    return section >= 0 && section < 4 ? QString::fromUtf8(kCaptions[section]) : QVariant();
}

void BatchListModel::rowsAppended(int first, int last) {
    beginInsertRows({}, first, last);
    endInsertRows();
}

void BatchListModel::rowChanged(int first, int last) { Q_EMIT dataChanged(index(first, 0), index(last, 3)); }

// -------------------------------------------------------------- progress

// Reports of the worker, posted to the window on the GUI thread. The bar's
// many small steps are coalesced: at most one of them waits in the queue.
class BatchWindow::Progress : public batch::BatchFileProgress {
public:
    explicit Progress(BatchWindow* w) : window_(w) {}

    void begin(std::size_t row, std::size_t n, std::string path) {
        row_ = row;
        n_ = n;
        path_ = std::move(path);
    }

    void fileRead(std::uint64_t size) override {
        const QString info = qtPath(batch::fileInfoText(path_, size));
        post([info](BatchWindow& w) {
            w.shown_.info = info;
            w.shown_.caption = qtFromGb(batch::preparingCaption());
            w.scheduleRefresh();
        });
    }
    void initializing() override {
        const std::size_t row = row_;
        post([row](BatchWindow& w) {
            if (w.rowFinished(row)) return;
            w.shown_.currentRow = row;
            w.shown_.caption = qtFromGb(batch::initializingCaption());
            w.setStatus(row, batch::RowStatus::Initializing);
        });
    }
    void converting() override {
        const std::size_t row = row_, n = n_;
        post([row, n](BatchWindow& w) {
            if (w.rowFinished(row)) return;
            w.shown_.caption = qtFromGb(batch::convertingCaption(row + 1, n));
            w.shown_.htmlFull = true;
            w.setStatus(row, batch::RowStatus::Converting);
        });
    }
    void batchFileBar(int maximum, int position) override {
        bar_->maximum.store(maximum);
        bar_->position.store(position);
        if (bar_->pending.exchange(true)) return;
        post([bar = bar_](BatchWindow& w) {
            bar->pending.store(false);
            w.shown_.fileMaximum = bar->maximum.load();
            w.shown_.filePosition = bar->position.load();
            w.scheduleRefresh();
        });
    }

private:
    void post(std::function<void(BatchWindow&)> fn) {
        QPointer<BatchWindow> w = window_;
        inbox_->post([w, fn = std::move(fn)] { if (w) fn(*w); });
    }

    QPointer<BatchWindow> window_;
    // Outlives the window while the run's last file is still at work.
    std::shared_ptr<GuiInbox> inbox_ = GuiInbox::shared();
    std::size_t row_ = 0, n_ = 0;
    std::string path_;
    struct Bar {
        std::atomic<int> maximum{200}, position{0};
        std::atomic<bool> pending{false};  // an update waits in the queue
    };
    std::shared_ptr<Bar> bar_ = std::make_shared<Bar>();
};

// ----------------------------------------------------------------- window

QString BatchWindow::fileDialogTitle() { return QStringLiteral("请选择欲转换的文件(可多选)："); }

QString BatchWindow::fileDialogFilter() {
    // The filter's texts, as a Qt name filter: "所有可转换文件" offers
    // .text too (such files are then refused, as in the list rules), and
    // Markdown documents.
    return QStringLiteral(
        "所有可转换文件(*.txt;*.html;*.htm;*.text;*.md;*.markdown;*.mdown) "
        "(*.txt *.html *.htm *.text *.md *.markdown *.mdown);;文本文件(*.txt) (*.txt);;"
        "网页文件(*.html;*htm) (*.html *.htm);;Markdown文档(*.md;*.markdown;*.mdown) (*.md *.markdown *.mdown)");
}

QString BatchWindow::folderPrompt() { return QStringLiteral("请选择转换后电子书文件的存放路径"); }

QString BatchWindow::processDefaultFolder() {
    const std::string exeDir = nativePath(QCoreApplication::applicationDirPath());
    const std::string home = nativePath(QDir::homePath());
    return qtPath(batch::defaultOutputFolder(exeDir, home, [](const std::string& dir) {
        return ::access(dir.c_str(), W_OK | X_OK) == 0;
    }));
}

void BatchWindow::fillDefaultServices(Services& s) {
    if (!s.chooseFiles)
        s.chooseFiles = [](QWidget* parent, const QString& title, const QString& folder, const QString& filter) {
            return QFileDialog::getOpenFileNames(parent, title, folder, filter);
        };
    if (!s.chooseFolder)
        s.chooseFolder = [](QWidget* parent, const QString& prompt, const QString& folder) {
            return QFileDialog::getExistingDirectory(parent, prompt, folder);
        };
    if (!s.message)
        s.message = [](QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text) {
            QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
            box.exec();
        };
    if (!s.openFile)
        s.openFile = [](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    if (s.defaultFolder.isEmpty()) s.defaultFolder = processDefaultFolder();
}

namespace {

// Starts `work` as a run of the controller; when another run holds it (or
// the previous file's run is just ending), once that run has finished.
void startWhenFree(RunController* runs, QPointer<QObject> receiver, BatchWindow::Services::Work work,
                   std::function<void()> done) {
    if (!receiver) return;
    const auto job = [work](const folvane::engine::TypesetOptions&, folvane::engine::RunContext& context,
                            folvane::engine::TypesetProgress&) { work(context); };
    if (runs->startRun(receiver, job, done)) return;
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(runs, &RunController::runFinished, receiver, [=] {
        QObject::disconnect(*connection);
        startWhenFree(runs, receiver, work, done);
    });
}

}  // namespace

BatchWindow::Services BatchWindow::programServices(FolvaneApp& app) {
    Services s;
    s.options = &app.options();
    RunController* runs = &app.runs();
    s.submit = [runs](QObject* context, Services::Work work, std::function<void()> done) {
        startWhenFree(runs, QPointer<QObject>(context), std::move(work), std::move(done));
    };
    return s;
}

BatchWindow::BatchWindow(Services services, QWidget* parent) : QWidget(parent), services_(std::move(services)) {
    fillDefaultServices(services_);
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("批量排版(暂时只支持ANSI编码)"));
    setWindowFlag(Qt::WindowStaysOnTopHint, services_.topmost);
    setAcceptDrops(true);
    build();
    // The default folder is made at once; one that cannot be made is
    // reported when a run starts.
    batch::prepareOutputFolder(nativePath(services_.defaultFolder));
    folder_->setText(services_.defaultFolder);
    // During a run the window shows the latest state at most 25 times a
    // second, however many small files go by.
    refresh_.setInterval(40);
    refresh_.setSingleShot(true);
    connect(&refresh_, &QTimer::timeout, this, &BatchWindow::refreshView);
    tick_.setInterval(1000);
    connect(&tick_, &QTimer::timeout, this, &BatchWindow::showElapsed);
}

BatchWindow::~BatchWindow() {
    // The list and its model go before the child widgets: the view must not
    // ask them for rows meanwhile.
    view_->removeEventFilter(this);
    delete view_;
    view_ = nullptr;
}

void BatchWindow::build() {
    // Qt layouts place everything, in the window's arrangement: the output
    // folder line, the list, the buttons, the two boxes, and below them the
    // progress area of a run.
    auto* top = new QVBoxLayout(this);
    top->setSizeConstraint(QLayout::SetFixedSize);

    auto* folderCaption = new QLabel(QStringLiteral("将转换后的文件存入："), this);
    folderCaption->setObjectName(QStringLiteral("folderCaption"));
    folder_ = new QLineEdit(this);
    folder_->setObjectName(QStringLiteral("folder"));
    folderButton_ = new QPushButton(QStringLiteral("目录"), this);
    folderButton_->setObjectName(QStringLiteral("folderButton"));
    auto* folderLine = new QHBoxLayout;
    folderLine->addWidget(folderCaption);
    folderLine->addWidget(folder_, 1);
    folderLine->addWidget(folderButton_);
    top->addLayout(folderLine);

    model_ = new BatchListModel(list_, this);
    view_ = new QTreeView(this);
    view_->setObjectName(QStringLiteral("list"));
    view_->setModel(model_);
    view_->setRootIsDecorated(false);
    view_->setUniformRowHeights(true);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    view_->header()->resizeSection(0, 300);
    view_->header()->resizeSection(1, 120);
    view_->header()->resizeSection(2, 64);
    // Room for the first three columns and about ten rows.
    view_->setMinimumSize(576, 252);
    view_->installEventFilter(this);
    top->addWidget(view_);

    auto button = [this](const char* caption, const char* name) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromUtf8(name));
        return b;
    };
    add_ = button("添加文件(&A)", "add");
    clear_ = button("清空列表(&C)", "clear");
    optionsButton_ = button("排版设置选项(&O)", "options");
    start_ = button("开始批量排版(&B)", "start");
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {add_, clear_, optionsButton_}) buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(start_);
    top->addLayout(buttons);

    detect_ = new QCheckBox(QStringLiteral("快速识别文件编码(通用)"), this);
    detect_->setObjectName(QStringLiteral("detect"));
    detect_->setChecked(true);
    merge_ = new QCheckBox(QStringLiteral("将所有文件合并成一个文件"), this);
    merge_->setObjectName(QStringLiteral("merge"));
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(detect_);
    boxes->addWidget(merge_);
    boxes->addStretch(1);
    top->addLayout(boxes);

    progressGroup_ = new QGroupBox(qtFromGb(batch::idleCaption()), this);
    progressGroup_->setObjectName(QStringLiteral("progress"));
    auto* grid = new QGridLayout(progressGroup_);
    auto label = [this](const QString& text, const char* name) {
        auto* l = new QLabel(text, progressGroup_);
        l->setObjectName(QString::fromUtf8(name));
        return l;
    };
    auto bar = [this](int maximum) {
        auto* b = new QProgressBar(progressGroup_);
        b->setRange(0, maximum);
        b->setTextVisible(false);
        return b;
    };
    overall_ = bar(100);
    overall_->setObjectName(QStringLiteral("overall"));
    fileBar_ = bar(200);
    fileBar_->setObjectName(QStringLiteral("fileBar"));
    htmlBar_ = bar(100);
    htmlBar_->setObjectName(QStringLiteral("htmlBar"));
    grid->addWidget(label(QStringLiteral("总进度"), "overallCaption"), 0, 0);
    grid->addWidget(overall_, 0, 1);
    grid->addWidget(label(QStringLiteral("100%"), "full"), 0, 2);
    grid->addWidget(fileBar_, 1, 1);
    grid->addWidget(label(QStringLiteral("HTML格式转换进度"), "htmlCaption"), 2, 0);
    grid->addWidget(htmlBar_, 2, 1);
    elapsed_ = label(QString(), "elapsed");
    auto* elapsedLine = new QHBoxLayout;
    elapsedLine->addWidget(label(QStringLiteral("已耗时:"), "elapsedCaption"));
    elapsedLine->addWidget(elapsed_, 1);
    grid->addLayout(elapsedLine, 3, 0, 1, -1);
    fileInfo_ = label(QStringLiteral("文件名（文件大小）"), "fileInfo");
    // A long file name is cut at the window's edge rather than widening it.
    fileInfo_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    grid->addWidget(fileInfo_, 4, 0, 1, -1);
    grid->setColumnStretch(1, 1);
    progressGroup_->hide();
    top->addWidget(progressGroup_);

    listMenu_ = new QMenu(QStringLiteral("列表框菜单"), this);
    openAction_ = listMenu_->addAction(QStringLiteral("用记事本打开(&E)..."));
    removeAction_ = listMenu_->addAction(QStringLiteral("从列表中删除(&D)"));
    removeSeparator_ = listMenu_->addSeparator();
    QAction* addAction = listMenu_->addAction(QStringLiteral("添加文件(&A)"));
    QAction* startAction = listMenu_->addAction(QStringLiteral("开始批量排版(&B)"));

    connect(folderButton_, &QPushButton::clicked, this, &BatchWindow::chooseFolder);
    connect(add_, &QPushButton::clicked, this, &BatchWindow::addFilesByDialog);
    connect(addAction, &QAction::triggered, this, &BatchWindow::addFilesByDialog);
    connect(clear_, &QPushButton::clicked, this, &BatchWindow::clearList);
    connect(start_, &QPushButton::clicked, this, &BatchWindow::startRun);
    connect(startAction, &QAction::triggered, this, &BatchWindow::startRun);
    connect(openAction_, &QAction::triggered, this, &BatchWindow::openSelected);
    connect(removeAction_, &QAction::triggered, this, &BatchWindow::removeSelectedRows);
    connect(optionsButton_, &QPushButton::clicked, this, [this] {
        if (services_.openOptions) services_.openOptions(this);
    });
    connect(view_, &QTreeView::doubleClicked, this, &BatchWindow::doubleClicked);
    connect(view_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        refreshListMenu();
        listMenu_->popup(view_->viewport()->mapToGlobal(pos));
    });
}

// ------------------------------------------------------------------ list

void BatchWindow::addPaths(const QStringList& paths, batch::PathSource source) {
    std::vector<std::string> native;
    native.reserve(static_cast<std::size_t>(paths.size()));
    for (const QString& p : paths) native.push_back(nativePath(p));
    const int first = static_cast<int>(list_.rows().size());
    const std::size_t added = list_.addPaths(native, source);
    if (added > 0) model_->rowsAppended(first, first + static_cast<int>(added) - 1);
}

void BatchWindow::addFilesByDialog() {
    const QStringList chosen =
        services_.chooseFiles(this, fileDialogTitle(), qtPath(list_.lastAddFolder()), fileDialogFilter());
    addPaths(chosen, batch::PathSource::Dialog);
}

void BatchWindow::chooseFolder() {
    const QString chosen = services_.chooseFolder(this, folderPrompt(), folder_->text());
    if (!chosen.isEmpty()) folder_->setText(chosen);
}

void BatchWindow::clearList() {
    model_->beginChange();
    list_.clear();
    model_->endChange();
}

std::vector<std::size_t> BatchWindow::selectedRows() const {
    std::vector<std::size_t> rows;
    for (const QModelIndex& i : view_->selectionModel()->selectedRows()) rows.push_back(static_cast<std::size_t>(i.row()));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void BatchWindow::removeSelectedRows() {
    if (running_) return;
    const std::vector<std::size_t> rows = selectedRows();
    if (rows.empty()) return;
    model_->beginChange();
    list_.removeRows(rows);
    model_->endChange();
}

void BatchWindow::refreshListMenu() {
    const std::size_t selected = selectedRows().size();
    removeAction_->setVisible(selected >= 1);
    removeSeparator_->setVisible(selected >= 1);
    openAction_->setVisible(selected == 1);
}

void BatchWindow::openSelected() {
    const std::vector<std::size_t> rows = selectedRows();
    if (rows.empty()) return;
    const QString path = qtPath(list_.rows()[rows.front()].path);
    if (!services_.openFile(path))
        services_.message(this, QMessageBox::Warning, desktopOpenTitle(), desktopOpenFailure(path));
}

void BatchWindow::doubleClicked() {
    // A text file opens in the desktop's text editor, a web page in its
    // browser: both are the desktop's default application for the file.
    openSelected();
}

bool BatchWindow::eventFilter(QObject* watched, QEvent* e) {
    if (view_ && watched == view_ && e->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
            removeSelectedRows();
            return true;
        }
        if (key->key() == Qt::Key_A && key->modifiers() == Qt::ControlModifier) {
            view_->selectAll();
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}

void BatchWindow::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls() && !running_) e->acceptProposedAction();
}

void BatchWindow::dragMoveEvent(QDragMoveEvent* e) {
    if (e->mimeData()->hasUrls() && !running_) e->acceptProposedAction();
}

void BatchWindow::dropEvent(QDropEvent* e) {
    // Rows added during a run would never be processed and would vanish
    // when the run clears the list: drops wait until the run is over.
    if (running_) return;
    QStringList paths;
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile()) paths.push_back(url.toLocalFile());
    addPaths(paths, batch::PathSource::Drop);
    e->acceptProposedAction();
}

void BatchWindow::closeEvent(QCloseEvent* e) {
    if (running_) e->ignore();
    else e->accept();
}

// ------------------------------------------------------------------- run

void BatchWindow::setStatus(std::size_t row, batch::RowStatus status) {
    if (row >= list_.rows().size()) return;
    list_.rows()[row].status = status;
    if (!running_) {
        model_->rowChanged(static_cast<int>(row), static_cast<int>(row));
        return;
    }
    const int r = static_cast<int>(row);
    shown_.dirtyFirst = shown_.dirtyFirst < 0 ? r : std::min(shown_.dirtyFirst, r);
    shown_.dirtyLast = std::max(shown_.dirtyLast, r);
    scheduleRefresh();
}

void BatchWindow::scheduleRefresh() {
    if (!refresh_.isActive()) refresh_.start();
}

void BatchWindow::refreshView() {
    refresh_.stop();
    Shown& s = shown_;
    if (!s.caption.isEmpty()) progressGroup_->setTitle(std::exchange(s.caption, QString()));
    if (!s.info.isEmpty()) fileInfo_->setText(std::exchange(s.info, QString()));
    if (s.fileMaximum >= 0) {
        fileBar_->setRange(0, s.fileMaximum);
        fileBar_->setValue(s.filePosition);
        s.fileMaximum = -1;
    }
    if (std::exchange(s.htmlFull, false)) htmlBar_->setValue(htmlBar_->maximum());
    if (s.overall >= 0) overall_->setValue(std::exchange(s.overall, -1));
    if (s.dirtyFirst >= 0) {
        model_->rowChanged(s.dirtyFirst, s.dirtyLast);
        s.dirtyFirst = s.dirtyLast = -1;
    }
    // The file being converted is selected and scrolled into view; the one
    // before it, finished, is deselected.
    if (s.currentRow != s.selectedRow) {
        QItemSelectionModel* selection = view_->selectionModel();
        if (s.selectedRow)
            selection->select(model_->index(static_cast<int>(*s.selectedRow), 0),
                              QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        if (s.currentRow) {
            const QModelIndex index = model_->index(static_cast<int>(*s.currentRow), 0);
            view_->scrollTo(index);
            selection->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        s.selectedRow = s.currentRow;
    }
}

bool BatchWindow::rowFinished(std::size_t row) const {
    if (!running_ || row >= list_.rows().size()) return true;
    const batch::RowStatus s = list_.rows()[row].status;
    return s == batch::RowStatus::Done || s == batch::RowStatus::Failed;
}

void BatchWindow::setRunning(bool running) {
    running_ = running;
    start_->setEnabled(!running);
    clear_->setEnabled(!running);
    add_->setEnabled(!running);
    view_->setEnabled(!running);
    // The progress area shows below the controls only during a run; the
    // window takes the height its layout then needs.
    progressGroup_->setVisible(running);
}

void BatchWindow::showElapsed() { elapsed_->setText(qtFromGb(batch::elapsedText(clock_.elapsed() / 1000))); }

void BatchWindow::startRun() {
    if (running_) return;
    overall_->setValue(0);
    fileBar_->setValue(0);
    htmlBar_->setValue(0);
    const std::size_t waiting = list_.waitingCount();
    if (waiting < 1) {
        services_.message(this, QMessageBox::Information, QStringLiteral("提示"), QStringLiteral("请选择您要转换的文件！"));
        addFilesByDialog();
        return;
    }
    const QString folder = folder_->text();
    if (folder.isEmpty()) {
        services_.message(this, QMessageBox::NoIcon, QCoreApplication::applicationName(),
                          QStringLiteral("请选择转换后文件要保存的路径！"));
        chooseFolder();
        return;
    }
    std::string why;
    if (!batch::prepareOutputFolder(nativePath(folder), &why)) {
        services_.message(this, QMessageBox::Warning, QStringLiteral("提示"),
                          QStringLiteral("无法创建或写入输出文件夹，批量排版没有开始：\n%1\n%2")
                              .arg(folder, QString::fromLocal8Bit(why.c_str())));
        return;
    }

    setRunning(true);
    elapsed_->clear();
    overall_->setRange(0, static_cast<int>(waiting));
    overall_->setValue(0);
    files_ = list_.rows().size();
    next_ = 0;
    failed_ = 0;
    std::vector<std::string> inputs;
    inputs.reserve(files_);
    for (const auto& r : list_.rows()) inputs.push_back(r.path);
    run_ = std::make_shared<batch::BatchRun>(
        nativePath(folder), detect_->isChecked() ? folvane::text::EncodingChoice::Auto : folvane::text::EncodingChoice::Gb18030,
        std::move(inputs));
    // A file's last line break is part of its format, like its encoding.
    run_->setKeepFinalBreak(true);
    progress_ = std::make_shared<Progress>(this);
    shown_ = Shown{};
    done_ = 0;
    view_->setFocus();
    // Quote pairing starts afresh for the run, as for a run of the CLI.
    if (services_.context) services_.context->quotes.reset();
    clock_.start();
    showElapsed();
    tick_.start();
    processNext();
}

namespace {

// The default worker: one thread per piece of work, on a copy of `context`
// (a fresh one without) that `context` takes the run's state from when the
// work has ended.
void runOnThread(QObject* owner, folvane::engine::RunContext* context, BatchWindow::Services::Work work,
                 std::function<void()> done) {
    auto copy = std::make_shared<folvane::engine::RunContext>(context ? *context : folvane::engine::RunContext{});
    QThread* thread = QThread::create([copy, work = std::move(work)] { work(*copy); });
    QObject::connect(thread, &QThread::finished, owner, [thread, context, copy, done = std::move(done)] {
        thread->wait();
        thread->deleteLater();
        if (context) folvane::engine::takeRunState(*context, *copy);
        done();
    });
    thread->start();
}

}  // namespace

void BatchWindow::processNext() {
    const auto& rows = list_.rows();
    while (next_ < rows.size() && rows[next_].status != batch::RowStatus::Waiting) ++next_;
    QPointer<BatchWindow> self(this);
    auto submit = [this](Services::Work work, std::function<void()> done) {
        workerBusy_ = true;
        auto finished = [self = QPointer<BatchWindow>(this), done = std::move(done)] {
            if (!self) return;
            self->workerBusy_ = false;
            done();
        };
        if (services_.submit) services_.submit(this, std::move(work), std::move(finished));
        else runOnThread(this, services_.context, std::move(work), std::move(finished));
    };

    std::shared_ptr<batch::BatchRun> run = run_;
    if (next_ >= rows.size()) {
        // The merged file, if one is open, is written off the GUI thread too.
        auto closed = std::make_shared<batch::MergedClose>();
        submit([run, closed](folvane::engine::RunContext&) { *closed = run->closeMerged(); },
               [self, closed] {
                   if (!self) return;
                   for (std::size_t f : closed->failed) self->setStatus(f, batch::RowStatus::Failed);
                   self->finishRun();
               });
        return;
    }
    const std::size_t row = next_++;
    const bool merge = merge_->isChecked();
    const folvane::engine::TypesetOptions options =
        services_.options ? *services_.options : folvane::engine::TypesetOptions::defaults();
    const std::string path = rows[row].path;
    progress_->begin(row, files_, path);
    std::shared_ptr<Progress> progress = progress_;
    auto result = std::make_shared<batch::FileResult>();
    submit(
        [run, row, merge, options, path, progress, result](folvane::engine::RunContext& ctx) {
            *result = run->processFile(
                row, merge,
                [&](std::string text, batch::BatchFileProgress* p) {
                    return batch::typesetForBatch(path, std::move(text), run->currentFormat(), options, ctx, p);
                },
                batch::paragraphSeparator(options), progress.get());
        },
        [self, row, result] {
            if (self) self->fileDone(row, *result);
        });
}

void BatchWindow::fileDone(std::size_t row, const batch::FileResult& result) {
    for (std::size_t f : result.mergedFailed) setStatus(f, batch::RowStatus::Failed);
    setStatus(row, result.outcome == batch::FileOutcome::Failed ? batch::RowStatus::Failed : batch::RowStatus::Done);
    if (shown_.currentRow == row) shown_.currentRow.reset();
    shown_.overall = ++done_;
    scheduleRefresh();
    processNext();
}

void BatchWindow::finishRun() {
    refreshView();
    fileBar_->setValue(fileBar_->maximum());
    tick_.stop();
    showElapsed();
    std::size_t failed = 0;
    for (const auto& r : list_.rows())
        if (r.status == batch::RowStatus::Failed) ++failed;
    failed_ = failed;
    const std::string message = batch::finalMessage(files_, fromQt(elapsed_->text()), failed);
    services_.message(this, failed == 0 ? QMessageBox::Information : QMessageBox::Warning, QStringLiteral("完成"),
                      toQt(message));
    clearList();
    run_.reset();
    progress_.reset();
    setRunning(false);
    Q_EMIT runFinished();
}
