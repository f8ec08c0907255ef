#include "batch/batch_job.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "markup/html_strip.h"
#include "engine/typeset.h"
#include "text/file_io.h"
#include "text/search.h"

namespace folvane::batch {
namespace {

// On Linux only "/" separates folders; a backslash is a character of a name.
constexpr char kSeparator = '/';

}  // namespace

std::string kindCaption(FileKind kind) {
    switch (kind) {
        case FileKind::PlainText: break;
        case FileKind::WebPage: return text::gb("网页文件");
        case FileKind::Markdown: return "Markdown";
    }
    return text::gb("纯文本");
}

std::string statusCaption(RowStatus status) {
    switch (status) {
        case RowStatus::Waiting: return text::gb("等待");
        case RowStatus::Initializing: return text::gb("正在初始化");
        case RowStatus::Converting: return text::gb("正在转换...");
        case RowStatus::Done: return text::gb("√");
        case RowStatus::Failed: return text::gb("失败");
    }
    return {};
}

std::string_view extensionOf(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    return dot == std::string_view::npos ? path : path.substr(dot + 1);
}

std::optional<FileKind> kindOfExtension(std::string_view ext) {
    if (ext == "txt") return FileKind::PlainText;
    if (ext == "htm" || ext == "html") return FileKind::WebPage;
    if (ext == "md" || ext == "markdown" || ext == "mdown") return FileKind::Markdown;
    return std::nullopt;
}

std::string_view fileNameOf(std::string_view path) {
    const std::size_t slash = path.rfind(kSeparator);
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view folderOf(std::string_view path) {
    const std::size_t slash = path.rfind(kSeparator);
    return slash == std::string_view::npos ? std::string_view{} : path.substr(0, slash + 1);
}

std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// ------------------------------------------------------------------ list

std::size_t BatchList::addPaths(const std::vector<std::string>& paths, PathSource source) {
    std::size_t added = 0;
    for (const std::string& path : paths) {
        if (path.empty()) continue;
        std::string key = lowerAscii(path);
        const std::string_view tested = source == PathSource::Dialog ? std::string_view(key) : std::string_view(path);
        const auto kind = kindOfExtension(extensionOf(tested));
        if (!kind) continue;
        if (!added_.insert(std::move(key)).second) continue;
        rows_.push_back(BatchRow{path, std::string(fileNameOf(path)), *kind, RowStatus::Waiting});
        lastAddFolder_ = std::string(folderOf(path));
        ++added;
    }
    return added;
}

void BatchList::removeRows(const std::vector<std::size_t>& selected) {
    std::vector<bool> remove(rows_.size(), false);
    for (std::size_t i : selected) {
        if (i >= rows_.size()) continue;
        const RowStatus s = rows_[i].status;
        if (s == RowStatus::Waiting || s == RowStatus::Done || s == RowStatus::Failed) remove[i] = true;
    }
    std::size_t out = 0;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (!remove[i]) {
            if (out != i) rows_[out] = std::move(rows_[i]);
            ++out;
        }
    rows_.resize(out);
}

void BatchList::clear() {
    rows_.clear();
    added_.clear();
}

std::size_t BatchList::waitingCount() const {
    return static_cast<std::size_t>(
        std::count_if(rows_.begin(), rows_.end(), [](const BatchRow& r) { return r.status == RowStatus::Waiting; }));
}

// ---------------------------------------------------------------- naming

std::string outputNameFor(std::string_view inputPath) {
    const std::string_view name = fileNameOf(inputPath);
    // A Markdown document stays one: it keeps its name.
    if (engine::documentFormatOfPath(name) == engine::DocumentFormat::Markdown) return std::string(name);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return std::string(name) + ".txt";
    return std::string(name.substr(0, dot + 1)) + "txt";
}

std::string outputPathFor(std::string_view folder, std::string_view inputPath) {
    std::string path(folder);
    if (!path.empty() && path.back() != '/') path += '/';
    return path + outputNameFor(inputPath);
}

std::string paragraphSeparator(const engine::TypesetOptions& o) {
    const std::string blank = (o.fillBlankLines ? engine::indentText(o) : std::string()) + "\r\n";
    std::string sep = "\r\n";
    if (o.doubleBreak) sep += blank;
    if (o.tripleBreak) sep += blank + blank;
    return sep;
}

// ---------------------------------------------------------------- folder

std::string defaultOutputFolder(const std::string& executableDir, const std::string& home,
                                const std::function<bool(const std::string&)>& isWritableDirectory) {
    constexpr std::string_view kName = "批量排版默认文件夹";
    const std::string& base = !executableDir.empty() && isWritableDirectory(executableDir) ? executableDir : home;
    std::string path = base;
    if (path.empty() || path.back() != '/') path += '/';
    return path + std::string(kName);
}

bool prepareOutputFolder(const std::string& folder, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (folder.empty()) return fail("empty folder name");
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) return fail(ec.message());
    if (!std::filesystem::is_directory(folder, ec)) return fail(ec ? ec.message() : "not a directory");
    // A probe file shows that the folder takes new files (permissions, a
    // read-only file system, a full disk of inodes).
    std::random_device random;
    char name[64];
    std::snprintf(name, sizeof name, "/.folvane-probe-%d-%08x", static_cast<int>(::getpid()),
                  static_cast<unsigned>(random()));
    const std::string probe = folder + name;
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return fail(std::strerror(errno));
    ::close(fd);
    ::unlink(probe.c_str());
    // What a killed run of ours left here goes before new files arrive.
    text::removeStaleTemporaries(folder);
    return true;
}

// ----------------------------------------------------------------- texts

std::string fileInfoText(std::string_view path, std::uint64_t size) {
    return std::string(fileNameOf(path)) + "(" + std::to_string(size / 1000) + "KB)";
}

std::string preparingCaption() { return text::gb("正在准备..."); }
std::string initializingCaption() { return text::gb("[初始化中]"); }
std::string idleCaption() { return text::gb("正在转换第0个文件（共0个）"); }

std::string convertingCaption(std::size_t i, std::size_t n) {
    return text::gb("正在转换第") + std::to_string(i) + text::gb("个文件(共") + std::to_string(n) + text::gb("个)");
}

std::string elapsedText(std::int64_t seconds) {
    if (seconds < 0) seconds = 0;
    return std::to_string(seconds / 3600) + text::gb("时") + std::to_string(seconds / 60 % 60) + text::gb("分") +
           std::to_string(seconds % 60) + text::gb("秒");
}

std::string finalMessage(std::size_t files, std::string_view elapsedLabel, std::size_t failed) {
    const std::string from = text::gb("时0分");
    const std::string to = text::gb("时");
    const std::string leading = text::gb("0时");
    std::string elapsed;
    for (std::size_t pos = 0;;) {
        const std::size_t hit = elapsedLabel.find(from, pos);
        if (hit == std::string_view::npos) {
            elapsed += elapsedLabel.substr(pos);
            break;
        }
        elapsed += elapsedLabel.substr(pos, hit - pos);
        elapsed += to;
        pos = hit + from.size();
    }
    if (elapsed.starts_with(leading)) elapsed.erase(0, leading.size());

    std::string message = failed == 0 ? text::gb("恭喜！转换任务顺利完成！")
                                      : text::gb("转换任务已完成，其中 ") + std::to_string(failed) +
                                            text::gb(" 个文件失败（无法读取或写入）！");
    message += "\r\n" + text::gb("总共转换 ") + std::to_string(files) + text::gb(" 个文件");
    if (!elapsed.empty()) message += text::gb("，历经") + elapsed;
    return message + text::gb("。");
}

// ------------------------------------------------------------------- run

std::string lfOnlyWarning(std::string_view text, text::EncodingChoice encoding) {
    if (encoding != text::EncodingChoice::Gb18030 || !text::mostlyLfOnly(text)) return {};
    return "no \"\\r\\n\" line breaks: its lines end in \"\\n\" alone, which are no line breaks when read as "
           "GB18030 bytes (automatic detection takes them as line breaks)";
}

namespace {

// A text or a web page, as the batch typesets them.
std::string typesetTextOrPage(std::string_view inputPath, std::string content, const text::TextFormat& format,
                              const engine::TypesetOptions& options, engine::RunContext& context,
                              BatchFileProgress* progress) {
    const auto kind = kindOfExtension(lowerAscii(extensionOf(inputPath)));
    if (kind == FileKind::WebPage) {
        // A page is read as one C text: it ends at its first zero byte.
        const std::size_t nul = content.find('\0');
        if (nul != std::string::npos) content.resize(nul);
        // The line feeds of a page are no breaks: in a file read with "\n"
        // breaks they stand as "\r\n" here and go whole, as strip-html
        // takes them, not leaving their "\r" behind.
        if (format.lfOnly) text::replaceAllInPlace(content, "\r\n", "\n");
        content = markup::htmlToTextTaking(std::move(content));
    }
    if (progress) progress->converting();
    return engine::typesetOwnedText(std::move(content), true, options, context, progress);
}

}  // namespace

std::string typesetForBatch(std::string_view inputPath, std::string content, const text::TextFormat& format,
                            const engine::TypesetOptions& options, engine::RunContext& context,
                            BatchFileProgress* progress) {
    return typesetForBatch(inputPath, std::move(content), format, engine::documentFormatOfPath(inputPath), options,
                           context, progress);
}

std::string typesetForBatch(std::string_view inputPath, std::string content, const text::TextFormat& format,
                            engine::DocumentFormat documentFormat, const engine::TypesetOptions& options,
                            engine::RunContext& context, BatchFileProgress* progress) {
    if (documentFormat == engine::DocumentFormat::Text)
        return typesetTextOrPage(inputPath, std::move(content), format, options, context, progress);
    if (progress) progress->converting();
    return engine::typesetDocument(std::move(content), documentFormat, true, options, context, progress);
}

BatchRun::BatchRun(std::string folder, text::EncodingChoice encoding, std::vector<std::string> inputs)
    : folder_(std::move(folder)), encoding_(encoding), inputs_(std::move(inputs)), ids_(inputs_.size()) {
    for (std::size_t i = 0; i < inputs_.size(); ++i) {
        struct stat st{};
        if (::stat(inputs_[i].c_str(), &st) != 0) continue;
        const FileId id{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
        ids_[i] = id;
        unread_[id].push_back(i);
    }
}

std::optional<std::size_t> BatchRun::unreadInputAt(const std::string& path) const {
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    const auto it = unread_.find({static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)});
    if (it == unread_.end() || it->second.empty()) return std::nullopt;
    return it->second.front();
}

void BatchRun::markRead(std::size_t i) {
    if (!ids_[i]) return;
    const auto it = unread_.find(*ids_[i]);
    if (it == unread_.end()) return;
    std::erase(it->second, i);
    if (it->second.empty()) unread_.erase(it);
}

std::string BatchRun::refusal(std::size_t source, const std::string& path) const {
    const auto victim = unreadInputAt(path);
    if (!victim) return {};
    return "refused to write the result of " + inputs_[source] + " to " + path + ": it would replace the input " +
           inputs_[*victim] + ", which has not been read yet";
}

bool BatchRun::writeOutput(std::size_t source, const std::string& path, std::string_view text,
                           const text::TextFormat& format, std::string& error, std::string& notice) {
    error = refusal(source, path);
    if (!error.empty()) return false;
    // Encoded and written a piece at a time: the bytes of a long result are
    // never held whole beside the result itself.
    text::AtomicFileWriter out(path);
    std::string why;
    bool ok = out.open(&why);
    if (ok) text::encodeTextTo(text, format, [&](std::string_view piece) { ok = ok && out.write(piece, &why); });
    if (ok) ok = out.commit(&why);
    if (!ok) {
        out.abort();
        error = "cannot write " + path + ": " + why;
    } else if (!out.notice().empty()) {
        notice = path + ": " + out.notice();
    }
    return ok;
}

void BatchRun::appendMerged(std::string_view text, const text::TextFormat& format) {
    text::encodeTextTo(text, format, [this](std::string_view piece) {
        if (mergedError_.empty() && merged_->isOpen()) merged_->write(piece, &mergedError_);
    });
}

MergedClose BatchRun::closeMerged() {
    MergedClose result;
    if (!mergedOpen_) return result;
    mergedOpen_ = false;
    std::string why;
    if (std::string refused = refusal(mergedInputs_.front(), mergedPath_); !refused.empty()) {
        result.error = std::move(refused);
        merged_->abort();
        result.failed = mergedInputs_;
    } else if (!mergedError_.empty() || !merged_->commit(&why)) {
        result.error = "cannot write " + mergedPath_ + ": " + (mergedError_.empty() ? why : mergedError_);
        merged_->abort();
        result.failed = mergedInputs_;
    } else {
        written_[mergedPath_] = mergedInputs_.front();
        if (!merged_->notice().empty()) result.notice = mergedPath_ + ": " + merged_->notice();
    }
    merged_.reset();
    mergedError_.clear();
    mergedInputs_.clear();
    return result;
}

FileResult BatchRun::processFile(std::size_t i, bool merge, const BatchTransform& transform,
                                 std::string_view separator, BatchFileProgress* progress) {
    FileResult r;
    if (!merge && mergedOpen_) {
        MergedClose closed = closeMerged();
        r.mergedFailed = std::move(closed.failed);
        r.mergedError = std::move(closed.error);
    }
    const std::string& input = inputs_[i];
    std::string bytes, why;
    const bool readOk = text::readFile(input, bytes, &why, readLimit_);
    markRead(i);
    if (!readOk) {
        r.outcome = FileOutcome::Failed;
        r.error = "cannot read " + input + ": " + why;
        return r;
    }
    if (progress) progress->fileRead(bytes.size());
    if (bytes.empty()) return r;  // "√", nothing written
    if (progress) progress->initializing();

    // The bytes are taken over (a GB18030 file is decoded in place), so a
    // long file is not held twice before the transform starts.
    auto decoded = text::decodeTakingBytes(std::move(bytes), encoding_, &why);
    if (!decoded) {
        r.outcome = FileOutcome::Failed;
        r.error = input + ": " + why;
        return r;
    }
    currentFormat_ = decoded->format;
    if (std::string w = lfOnlyWarning(decoded->text, encoding_); !w.empty()) r.notice = input + ": " + w;
    std::string result = transform(std::move(decoded->text), progress);

    if (merge && mergedOpen_) {
        text::TextFormat rest = mergedFormat_;
        rest.bom = false;  // the byte-order mark opens the file only
        if (mergedHasText_ && !result.empty()) appendMerged(separator, rest);
        appendMerged(result, rest);
        mergedHasText_ = mergedHasText_ || !result.empty();
        mergedInputs_.push_back(i);
        r.outcome = FileOutcome::Appended;
        r.outputPath = mergedPath_;
        return r;
    }
    const std::string path = outputPathFor(folder_, input);
    r.outputPath = path;
    if (const auto it = written_.find(path); it != written_.end()) r.replacedOutputOf = it->second;
    if (merge) {
        mergedOpen_ = true;
        mergedPath_ = path;
        mergedFormat_ = decoded->format;
        merged_ = std::make_unique<text::AtomicFileWriter>(path);
        if (!merged_->open(&mergedError_) && mergedError_.empty()) mergedError_ = "cannot create a temporary file";
        appendMerged(result, mergedFormat_);
        mergedHasText_ = !result.empty();
        mergedInputs_ = {i};
        r.outcome = FileOutcome::Appended;
        return r;
    }
    // The file's last line break is part of its format.
    if (keepFinalBreak_) text::keepFinalBreak(result, decoded->format);
    std::string notice;
    const bool written = writeOutput(i, path, result, decoded->format, r.error, notice);
    if (!notice.empty()) r.notice += (r.notice.empty() ? "" : "\n") + notice;
    if (!written) {
        r.outcome = FileOutcome::Failed;
        return r;
    }
    written_[path] = i;
    r.outcome = FileOutcome::Written;
    return r;
}

}  // namespace folvane::batch
