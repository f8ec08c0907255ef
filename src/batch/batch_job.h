// The batch job: the list of files to typeset, the naming of the output
// files, the merged file, the output folder, and the messages of the batch
// window. The batch window and `folvane-cli -o DIR` both run their files
// through BatchRun, so that the same inputs give the same output bytes.
//
// Paths are the system's own bytes (UTF-8 here); captions and messages are
// GB18030 like every text of the core.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/progress.h"
#include "engine/run_context.h"
#include "engine/document_typeset.h"
#include "engine/typeset_options.h"
#include "text/codec.h"
#include "text/file_io.h"

namespace folvane::batch {

enum class FileKind { PlainText, WebPage, Markdown };  // "纯文本", "网页文件", "Markdown"
enum class RowStatus { Waiting, Initializing, Converting, Done, Failed };

// Captions of the list's columns "格式" and "状态" (GB18030).
std::string kindCaption(FileKind kind);
std::string statusCaption(RowStatus status);  // "等待", "正在初始化", "正在转换...", "√", "失败"

// The text after the last "." (the whole path when it has none).
std::string_view extensionOf(std::string_view path);
// "txt" is text, "htm" and "html" are web pages, "md", "markdown" and "mdown"
// Markdown documents; byte comparison, so "TXT" is none.
std::optional<FileKind> kindOfExtension(std::string_view extension);
// The text after the last "/" or "\".
std::string_view fileNameOf(std::string_view path);
// The path up to and including its last "/" or "\"; empty when it has none.
std::string_view folderOf(std::string_view path);
// ASCII letters in lower case; every other byte (so every byte of a
// multi-byte UTF-8 or GB18030 character) unchanged.
std::string lowerAscii(std::string_view s);

// Where a path comes from. The file dialog's paths are tested in lower case
// (so that "A.TXT" passes the extension test) but kept as chosen: on Linux a
// lowered path names another file or none. Dropped paths are tested as they are.
enum class PathSource { Drop, Dialog };

struct BatchRow {
    std::string path;  // "欲转换的文件地址", the row's title
    std::string name;  // "文件名"
    FileKind kind = FileKind::PlainText;
    RowStatus status = RowStatus::Waiting;
};

// The file list with the paths added since it was last cleared.
class BatchList {
public:
    // Appends a row for each path that passes the extension test and was not
    // added since the list was last cleared (a test that ignores the case of
    // ASCII letters, in constant time per path). Returns the rows added.
    std::size_t addPaths(const std::vector<std::string>& paths, PathSource source);
    // Deletes the rows at the given indices (in any order) whose status is
    // "等待", "√" or "失败"; rows being converted stay. The paths stay added:
    // a removed file is refused until the list is cleared.
    void removeRows(const std::vector<std::size_t>& selected);
    // Deletes all rows and forgets the added paths.
    void clear();

    const std::vector<BatchRow>& rows() const { return rows_; }
    std::vector<BatchRow>& rows() { return rows_; }
    std::size_t waitingCount() const;
    bool wasAdded(std::string_view path) const { return added_.contains(lowerAscii(path)); }
    // The folder of the file added last, with its final separator; the
    // initial folder of the next file dialog. Empty at start.
    const std::string& lastAddFolder() const { return lastAddFolder_; }

private:
    std::vector<BatchRow> rows_;
    std::unordered_set<std::string> added_;  // paths added, ASCII letters lowered
    std::string lastAddFolder_;
};

// Name of the output file of an input: its name up to and including the
// last ".", then "txt" ("a.b.html" gives "a.b.txt"); ".txt" is appended to a
// name without ".". A Markdown document (engine::documentFormatOfPath)
// keeps its name ("a.md" gives "a.md").
std::string outputNameFor(std::string_view inputPath);
// `folder` + "/" + outputNameFor (no second "/" when the folder ends in one).
std::string outputPathFor(std::string_view folder, std::string_view inputPath);

// What separates two consecutive non-empty results in a merged file: the
// line break that ends a paragraph plus the blank lines of doubleBreak or
// tripleBreak (carrying indentText when fillBlankLines), as between the
// paragraphs of one result.
std::string paragraphSeparator(const engine::TypesetOptions& options);

// The default output folder "批量排版默认文件夹": beside the program when its
// folder is writable, else in the home folder.
std::string defaultOutputFolder(const std::string& executableDir, const std::string& home,
                                const std::function<bool(const std::string&)>& isWritableDirectory);

// Creates `folder` with its missing parents and checks that files can be
// created in it. False with `error` set (the system's reason) otherwise.
bool prepareOutputFolder(const std::string& folder, std::string* error = nullptr);

// Texts of the batch window (GB18030).
// The file-info label: the file's name, "(", the size in whole thousands of
// bytes, "KB)" — "abc.txt(12KB)" for 12,345 bytes. The name stays in the
// path's own bytes.
std::string fileInfoText(std::string_view path, std::uint64_t size);
std::string preparingCaption();                               // "正在准备..."
std::string initializingCaption();                            // "[初始化中]"
std::string convertingCaption(std::size_t i, std::size_t n);  // "正在转换第i个文件(共n个)"
std::string idleCaption();                                    // "正在转换第0个文件（共0个）"
// The elapsed-time label: hours "时", minutes "分", seconds "秒" ("0时1分5秒").
std::string elapsedText(std::int64_t seconds);
// The final message: the elapsed text cleaned up ("时0分" becomes "时", a
// leading "0时" goes) after "历经", or without it when that is empty. When
// files failed, the message says so and how many instead of congratulating.
std::string finalMessage(std::size_t files, std::string_view elapsedLabel, std::size_t failed);

// What a run reports of one file while it works on it (on the worker
// thread); the typesetting's own progress comes through TypesetProgress.
class BatchFileProgress : public engine::TypesetProgress {
public:
    // The file has been read: `size` bytes (the file-info label, "正在准备...").
    virtual void fileRead(std::uint64_t size) { (void)size; }
    // The file is not empty: "[初始化中]", the row "正在初始化".
    virtual void initializing() {}
    // The web-page step is over: "正在转换第…", the row "正在转换...", HTML bar full.
    virtual void converting() {}
};

// One file's text (GB18030, decoded) to its result: the batch's web-page step
// and typesetting, or a text tool of the CLI.
using BatchTransform = std::function<std::string(std::string text, BatchFileProgress* progress)>;

// A warning for a text read as GB18030 bytes (no detection) whose lines end
// mostly in "\n" alone: those are no line breaks there, so the whole text
// is one line. Empty when there is nothing to say.
std::string lfOnlyWarning(std::string_view text, text::EncodingChoice encoding);

// The batch's own transform: web pages (".htm", ".html" in any case) are
// cut at their first zero byte and turned into plain text, then the text is
// typeset with `options` and `context` for the batch; a Markdown document
// (engine::documentFormatOfPath) is typeset in Markdown mode. `format` is the one
// the file was read in: a page read with "\n" line breaks loses its line
// feeds whole.
std::string typesetForBatch(std::string_view inputPath, std::string text, const text::TextFormat& format,
                            const engine::TypesetOptions& options, engine::RunContext& context,
                            BatchFileProgress* progress);
// The same for a document of `documentFormat`: a Markdown document is
// typeset in Markdown mode (engine/document_typeset.h), whatever its name.
std::string typesetForBatch(std::string_view inputPath, std::string text, const text::TextFormat& format,
                            engine::DocumentFormat documentFormat, const engine::TypesetOptions& options,
                            engine::RunContext& context, BatchFileProgress* progress);

enum class FileOutcome {
    Empty,     // nothing to write: "√" and no output
    Written,   // its own output file was written
    Appended,  // appended to the merged output (written when that closes)
    Failed,    // could not be read, decoded or written: "失败"
};

struct FileResult {
    FileOutcome outcome = FileOutcome::Empty;
    std::string outputPath;  // the file written or appended to
    std::string error;       // Failed: what went wrong, naming the path(s)
    std::string notice;      // Written: what of the old output could not be kept (its owner)
    // The output path had already been written in this run for this earlier
    // input (two inputs of the same name): the later result replaced it.
    std::optional<std::size_t> replacedOutputOf;
    // Inputs whose merged output was closed (merge switched off) and could
    // not be written: their rows fail after all.
    std::vector<std::size_t> mergedFailed;
    std::string mergedError;
};

struct MergedClose {
    std::vector<std::size_t> failed;  // inputs whose merged output could not be written
    std::string error;
    std::string notice;  // written, but what of the old file could not be kept
};

// One run over a list of inputs. Files are processed one at a time, in any
// order the caller chooses, each exactly once. An output never replaces an
// input that has not been read yet: that file fails instead, and the input
// survives to be read in its turn. Outputs are written atomically.
class BatchRun {
public:
    // `inputs`: the paths of every file of the run (index = the file's number).
    BatchRun(std::string folder, text::EncodingChoice encoding, std::vector<std::string> inputs);

    // Reads input `i`, decodes it, transforms it and writes the result to its
    // own file, or appends it to the merged output when `merge` (opening it,
    // named after this input, when none is open). A merged output still open
    // when `merge` is off is closed first. The merged output takes the
    // encoding and line breaks of its first file; results are separated by
    // `separator` (see paragraphSeparator).
    // The format the file being processed was read in (valid inside the
    // transform of processFile): a command that treats line feeds as no
    // breaks, as HTML stripping does, needs to know them.
    const text::TextFormat& currentFormat() const { return currentFormat_; }

    FileResult processFile(std::size_t i, bool merge, const BatchTransform& transform,
                           std::string_view separator, BatchFileProgress* progress = nullptr);

    // Writes and closes the merged output, if one is open.
    MergedClose closeMerged();

    const std::vector<std::string>& inputs() const { return inputs_; }

    // Larger inputs fail, each on its own, before they are read
    // (default: text::defaultReadLimit()).
    void setReadLimit(std::uint64_t maxBytes) { readLimit_ = maxBytes; }
    // A file of its own (not merged) ends with a line break exactly when
    // its input did (text::keepFinalBreak): for typeset results, whose
    // run takes the text's last breaks off.
    void setKeepFinalBreak(bool keep) { keepFinalBreak_ = keep; }

private:
    struct FileId {
        std::uint64_t device = 0, inode = 0;
        bool operator==(const FileId&) const = default;
    };
    struct FileIdHash {
        std::size_t operator()(const FileId& id) const { return std::hash<std::uint64_t>()(id.inode * 31 + id.device); }
    };
    // The unread input that `path` is, if any.
    std::optional<std::size_t> unreadInputAt(const std::string& path) const;
    void markRead(std::size_t i);
    // Why the result of input `source` must not be written to `path` (it
    // would replace an input not read yet, naming both); empty when it may.
    std::string refusal(std::size_t source, const std::string& path) const;
    bool writeOutput(std::size_t source, const std::string& path, std::string_view text,
                     const text::TextFormat& format, std::string& error, std::string& notice);

    std::string folder_;
    text::EncodingChoice encoding_;
    std::uint64_t readLimit_ = text::defaultReadLimit();
    bool keepFinalBreak_ = false;
    std::vector<std::string> inputs_;
    std::unordered_map<FileId, std::vector<std::size_t>, FileIdHash> unread_;
    std::vector<std::optional<FileId>> ids_;
    std::unordered_map<std::string, std::size_t> written_;  // output path → input written there

    bool mergedOpen_ = false;
    std::string mergedPath_;
    // The merged file is written as it grows: a temporary file beside its
    // target, renamed into place when the merge ends (and removed on SIGINT
    // or SIGTERM when the program asked for that).
    std::unique_ptr<text::AtomicFileWriter> merged_;
    text::TextFormat currentFormat_;
    void appendMerged(std::string_view text, const text::TextFormat& format);
    std::string mergedError_;  // the first write failure of the merged file
    text::TextFormat mergedFormat_;
    bool mergedHasText_ = false;
    std::vector<std::size_t> mergedInputs_;
};

}  // namespace folvane::batch
