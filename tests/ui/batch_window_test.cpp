// The batch window offscreen: its list rules through drops and the answered
// file dialog, runs over text and web pages with and without merge, the
// failures, and the outputs against folvane-cli's.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDropEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QUrl>
#include <deque>
#include <filesystem>

#include "batch_window.h"
#include "gbtext.h"
#include "text/file_io.h"
#include "ui_support.h"

namespace {

namespace fs = std::filesystem;
namespace batch = folvane::batch;
using folvane::engine::RunContext;
using folvane::engine::TypesetOptions;
using folvane::testing::g;

const std::string kI = "\xA1\xA1\xA1\xA1";

struct Message {
    QMessageBox::Icon icon;
    QString title, text;
};

// A window with every dialog answered by the test. With `manualWorker` the
// pieces of work wait in a queue until the test runs them, so that a test
// can act between two files.
class Harness {
public:
    explicit Harness(bool manualWorker = false, QString folder = {}) {
        options = TypesetOptions::defaults();
        BatchWindow::Services s;
        s.options = &options;
        s.context = &context;
        if (manualWorker)
            s.submit = [this](QObject*, BatchWindow::Services::Work work, std::function<void()> done) {
                queue.emplace_back([this, work = std::move(work)] { work(context); }, std::move(done));
            };
        s.openOptions = [this](QWidget*) { ++optionsOpened; };
        s.chooseFiles = [this](QWidget*, const QString& title, const QString& folder, const QString& filter) {
            dialogTitle = title;
            dialogFolder = folder;
            dialogFilter = filter;
            ++dialogs;
            return std::exchange(answer, {});
        };
        s.chooseFolder = [this](QWidget*, const QString& prompt, const QString&) {
            folderPrompt = prompt;
            ++folderDialogs;
            return folderAnswer;
        };
        s.message = [this](QWidget*, QMessageBox::Icon icon, const QString& title, const QString& text) {
            messages.push_back({icon, title, text});
        };
        s.openFile = [this](const QString& path) {
            opened.push_back(path);
            return desktopOpens;
        };
        s.defaultFolder = folder.isEmpty() ? dir.filePath(QStringLiteral("默认")) : folder;
        window = std::make_unique<BatchWindow>(s);
        QObject::connect(window.get(), &BatchWindow::runFinished, [this] { ++finished; });
        window->show();
    }

    std::string write(const std::string& name, const std::string& bytes) {
        const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
        fs::create_directories(fs::path(path).parent_path());
        EXPECT_TRUE(folvane::text::writeFileAtomically(path, bytes));
        return path;
    }
    static std::string read(const std::string& path) {
        std::string b;
        EXPECT_TRUE(folvane::text::readFile(path, b)) << path;
        return b;
    }

    void drop(const QStringList& paths) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString& p : paths) urls.push_back(QUrl::fromLocalFile(p));
        mime.setUrls(urls);
        // As a drag does: the window is entered, then the files are dropped.
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        dropAccepted = enter.isAccepted();
        QDropEvent e(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &e);
    }
    QStringList column(int c) const {
        QStringList out;
        auto* m = window->listModel();
        for (int r = 0; r < m->rowCount(); ++r) out.push_back(m->index(r, c).data().toString());
        return out;
    }
    // Runs the queued pieces of work one by one until none is left.
    void drain() {
        while (!queue.empty()) step();
    }
    void step() {
        auto [work, done] = std::move(queue.front());
        queue.pop_front();
        work();
        QCoreApplication::processEvents();  // the worker's reports come first
        done();
        window->refreshView();
    }
    void setFolder(const QString& f) { child<QLineEdit>(*window, QStringLiteral("folder"))->setText(f); }

    QTemporaryDir dir;
    TypesetOptions options;
    RunContext context;
    std::unique_ptr<BatchWindow> window;
    std::deque<std::pair<std::function<void()>, std::function<void()>>> queue;
    QStringList answer, opened;
    QString folderAnswer, dialogTitle, dialogFolder, dialogFilter, folderPrompt;
    bool dropAccepted = false;
    bool desktopOpens = true;
    int dialogs = 0, folderDialogs = 0, optionsOpened = 0, finished = 0;
    std::vector<Message> messages;
};

QString q(const std::string& s) { return QString::fromStdString(s); }

// With the CJK font of the desktop, at the pixel ratio the run asks for (the
// test runs at 1 and at 2), every caption fits its control, idle and during
// a run.
TEST(BatchWindow, NoCaptionClippedWithTheCjkFont) {
    CjkFont font;
    ASSERT_EQ(CjkFont::family(), QStringLiteral("Noto Sans CJK SC"));
    Harness h(true);
    EXPECT_EQ(h.window->devicePixelRatio(), requestedPixelRatio());
    EXPECT_EQ(clippedCaptions(*h.window), "");
    h.drop({QString::fromStdString(h.write("a.txt", "x"))});
    QTest::mouseClick(child<QPushButton>(*h.window, QStringLiteral("start")), Qt::LeftButton);
    ASSERT_TRUE(h.window->running());
    EXPECT_EQ(clippedCaptions(*h.window), "");
    h.drain();
}

TEST(BatchWindow, CaptionsAndHeights) {
    Harness h;
    BatchWindow& w = *h.window;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("批量排版(暂时只支持ANSI编码)"));
    // The window takes the size its layout asks for; the progress area
    // shows only during a run.
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
    EXPECT_FALSE(child<QGroupBox>(w, QStringLiteral("progress"))->isVisible());
    EXPECT_EQ(child<QPushButton>(w, QStringLiteral("add"))->text(), QStringLiteral("添加文件(&A)"));
    EXPECT_EQ(child<QPushButton>(w, QStringLiteral("clear"))->text(), QStringLiteral("清空列表(&C)"));
    EXPECT_EQ(child<QPushButton>(w, QStringLiteral("options"))->text(), QStringLiteral("排版设置选项(&O)"));
    EXPECT_EQ(child<QPushButton>(w, QStringLiteral("start"))->text(), QStringLiteral("开始批量排版(&B)"));
    EXPECT_EQ(child<QPushButton>(w, QStringLiteral("folderButton"))->text(), QStringLiteral("目录"));
    EXPECT_EQ(child<QCheckBox>(w, QStringLiteral("detect"))->text(), QStringLiteral("快速识别文件编码(通用)"));
    EXPECT_TRUE(child<QCheckBox>(w, QStringLiteral("detect"))->isChecked());
    EXPECT_EQ(child<QCheckBox>(w, QStringLiteral("merge"))->text(), QStringLiteral("将所有文件合并成一个文件"));
    EXPECT_FALSE(child<QCheckBox>(w, QStringLiteral("merge"))->isChecked());
    EXPECT_EQ(child<QGroupBox>(w, QStringLiteral("progress"))->title(), QStringLiteral("正在转换第0个文件（共0个）"));
    EXPECT_EQ(child<QLabel>(w, QStringLiteral("fileInfo"))->text(), QStringLiteral("文件名（文件大小）"));
    const QStringList headers{QStringLiteral("欲转换的文件地址"), QStringLiteral("文件名"), QStringLiteral("格式"),
                              QStringLiteral("状态")};
    for (int c = 0; c < 4; ++c) EXPECT_EQ(w.listModel()->headerData(c, Qt::Horizontal, Qt::DisplayRole), headers[c]);
    // The arrangement: folder line above the list, the buttons below it
    // ("开始批量排版" at the right), then the two boxes side by side.
    EXPECT_LT(child<QPushButton>(w, QStringLiteral("folderButton"))->geometry().bottom(), child<QTreeView>(w, QStringLiteral("list"))->geometry().top());
    EXPECT_GT(child<QPushButton>(w, QStringLiteral("folderButton"))->x(), child<QLineEdit>(w, QStringLiteral("folder"))->geometry().right());
    EXPECT_GT(child<QPushButton>(w, QStringLiteral("add"))->y(), child<QTreeView>(w, QStringLiteral("list"))->geometry().bottom());
    QPushButton* row[] = {child<QPushButton>(w, QStringLiteral("add")), child<QPushButton>(w, QStringLiteral("clear")), child<QPushButton>(w, QStringLiteral("options")), child<QPushButton>(w, QStringLiteral("start"))};
    for (int i = 1; i < 4; ++i) {
        EXPECT_GT(row[i]->x(), row[i - 1]->geometry().right()) << i;
        EXPECT_EQ(row[i]->y(), row[0]->y()) << i;
    }
    EXPECT_EQ(child<QPushButton>(w, QStringLiteral("start"))->geometry().right(), child<QTreeView>(w, QStringLiteral("list"))->geometry().right());
    EXPECT_GT(child<QCheckBox>(w, QStringLiteral("detect"))->y(), child<QPushButton>(w, QStringLiteral("add"))->geometry().bottom());
    EXPECT_GT(child<QCheckBox>(w, QStringLiteral("merge"))->x(), child<QCheckBox>(w, QStringLiteral("detect"))->geometry().right());
    // The default folder is made when the window opens.
    EXPECT_EQ(child<QLineEdit>(w, QStringLiteral("folder"))->text(), h.dir.filePath(QStringLiteral("默认")));
    EXPECT_TRUE(QDir(child<QLineEdit>(w, QStringLiteral("folder"))->text()).exists());
    QTest::mouseClick(child<QPushButton>(w, QStringLiteral("options")), Qt::LeftButton);
    EXPECT_EQ(h.optionsOpened, 1);
}

TEST(BatchWindow, ListRulesThroughDropsAndTheDialog) {
    Harness h;
    const QString d = h.dir.path();
    h.drop({d + "/a.txt", d + "/A.TXT", d + "/b.HTM", d + "/c.text", d + "/页.html", d + "/a.txt"});
    EXPECT_EQ(h.column(0), (QStringList{d + "/a.txt", d + "/页.html"}));
    EXPECT_EQ(h.column(1), (QStringList{QStringLiteral("a.txt"), QStringLiteral("页.html")}));
    EXPECT_EQ(h.column(2), (QStringList{QStringLiteral("纯文本"), QStringLiteral("网页文件")}));
    EXPECT_EQ(h.column(3), (QStringList{QStringLiteral("等待"), QStringLiteral("等待")}));

    // The dialog: its title, filter and folder; upper-case extensions pass,
    // the path stays as chosen; a path in other letter case is a duplicate.
    h.answer = {d + "/sub/B.TXT", d + "/A.txt", d + "/x.text"};
    QTest::mouseClick(child<QPushButton>(*h.window, QStringLiteral("add")), Qt::LeftButton);
    EXPECT_EQ(h.dialogTitle, QStringLiteral("请选择欲转换的文件(可多选)："));
    EXPECT_TRUE(h.dialogFilter.contains(QStringLiteral("所有可转换文件(*.txt;*.html;*.htm;*.text;*.md;*.markdown;*.mdown)")));
    EXPECT_TRUE(h.dialogFilter.contains(QStringLiteral("Markdown文档(*.md;*.markdown;*.mdown)")));
    EXPECT_TRUE(h.dialogFilter.contains(QStringLiteral("*.text")));
    EXPECT_EQ(h.dialogFolder, d + "/");  // the folder of the file added last
    EXPECT_EQ(h.column(0), (QStringList{d + "/a.txt", d + "/页.html", d + "/sub/B.TXT"}));
    h.answer = {};
    QTest::mouseClick(child<QPushButton>(*h.window, QStringLiteral("add")), Qt::LeftButton);  // cancelled
    EXPECT_EQ(h.dialogFolder, d + "/sub/");
    EXPECT_EQ(h.column(0).size(), 3);

    // Ctrl+A selects all; Delete removes; a removed file stays refused.
    QTreeView* view = child<QTreeView>(*h.window, QStringLiteral("list"));
    view->setFocus();
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(view->selectionModel()->selectedRows().size(), 3);
    view->selectionModel()->clearSelection();
    view->selectionModel()->select(h.window->listModel()->index(0, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(h.column(0), (QStringList{d + "/页.html", d + "/sub/B.TXT"}));
    h.drop({d + "/a.txt"});
    EXPECT_EQ(h.column(0).size(), 2);

    // Clearing forgets the added paths.
    QTest::mouseClick(child<QPushButton>(*h.window, QStringLiteral("clear")), Qt::LeftButton);
    EXPECT_EQ(h.column(0).size(), 0);
    h.drop({d + "/a.txt"});
    EXPECT_EQ(h.column(0), QStringList{d + "/a.txt"});
}

TEST(BatchWindow, ListMenuAndOpening) {
    Harness h;
    const QString d = h.dir.path();
    h.drop({d + "/a.txt", d + "/b.html"});
    BatchWindow& w = *h.window;
    auto items = [&] {
        QStringList visible;
        for (QAction* a : w.listMenu()->actions())
            if (a->isVisible()) visible.push_back(a->isSeparator() ? QStringLiteral("-") : a->text());
        return visible;
    };
    struct Case {
        const char* name;
        std::vector<int> selected;
        QStringList visible;
    };
    const QString open = QStringLiteral("用记事本打开(&E)..."), remove = QStringLiteral("从列表中删除(&D)"),
                  add = QStringLiteral("添加文件(&A)"), start = QStringLiteral("开始批量排版(&B)");
    const Case cases[] = {
        {"none", {}, {add, start}},
        {"one", {1}, {open, remove, QStringLiteral("-"), add, start}},
        {"two", {0, 1}, {remove, QStringLiteral("-"), add, start}},
    };
    for (const auto& c : cases) {
        child<QTreeView>(w, QStringLiteral("list"))->selectionModel()->clearSelection();
        for (int r : c.selected)
            child<QTreeView>(w, QStringLiteral("list"))->selectionModel()->select(w.listModel()->index(r, 0),
                                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
        w.refreshListMenu();
        EXPECT_EQ(items(), c.visible) << c.name;
    }
    // Double-click opens the first selected row with the desktop's application.
    child<QTreeView>(w, QStringLiteral("list"))->selectionModel()->clearSelection();
    child<QTreeView>(w, QStringLiteral("list"))->selectionModel()->select(w.listModel()->index(1, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    w.doubleClicked();
    w.openSelected();
    EXPECT_EQ(h.opened, (QStringList{d + "/b.html", d + "/b.html"}));
    EXPECT_TRUE(h.messages.empty());
    // Without a program for the file the window says so instead of nothing.
    h.desktopOpens = false;
    w.openSelected();
    ASSERT_EQ(h.messages.size(), 1u);
    EXPECT_EQ(h.messages[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(h.messages[0].text.contains(d + "/b.html")) << h.messages[0].text.toStdString();
}

TEST(BatchWindow, RefusalsBeforeARun) {
    Harness h;
    // No waiting row: the message, then the file dialog.
    QTest::mouseClick(child<QPushButton>(*h.window, QStringLiteral("start")), Qt::LeftButton);
    ASSERT_EQ(h.messages.size(), 1u);
    EXPECT_EQ(h.messages[0].text, QStringLiteral("请选择您要转换的文件！"));
    EXPECT_EQ(h.messages[0].title, QStringLiteral("提示"));
    EXPECT_EQ(h.messages[0].icon, QMessageBox::Information);
    EXPECT_EQ(h.dialogs, 1);

    // An empty folder box: the message, then the folder chooser.
    h.drop({q(h.write("a.txt", "x"))});
    h.setFolder({});
    h.folderAnswer = h.dir.filePath(QStringLiteral("chosen"));
    QTest::mouseClick(child<QPushButton>(*h.window, QStringLiteral("start")), Qt::LeftButton);
    ASSERT_EQ(h.messages.size(), 2u);
    EXPECT_EQ(h.messages[1].text, QStringLiteral("请选择转换后文件要保存的路径！"));
    EXPECT_EQ(h.messages[1].icon, QMessageBox::NoIcon);
    EXPECT_EQ(h.folderPrompt, QStringLiteral("请选择转换后电子书文件的存放路径"));
    EXPECT_EQ(child<QLineEdit>(*h.window, QStringLiteral("folder"))->text(), h.folderAnswer);
    EXPECT_FALSE(h.window->running());

    // A folder that cannot be written is reported; the run does not start.
    for (const QString& bad : {QStringLiteral("/proc"), q(h.write("file", "x")) + "/sub"}) {
        h.setFolder(bad);
        QTest::mouseClick(child<QPushButton>(*h.window, QStringLiteral("start")), Qt::LeftButton);
        EXPECT_TRUE(h.messages.back().text.contains(bad)) << h.messages.back().text.toStdString();
        EXPECT_EQ(h.messages.back().icon, QMessageBox::Warning);
        EXPECT_FALSE(h.window->running());
        EXPECT_EQ(h.column(3), QStringList{QStringLiteral("等待")});
    }
}

TEST(BatchWindow, ARunOverTextAndWebPages) {
    for (const bool merge : {false, true}) {
        SCOPED_TRACE(merge ? "merged" : "one file each");
        Harness h(true);
        const std::string empty = h.write("in/empty.txt", "");
        const std::string a = h.write("in/a.txt", g("甲文"));
        const std::string b = h.write("in/b.htm", "<p>b</p>");
        const std::string c = h.write("in/c.d.html", "<br>c");
        const std::string missing = h.dir.filePath(QStringLiteral("in/missing.txt")).toStdString();
        h.drop({q(empty), q(a), q(b), q(c), q(missing)});
        const QString out = h.dir.filePath(QStringLiteral("out/nested"));
        h.setFolder(out);
        child<QCheckBox>(*h.window, QStringLiteral("detect"))->setChecked(false);
        child<QCheckBox>(*h.window, QStringLiteral("merge"))->setChecked(merge);
        QTest::mouseClick(child<QPushButton>(*h.window, QStringLiteral("start")), Qt::LeftButton);
        ASSERT_TRUE(h.window->running());
        EXPECT_TRUE(child<QGroupBox>(*h.window, QStringLiteral("progress"))->isVisible());
        EXPECT_GT(child<QGroupBox>(*h.window, QStringLiteral("progress"))->y(), child<QCheckBox>(*h.window, QStringLiteral("merge"))->geometry().bottom());
        EXPECT_FALSE(child<QPushButton>(*h.window, QStringLiteral("start"))->isEnabled());
        EXPECT_FALSE(child<QPushButton>(*h.window, QStringLiteral("add"))->isEnabled());
        EXPECT_FALSE(child<QPushButton>(*h.window, QStringLiteral("clear"))->isEnabled());
        EXPECT_FALSE(child<QTreeView>(*h.window, QStringLiteral("list"))->isEnabled());
        EXPECT_TRUE(child<QCheckBox>(*h.window, QStringLiteral("merge"))->isEnabled());
        EXPECT_TRUE(child<QPushButton>(*h.window, QStringLiteral("options"))->isEnabled());
        EXPECT_EQ(child<QProgressBar>(*h.window, QStringLiteral("overall"))->maximum(), 5);

        // Closing is refused while the run goes on; drops wait too.
        EXPECT_FALSE(h.window->close());
        EXPECT_TRUE(h.window->isVisible());
        h.drop({q(h.write("late.txt", "x"))});
        EXPECT_FALSE(h.dropAccepted);
        EXPECT_EQ(h.column(0).size(), 5);

        h.step();  // empty.txt
        h.step();  // a.txt
        EXPECT_EQ(h.column(3).mid(0, 2), (QStringList{QStringLiteral("√"), QStringLiteral("√")}));
        EXPECT_EQ(child<QLabel>(*h.window, QStringLiteral("fileInfo"))->text(), QStringLiteral("a.txt(0KB)"));
        EXPECT_EQ(child<QProgressBar>(*h.window, QStringLiteral("overall"))->value(), 2);
        h.step();  // b.htm
        EXPECT_EQ(child<QGroupBox>(*h.window, QStringLiteral("progress"))->title(), QStringLiteral("正在转换第3个文件(共5个)"));
        EXPECT_EQ(child<QProgressBar>(*h.window, QStringLiteral("htmlBar"))->value(), child<QProgressBar>(*h.window, QStringLiteral("htmlBar"))->maximum());
        h.step();  // c.d.html
        h.step();  // missing
        EXPECT_EQ(h.column(3)[4], QStringLiteral("失败"));
        h.drain();  // the merged file is written last
        EXPECT_FALSE(h.window->running());
        EXPECT_EQ(h.finished, 1);
        ASSERT_EQ(h.messages.size(), 1u);
        EXPECT_EQ(h.messages[0].title, QStringLiteral("完成"));
        EXPECT_TRUE(h.messages[0].text.startsWith(QStringLiteral("转换任务已完成，其中 1 个文件失败")))
            << h.messages[0].text.toStdString();
        EXPECT_TRUE(h.messages[0].text.contains(QStringLiteral("\n总共转换 5 个文件，历经")));
        EXPECT_TRUE(h.messages[0].text.endsWith(QStringLiteral("秒。")));
        // Back to idle, the list empty.
        EXPECT_EQ(h.column(0).size(), 0);
        EXPECT_FALSE(child<QGroupBox>(*h.window, QStringLiteral("progress"))->isVisible());
        EXPECT_TRUE(child<QPushButton>(*h.window, QStringLiteral("start"))->isEnabled());
        EXPECT_TRUE(child<QTreeView>(*h.window, QStringLiteral("list"))->isEnabled());
        EXPECT_TRUE(h.window->close());

        const std::string o = out.toStdString();
        if (merge) {
            EXPECT_FALSE(fs::exists(o + "/b.txt"));
            EXPECT_GB_EQ(Harness::read(o + "/a.txt"),
                         kI + g("甲文") + "\r\n" + kI + "b\r\n" + kI + "c");
        } else {
            EXPECT_GB_EQ(Harness::read(o + "/a.txt"), kI + g("甲文"));
            EXPECT_EQ(Harness::read(o + "/b.txt"), kI + "b");
            EXPECT_EQ(Harness::read(o + "/c.d.txt"), kI + "c");
        }
        EXPECT_FALSE(fs::exists(o + "/empty.txt"));
        EXPECT_FALSE(fs::exists(o + "/missing.txt"));
    }
}

TEST(BatchWindow, MergeAndOptionsAreReadWhenEachFileStarts) {
    Harness h(true);
    const std::string a = h.write("a.txt", "a");
    const std::string b = h.write("b.txt", "b");
    const std::string c = h.write("c.txt", "c");
    h.drop({q(a), q(b), q(c)});
    const QString out = h.dir.filePath(QStringLiteral("out"));
    h.setFolder(out);
    child<QCheckBox>(*h.window, QStringLiteral("detect"))->setChecked(false);
    child<QCheckBox>(*h.window, QStringLiteral("merge"))->setChecked(true);
    QTest::mouseClick(child<QPushButton>(*h.window, QStringLiteral("start")), Qt::LeftButton);  // a starts: merged, defaults
    h.step();  // a ends; b starts: merged, defaults
    h.options.addIndent = false;
    child<QCheckBox>(*h.window, QStringLiteral("merge"))->setChecked(false);
    h.step();  // b ends; c starts: alone, without indentation
    h.drain();
    EXPECT_EQ(Harness::read(out.toStdString() + "/a.txt"), kI + "a\r\n" + kI + "b");
    EXPECT_EQ(Harness::read(out.toStdString() + "/c.txt"), "c");
}

TEST(BatchWindow, AReadOnlyOutputFolderFailsEveryRow) {
    // The folder is writable when the run starts and is then taken away:
    // every row fails and the message counts them.
    Harness h(true);
    h.drop({q(h.write("a.txt", "a")), q(h.write("b.txt", "b"))});
    const QString out = h.dir.filePath(QStringLiteral("out"));
    h.setFolder(out);
    QTest::mouseClick(child<QPushButton>(*h.window, QStringLiteral("start")), Qt::LeftButton);
    ASSERT_TRUE(h.window->running());
    fs::remove_all(out.toStdString());
    h.drain();
    ASSERT_EQ(h.messages.size(), 1u);
    EXPECT_TRUE(h.messages[0].text.startsWith(QStringLiteral("转换任务已完成，其中 2 个文件失败")));
    EXPECT_EQ(h.messages[0].icon, QMessageBox::Warning);
}

TEST(BatchWindow, RunsOnAWorkerThread) {
    Harness h;  // the default worker
    std::string big;
    for (int i = 0; i < 3000; ++i) big += g("第一行没有结束\r\n第二行结束了。\r\n");
    h.drop({q(h.write("big.txt", big)), q(h.write("small.html", "<b>x</b>"))});
    const QString out = h.dir.filePath(QStringLiteral("out"));
    h.setFolder(out);
    child<QCheckBox>(*h.window, QStringLiteral("detect"))->setChecked(false);
    QTest::mouseClick(child<QPushButton>(*h.window, QStringLiteral("start")), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return h.finished == 1; }, 60000));
    ASSERT_EQ(h.messages.size(), 1u);
    EXPECT_TRUE(h.messages[0].text.startsWith(QStringLiteral("恭喜！转换任务顺利完成！\n总共转换 2 个文件")))
        << h.messages[0].text.toStdString();
    EXPECT_EQ(child<QProgressBar>(*h.window, QStringLiteral("fileBar"))->value(), child<QProgressBar>(*h.window, QStringLiteral("fileBar"))->maximum());
    EXPECT_EQ(Harness::read(out.toStdString() + "/small.txt"), kI + "x");
    EXPECT_TRUE(fs::exists(out.toStdString() + "/big.txt"));
}

// The same files and switches through the window and through folvane-cli -o.
TEST(BatchWindow, OutputsAreByteIdenticalToTheCli) {
    const std::string utf8 = "\xE4\xB8\xAD\xE6\x96\x87\n\xE2\x80\x9C\xE5\xBC\x95\xE2\x80\x9D\n";  // 中文 “引”
    const std::string gbk = g("  第一段\r\n第一段续。\r\n\r\n第二段，\"引号\"!\r\n");
    const std::string bom = "\xEF\xBB\xBF" + std::string("<p>page</p>\r\n<br>two");
    struct Case {
        bool detect, merge;
    };
    for (const Case c : {Case{true, false}, Case{false, false}, Case{true, true}, Case{false, true}}) {
        SCOPED_TRACE(std::string(c.detect ? "detect " : "no detection ") + (c.merge ? "merged" : "separate"));
        Harness h(true);
        h.options.fixPunctuation = h.options.fixQuotes = h.options.doubleBreak = true;
        const std::vector<std::string> inputs = {h.write("in/u.txt", utf8), h.write("in/g.txt", gbk),
                                                 h.write("in/p.html", bom), h.write("in/e.txt", ""),
                                                 h.write("in/w.htm", gbk)};
        QStringList dropped;
        for (const auto& p : inputs) dropped.push_back(q(p));
        h.drop(dropped);
        const QString winOut = h.dir.filePath(QStringLiteral("window"));
        h.setFolder(winOut);
        child<QCheckBox>(*h.window, QStringLiteral("detect"))->setChecked(c.detect);
        child<QCheckBox>(*h.window, QStringLiteral("merge"))->setChecked(c.merge);
        QTest::mouseClick(child<QPushButton>(*h.window, QStringLiteral("start")), Qt::LeftButton);
        h.drain();

        const QString cliOut = h.dir.filePath(QStringLiteral("cli"));
        QStringList args{QStringLiteral("-o"), cliOut, QStringLiteral("--encoding"),
                         c.detect ? QStringLiteral("auto") : QStringLiteral("gb18030"), QStringLiteral("--set"),
                         QStringLiteral("fixPunctuation=1"), QStringLiteral("--set"), QStringLiteral("fixQuotes=1"),
                         QStringLiteral("--set"), QStringLiteral("doubleBreak=1")};
        if (c.merge) args.push_back(QStringLiteral("--merge"));
        args += dropped;
        QProcess cli;
        cli.start(QStringLiteral(FOLVANE_CLI_PATH), args);
        ASSERT_TRUE(cli.waitForFinished(60000));
        EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();

        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(cliOut.toStdString())) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        std::vector<std::string> windowNames;
        for (const auto& e : fs::directory_iterator(winOut.toStdString())) windowNames.push_back(e.path().filename());
        std::sort(windowNames.begin(), windowNames.end());
        EXPECT_EQ(windowNames, names);
        EXPECT_EQ(names.size(), c.merge ? 1u : 4u);
        for (const auto& n : names)
            EXPECT_EQ(Harness::read(winOut.toStdString() + "/" + n), Harness::read(cliOut.toStdString() + "/" + n))
                << n;
    }
}

}  // namespace
