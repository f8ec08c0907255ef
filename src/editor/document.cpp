#include "editor/document.h"

#include "text/file_io.h"

namespace folvane::editor {

std::string fileNameOf(std::string_view path) {
    const std::size_t sep = path.rfind('/');  // a backslash is a character of a name
    return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

std::string lengthStatus(std::size_t bytes) {
    return text::gb("文本长度：") + std::to_string(bytes) + text::gb("字节");
}

Document::Document(std::size_t historySlots) : history_(historySlots) {}

void Document::textChanged(std::string text, Caret caret) {
    history_.textChanged(std::move(text), caret);
    afterRecord();
}

void Document::edited(const EditorText::Region& region, std::u16string_view units, Caret caret) {
    history_.edited(region, units, caret);
    afterRecord();
}

void Document::replaced(EditorText text, Caret caret) {
    history_.replaced(std::move(text), caret);
    afterRecord();
}

void Document::shown(Caret caret) {
    history_.shown(caret);
    afterRecord();
}

// An open file's text is saved exactly when the history stands at the
// snapshot the file holds: an undo back to it (after a run, say) takes the
// "*" away again. An untitled document's text was never saved: any change
// marks it (savedIndicator() lets an empty one pass).
void Document::afterRecord() {
    if (loadingFile_) return;
    savedIndicator_ = !fileName().empty() && history_.atSavedSnapshot();
}

std::optional<Confirmation> Document::confirmationBefore(DocumentCommand command) const {
    if (savedIndicator()) return std::nullopt;
    switch (command) {
    case DocumentCommand::New:
        return Confirmation{text::gb("当前文本文件已被改动，想保存该文件吗？"), text::gb("新建前保存确认")};
    case DocumentCommand::Open:
        return Confirmation{text::gb("当前文本文件已被改动，想保存该文件吗？"), text::gb("打开前保存确认")};
    case DocumentCommand::Close:
        return Confirmation{text::gb("文件已被改动，想保存该文件吗？"), text::gb("关闭确认")};
    }
    return std::nullopt;
}

void Document::newDocument() {
    history_.restart();
    savedFlag_ = false;
    currentPath_.clear();
    format_ = {};
    documentFormat_ = engine::DocumentFormat::Text;
    savedIndicator_ = true;
}

void Document::beginOpen(std::string path, text::TextFormat format) {
    currentPath_ = std::move(path);
    format_ = std::move(format);
    documentFormat_ = engine::documentFormatOfPath(currentPath_);
    savedIndicator_ = true;
    loadingFile_ = true;
}

void Document::fileLoaded(std::string text, Caret caret) {
    savedIndicator_ = true;
    history_.restartAt(EditorText::fromBytes(text), caret);
    history_.markSaved();
    loadingFile_ = false;
}

void Document::fileLoaded(EditorText text, Caret caret) {
    savedIndicator_ = true;
    history_.restartAt(std::move(text), caret);
    history_.markSaved();
    loadingFile_ = false;
}

bool Document::save(const std::string& path, std::string_view text, std::string* error, std::string* notice) {
    currentPath_ = path;
    if (const std::size_t slash = path.rfind('/'); slash != std::string::npos)
        text::removeStaleTemporaries(slash == 0 ? "/" : path.substr(0, slash));
    std::string whole;
    std::string_view bytes = text;
    if (!format_.finalBreak.empty() && text::finalBreakOf(text).empty()) {
        whole.reserve(text.size() + format_.finalBreak.size());
        whole.append(text).append(format_.finalBreak);
        bytes = whole;
    }
    if (!text::writeFileAtomically(path, text::encodeText(bytes, format_), error, notice)) {
        savedIndicator_ = false;
        return false;
    }
    savedFlag_ = true;
    savedIndicator_ = true;
    history_.markSaved();
    return true;
}

bool Document::saveAs(const std::string& path, std::string_view text, const text::TextFormat& format,
                      std::string* error, std::string* notice) {
    return saveAs(path, text, format, documentFormat_, error, notice);
}

bool Document::saveAs(const std::string& path, std::string_view text, const text::TextFormat& format,
                      engine::DocumentFormat documentFormat, std::string* error, std::string* notice) {
    std::string finalBreak = std::move(format_.finalBreak);
    format_ = format;
    if (format_.finalBreak.empty()) format_.finalBreak = std::move(finalBreak);
    documentFormat_ = documentFormat;
    return save(path, text, error, notice);
}

bool Document::savedIndicator() const {
    // An untitled document that is empty holds nothing that could be lost,
    // whatever was typed and deleted before.
    return savedIndicator_ || (currentPath_.empty() && history_.current().empty());
}

std::string Document::title() const {
    const std::string name = fileName();
    if (name.empty()) return std::string(kBaseTitle);
    return (savedIndicator_ ? "" : "* ") + name + " - " + std::string(kBaseTitle);
}

std::optional<text::DecodedText> readDocumentFile(const std::string& path, std::string* error) {
    std::string bytes;
    if (!text::readRegularFile(path, bytes, error)) return std::nullopt;
    return text::decodeText(bytes, text::EncodingChoice::Auto, error);
}

}  // namespace folvane::editor
