// BatchWindow ("批量排版(暂时只支持ANSI编码)"): collects text and web-page
// files in a list and typesets them into an output folder, one output file
// per input or all merged into one. The list rules, the naming and the
// writing live in the core's batch job; this window shows them and runs the
// files one at a time on a worker, with the options in force when each file
// starts.
#pragma once

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

#include "batch/batch_job.h"
#include "engine/run_context.h"
#include "engine/typeset_options.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTreeView;
class FolvaneApp;

// The file list's four columns over the core's BatchList.
class BatchListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit BatchListModel(folvane::batch::BatchList& list, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Around changes of the list made outside the model.
    void beginChange() { beginResetModel(); }
    void endChange() { endResetModel(); }
    void rowsAppended(int first, int last);
    void rowChanged(int first, int last);

private:
    folvane::batch::BatchList& list_;
};

class BatchWindow : public QWidget {
    Q_OBJECT
public:
    // What the window needs from the program. Every dialog is a function, so
    // that tests answer it without timers.
    struct Services {
        folvane::engine::TypesetOptions* options = nullptr;  // in force; copied when each file starts
        // The run context of the default route (no `submit`): each file's
        // work gets a copy of it, which it takes its state from afterwards.
        folvane::engine::RunContext* context = nullptr;
        // Runs `work` off the GUI thread on a run context of its own, hands
        // the updated context back, then runs `done` on the GUI thread unless
        // `context` is gone. Default: a thread per call over a copy of
        // `context`.
        using Work = std::function<void(folvane::engine::RunContext&)>;
        std::function<void(QObject* context, Work work, std::function<void()> done)> submit;
        // Opens the options window modally ("排版设置选项(&O)").
        std::function<void(QWidget* parent)> openOptions;
        // The file dialog: paths chosen, empty when cancelled.
        std::function<QStringList(QWidget* parent, const QString& title, const QString& folder, const QString& filter)>
            chooseFiles;
        // The folder chooser: the folder, empty when cancelled.
        std::function<QString(QWidget* parent, const QString& prompt, const QString& folder)> chooseFolder;
        std::function<void(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text)> message;
        // Opens a file with the desktop's default application for it;
        // false when the desktop has none (the window then says so).
        std::function<bool(const QString& path)> openFile;
        // The folder shown when the window opens (the default output folder).
        QString defaultFolder;
        bool topmost = false;  // stays on top as the main window does
    };

    explicit BatchWindow(Services services, QWidget* parent = nullptr);
    ~BatchWindow() override;

    // The dialog's title, filter and the folder chooser's prompt.
    static QString fileDialogTitle();
    static QString fileDialogFilter();
    // The final box's list of the rows that failed, with their reasons
    // (empty when none did).
    static QString failedFilesText(const std::vector<folvane::batch::BatchRow>& rows);
    static QString folderPrompt();
    // The default output folder of this process (created when missing).
    static QString processDefaultFolder();
    // The default services: real dialogs and message boxes, a thread per file.
    static void fillDefaultServices(Services& s);
    // The program's services: its switches and run context, and every file
    // typeset as one run of its run controller on its one worker (a file
    // waits while another run is in progress).
    static Services programServices(FolvaneApp& app);

    bool running() const { return running_; }
    const folvane::batch::BatchList& list() const { return list_; }

    // Actions of the window, as its controls trigger them.
    void addPaths(const QStringList& paths, folvane::batch::PathSource source);
    void addFilesByDialog();
    void chooseFolder();
    void clearList();
    void removeSelectedRows();
    void startRun();
    void openSelected();   // "用记事本打开(&E)..."
    void doubleClicked();  // opens the first selected row by its kind

    // The list's model, for tests. The controls have object names (set in
    // build()); tests find them by those.
    BatchListModel* listModel() const { return model_; }
    QMenu* listMenu() const { return listMenu_; }
    // Refreshes the list menu's items for the selection (the right-click rule).
    void refreshListMenu();
    // Shows the run's latest state now; during a run the window does so by
    // itself at most 25 times a second.
    void refreshView();

Q_SIGNALS:
    // A run has ended and its final message was answered.
    void runFinished();

protected:
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    class Progress;

    void build();
    void setRunning(bool running);
    std::vector<std::size_t> selectedRows() const;
    void processNext();
    void fileDone(std::size_t row, const folvane::batch::FileResult& result);
    void finishRun();
    void showElapsed();
    void setStatus(std::size_t row, folvane::batch::RowStatus status);
    void setFailed(std::size_t row, const std::string& reason);
    void scheduleRefresh();
    // A report about `row` that arrives after its end is stale.
    bool rowFinished(std::size_t row) const;

    Services services_;
    folvane::batch::BatchList list_;
    BatchListModel* model_ = nullptr;

    QLineEdit* folder_ = nullptr;
    QPushButton* folderButton_ = nullptr;
    QTreeView* view_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* clear_ = nullptr;
    QPushButton* optionsButton_ = nullptr;
    QPushButton* start_ = nullptr;
    QCheckBox* detect_ = nullptr;
    QCheckBox* merge_ = nullptr;
    QGroupBox* progressGroup_ = nullptr;
    QProgressBar* overall_ = nullptr;
    QProgressBar* fileBar_ = nullptr;
    QProgressBar* htmlBar_ = nullptr;
    QLabel* elapsed_ = nullptr;
    QLabel* fileInfo_ = nullptr;
    QMenu* listMenu_ = nullptr;
    QAction* openAction_ = nullptr;
    QAction* removeAction_ = nullptr;
    QAction* removeSeparator_ = nullptr;

    // The run.
    bool running_ = false;
    bool showingLastRun_ = false;  // the rows are those of the run that ended
    // Shared with the piece of work in progress, which may outlive the window.
    std::shared_ptr<folvane::batch::BatchRun> run_;
    std::shared_ptr<Progress> progress_;
    std::size_t next_ = 0;      // the next row to look at
    std::size_t files_ = 0;     // n: rows of the run
    std::size_t failed_ = 0;
    QElapsedTimer clock_;
    QTimer tick_;
    // What the run has reported and the widgets do not show yet.
    struct Shown {
        QString caption, info;
        int fileMaximum = -1, filePosition = 0;
        bool htmlFull = false;
        int overall = -1;
        int dirtyFirst = -1, dirtyLast = -1;  // rows whose status changed
        std::optional<std::size_t> currentRow, selectedRow;
    };
    Shown shown_;
    int done_ = 0;  // rows processed in this run
    QTimer refresh_;
    bool workerBusy_ = false;   // a submitted piece of work has not reported back
};
