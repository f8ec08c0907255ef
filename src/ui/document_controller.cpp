#include "document_controller.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <algorithm>

#include "corrections/title.h"
#include "editor/save_format.h"
#include "text/file_io.h"
#include "text_bridge.h"

namespace editor = folvane::editor;
using editor::DocumentCommand;

namespace {

const QStringList& textFilters() {
    static const QStringList filters{QStringLiteral("文本文件 (*.txt)"),
                                     QStringLiteral("Markdown文档 (*.md *.markdown *.mdown)"),
                                     QStringLiteral("所有文件 (*)")};
    return filters;
}

// The chosen file of a dialog run to its end; empty when it was cancelled.
QString chosenFile(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace

std::unique_ptr<QMessageBox> DocumentDialogs::saveQuestion(QWidget* parent, const QString& title, const QString& text) {
    return std::make_unique<QMessageBox>(QMessageBox::Question, title, text,
                                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
}

std::unique_ptr<QFileDialog> DocumentDialogs::openDialog(QWidget* parent) {
    auto dialog = std::make_unique<QFileDialog>(parent, QStringLiteral("打开"));
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setNameFilters(textFilters());
    dialog->setDefaultSuffix(QStringLiteral("txt"));
    return dialog;
}

std::unique_ptr<QFileDialog> DocumentDialogs::saveDialog(QWidget* parent, const QString& proposedName) {
    auto dialog = std::make_unique<QFileDialog>(parent, QStringLiteral("保存"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilters(textFilters());
    dialog->setDefaultSuffix(QStringLiteral("txt"));
    dialog->selectFile(proposedName);
    return dialog;
}

std::unique_ptr<QFileDialog> DocumentDialogs::saveAsDialog(QWidget* parent, const QString& proposedName,
                                                           const folvane::text::TextFormat& current,
                                                           folvane::engine::DocumentFormat currentDocument) {
    auto dialog = saveDialog(parent, proposedName);
    dialog->setWindowTitle(QStringLiteral("另存为"));
    // The boxes go into the dialog's own grid, below its file type row;
    // that needs Qt's own dialog rather than the desktop's.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    auto* grid = qobject_cast<QGridLayout*>(dialog->layout());
    auto* encoding = new QComboBox(dialog.get());
    encoding->setObjectName(QStringLiteral("saveEncoding"));
    for (const editor::SaveEncoding& e : editor::saveEncodings()) encoding->addItem(QString::fromUtf8(e.caption));
    encoding->setCurrentIndex(static_cast<int>(editor::saveEncodingIndex(current)));
    auto* breaks = new QComboBox(dialog.get());
    breaks->setObjectName(QStringLiteral("saveLineBreaks"));
    for (const char* c : editor::kLineBreakCaptions) breaks->addItem(QString::fromUtf8(c));
    breaks->setCurrentIndex(static_cast<int>(editor::lineBreakIndex(current)));
    auto* kind = new QComboBox(dialog.get());
    kind->setObjectName(QStringLiteral("saveDocumentFormat"));
    for (const char* c : editor::kDocumentFormatCaptions) kind->addItem(QString::fromUtf8(c));
    kind->setCurrentIndex(static_cast<int>(editor::documentFormatIndex(currentDocument)));
    // A name typed or picked with a Markdown extension suggests Markdown,
    // one with another extension text; the box can still be set by hand.
    QObject::connect(dialog.get(), &QFileDialog::currentChanged, kind, [kind](const QString& path) {
        if (QFileInfo(path).suffix().isEmpty()) return;
        kind->setCurrentIndex(static_cast<int>(editor::documentFormatIndex(
            folvane::engine::documentFormatOfPath(QFile::encodeName(path).toStdString()))));
    });
    auto* encodingLabel = new QLabel(QStringLiteral("编码(&E):"), dialog.get());
    encodingLabel->setBuddy(encoding);
    auto* breaksLabel = new QLabel(QStringLiteral("换行符(&B):"), dialog.get());
    breaksLabel->setBuddy(breaks);
    auto* kindLabel = new QLabel(QStringLiteral("文档格式(&F):"), dialog.get());
    kindLabel->setBuddy(kind);
    if (grid) {
        const int row = grid->rowCount();
        grid->addWidget(encodingLabel, row, 0);
        grid->addWidget(encoding, row, 1);
        grid->addWidget(breaksLabel, row + 1, 0);
        grid->addWidget(breaks, row + 1, 1);
        grid->addWidget(kindLabel, row + 2, 0);
        grid->addWidget(kind, row + 2, 1);
    }
    return dialog;
}

folvane::text::TextFormat DocumentDialogs::chosenFormat(const QFileDialog& dialog) {
    const auto* encoding = dialog.findChild<QComboBox*>(QStringLiteral("saveEncoding"));
    const auto* breaks = dialog.findChild<QComboBox*>(QStringLiteral("saveLineBreaks"));
    return editor::saveAsFormat(encoding ? static_cast<std::size_t>(std::max(encoding->currentIndex(), 0)) : 0,
                                breaks ? static_cast<std::size_t>(std::max(breaks->currentIndex(), 0)) : 0);
}

folvane::engine::DocumentFormat DocumentDialogs::chosenDocumentFormat(const QFileDialog& dialog) {
    const auto* kind = dialog.findChild<QComboBox*>(QStringLiteral("saveDocumentFormat"));
    return editor::documentFormatAt(kind ? static_cast<std::size_t>(std::max(kind->currentIndex(), 0)) : 0);
}

DocumentDialogs DocumentDialogs::windowDialogs(QWidget* parent,
                                               std::function<void(const std::function<void()>&)> aroundModal) {
    DocumentDialogs d;
    d.askToSave = [parent, aroundModal](const QString& title, const QString& text) {
        int answer = QMessageBox::Cancel;
        aroundModal([&] { answer = saveQuestion(parent, title, text)->exec(); });
        if (answer == QMessageBox::Yes) return editor::SaveAnswer::Yes;
        if (answer == QMessageBox::No) return editor::SaveAnswer::No;
        return editor::SaveAnswer::Cancel;  // also a question closed by its frame
    };
    d.chooseFileToOpen = [parent, aroundModal] {
        QString path;
        aroundModal([&] { path = chosenFile(*openDialog(parent)); });
        return path;
    };
    d.chooseFileToSave = [parent, aroundModal](const QString& proposedName) {
        QString path;
        aroundModal([&] { path = chosenFile(*saveDialog(parent, proposedName)); });
        return path;
    };
    d.chooseSaveAs = [parent, aroundModal](const QString& proposedName, const folvane::text::TextFormat& current,
                                           folvane::engine::DocumentFormat currentDocument) {
        std::optional<SaveAsChoice> choice;
        aroundModal([&] {
            auto dialog = saveAsDialog(parent, proposedName, current, currentDocument);
            const QString path = chosenFile(*dialog);
            if (!path.isEmpty()) choice = SaveAsChoice{path, chosenFormat(*dialog), chosenDocumentFormat(*dialog)};
        });
        return choice;
    };
    d.message = [parent](QMessageBox::Icon icon, const QString& title, const QString& text) {
        if (icon == QMessageBox::Critical) QMessageBox::critical(parent, title, text);
        else if (icon == QMessageBox::Warning) QMessageBox::warning(parent, title, text);
        else QMessageBox::information(parent, title, text);
    };
    return d;
}

DocumentController::DocumentController(DocumentHost& host, DocumentDialogs dialogs, QObject* parent)
    : QObject(parent), host_(host), dialogs_(std::move(dialogs)) {}

void DocumentController::undo() {
    if (const auto view = document_.undo()) host_.showView(*view);
    host_.refreshDocumentState();
}

void DocumentController::redo() {
    if (const auto view = document_.redo()) host_.showView(*view);
    host_.refreshDocumentState();
}

bool DocumentController::confirmBefore(DocumentCommand command) {
    const auto question = document_.confirmationBefore(command);
    if (!question) return true;
    const editor::ConfirmStep step =
        editor::stepAfter(dialogs_.askToSave(qtFromGb(question->title), qtFromGb(question->text)));
    // Only a save that really happened lets the command go on.
    const bool saved = step == editor::ConfirmStep::SaveThenProceed && saveDocument();
    return editor::proceedsAfter(step, saved);
}

bool DocumentController::newDocument() {
    if (!confirmBefore(DocumentCommand::New)) return false;
    document_.newDocument();
    host_.setEditorText({});
    host_.refreshDocumentState();
    Q_EMIT formatChanged();
    return true;
}

void DocumentController::openDocument() {
    if (!confirmBefore(DocumentCommand::Open)) return;
    const QString path = dialogs_.chooseFileToOpen();
    if (!path.isEmpty()) openFile(path);
}

void DocumentController::openDocument(const QString& path) {
    if (confirmBefore(DocumentCommand::Open)) openFile(path);
}

bool DocumentController::openFile(const QString& path) {
    const std::string fsPath = QFile::encodeName(path).toStdString();
    const qint64 size = QFileInfo(path).size();
    if (editor::opensInBackground(static_cast<std::uint64_t>(std::max<qint64>(size, 0)))) {
        if (host_.loadingText()) return false;
        return host_.openInBackground(path, fsPath);
    }
    auto decoded = editor::readDocumentFile(fsPath);
    if (decoded && editor::longestLine(decoded->text) > editor::kLongestShownLine) {
        openFailed(path, qtFromGb(editor::lineTooLongReason()));
        return false;
    }
    if (!decoded) {
        openFailed(path,
                   qtFromGb(editor::openFailureReason(QFileInfo::exists(path), folvane::text::isRegularFile(fsPath))));
        return false;
    }
    opened(fsPath, decoded->format, [&] { return host_.showOpenedText(toQt(decoded->text)); });
    return true;
}

void DocumentController::opened(const std::string& fsPath, const folvane::text::TextFormat& format,
                                const std::function<editor::EditorText()>& install) {
    document_.beginOpen(fsPath, format);
    host_.refreshDocumentState();
    editor::EditorText text = install();
    document_.fileLoaded(std::move(text), host_.caret());
    host_.openedTextShown();
    Q_EMIT formatChanged();
    Q_EMIT fileUsed(QFile::decodeName(fsPath.c_str()));
}

void DocumentController::openFailed(const QString& path, const QString& reason) {
    dialogs_.message(QMessageBox::Warning, QStringLiteral("打开"),
                     QStringLiteral("无法打开文件“%1”：%2").arg(path, reason));
}

bool DocumentController::saveDocument() {
    std::string path = document_.currentPath();
    if (path.empty()) {
        const QString chosen = dialogs_.chooseFileToSave(toQt(folvane::corrections::proposedSaveName(host_.documentText())));
        if (chosen.isEmpty()) return false;  // a cancelled dialog changes nothing
        path = QFile::encodeName(chosen).toStdString();
        // An untitled document becomes what its new name says (notes.md: Markdown).
        document_.setDocumentFormat(folvane::engine::documentFormatOfPath(path));
    }
    return writeTo(path, std::nullopt, document_.documentFormat());
}

bool DocumentController::saveDocumentAs() {
    // An open file offers its own name and place; an untitled document a
    // name from its first words, as Save does.
    const QString proposed = document_.currentPath().empty()
                                 ? toQt(folvane::corrections::proposedSaveName(host_.documentText()))
                                 : QFile::decodeName(document_.currentPath().c_str());
    const auto choice = dialogs_.chooseSaveAs(proposed, document_.format(), document_.documentFormat());
    if (!choice || choice->path.isEmpty()) return false;
    return writeTo(QFile::encodeName(choice->path).toStdString(), choice->format,
                   choice->documentFormat.value_or(document_.documentFormat()));
}

bool DocumentController::writeTo(const std::string& path, const std::optional<folvane::text::TextFormat>& format,
                                 folvane::engine::DocumentFormat documentFormat) {
    const std::string text = host_.documentText();
    std::string error, notice;
    const bool ok = format ? document_.saveAs(path, text, *format, documentFormat, &error, &notice)
                           : document_.save(path, text, &error, &notice);
    host_.refreshDocumentState();
    Q_EMIT formatChanged();
    if (ok) Q_EMIT fileUsed(QFile::decodeName(path.c_str()));
    if (!ok) {
        dialogs_.message(QMessageBox::Critical, QStringLiteral("保存"),
                         QStringLiteral("无法保存文件“%1”：%2")
                             .arg(QFile::decodeName(path.c_str()), QString::fromLocal8Bit(error.c_str())));
    } else if (!notice.empty()) {
        dialogs_.message(QMessageBox::Warning, QStringLiteral("保存"),
                         QStringLiteral("文件“%1”已保存，但未能保持原样：%2")
                             .arg(QFile::decodeName(path.c_str()), QString::fromLocal8Bit(notice.c_str())));
    }
    return ok;
}
