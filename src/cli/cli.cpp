#include "cli/cli.h"

#include <filesystem>

#include "batch/batch_job.h"
#include "batch/html_strip.h"
#include "cli/cli_args.h"
#include "corrections/case_forms.h"
#include "corrections/opencc_converter.h"
#include "corrections/title.h"
#include "editor/statistics.h"
#include "engine/paragraph_tools.h"
#include "engine/typeset.h"
#include "text/file_io.h"

namespace folvane::cli {
namespace {

std::string displayName(const std::string& input) { return input == "-" ? "standard input" : input; }

// Progress on a terminal: one line, rewritten in place.
class TerminalProgress final : public batch::BatchFileProgress {
public:
    TerminalProgress(CliStreams& s, std::string name) : s_(s), name_(std::move(name)) {}

    void phase(std::string_view label) override {
        std::string_view l = label;
        if (l.starts_with("\r\n")) l.remove_prefix(2);
        label_ = text::gb18030ToUtf8(l);
        show(0);
    }
    void hideMainProgress() override { hidden_ = true; }
    void mainPosition(int position) override { show(position); }
    void finished() override {
        if (shown_) s_.err("\r\033[K");
    }

private:
    void show(int position) {
        if (hidden_) return;
        shown_ = true;
        s_.err("\r\033[K" + name_ + ": " + label_ + " " + std::to_string(std::min(position, 200) / 2) + "%");
    }

    CliStreams& s_;
    std::string name_;
    std::string label_;
    bool hidden_ = false;
    bool shown_ = false;
};

}  // namespace

std::string outputNameFor(std::string_view inputPath) { return batch::outputNameFor(inputPath); }

namespace {

// The result of the command on one decoded input.
std::string applyCommand(const CliConfig& c, std::string_view text, engine::RunContext& ctx,
                         engine::TypesetProgress* progress) {
    switch (c.command) {
        case Command::Typeset: return engine::typesetText(text, {}, false, c.options, ctx, progress);
        case Command::StripHtml: return batch::htmlToText(text);
        case Command::StripUbb: return batch::stripForumCodes(text);
        case Command::RemoveBlankLines: return engine::removeBlankLines(text);
        case Command::DeleteHeadSpaces: return engine::deleteParagraphHeadSpaces(text);
        case Command::Replace: return engine::replaceAllInText(text, c.find, c.replacement);
        case Command::ToTraditional: return ctx.scriptConverter->toTraditionalChinese(text);
        case Command::ToSimplified: return ctx.scriptConverter->toSimplifiedChinese(text);
        case Command::Upper: return corrections::upperCaseForm(text);
        case Command::Lower: return corrections::lowerCaseForm(text);
        case Command::Stats: return editor::statisticsReport(editor::countText(text)) + "\r\n";
        case Command::Title: return corrections::proposedSaveName(text) + "\r\n";
    }
    return std::string(text);
}

}  // namespace

Exit runCli(const CliConfig& config, CliStreams& s) {
    if (config.help) {
        s.out(helpText());
        return Exit::Ok;
    }
    engine::RunContext ctx;
    ctx.signature.signatureEnabled = config.signature;
    if (config.headTemplate) ctx.signature.headSignatureTemplate = *config.headTemplate;
    if (config.tailTemplate) ctx.signature.tailSignatureTemplate = *config.tailTemplate;
    if (config.now) {
        const corrections::DateTime fixed = *config.now;
        ctx.clock = [fixed] { return fixed; };
    }

    Exit status = Exit::Ok;
    auto fail = [&](const std::string& message) {
        s.err("folvane-cli: " + message + "\n");
        status = Exit::FileError;
    };

    // One converter for all inputs, loaded before any is read: without its
    // tables the text would come out unconverted.
    const bool typeset = config.command == Command::Typeset;
    const bool traditional = config.command == Command::ToTraditional || (typeset && config.options.toTraditional);
    const bool simplified = config.command == Command::ToSimplified || (typeset && config.options.toSimplified);
    std::optional<corrections::OpenccConverter> converter;
    if (traditional || simplified) {
        converter.emplace();
        std::string why;
        if ((traditional && !converter->loadTraditional(&why)) || (simplified && !converter->loadSimplified(&why))) {
            fail(why);
            return status;
        }
        ctx.scriptConverter = &*converter;
    }

    if (!config.outDir.empty()) {
        std::string why;
        if (!batch::prepareOutputFolder(config.outDir, &why)) {
            fail("cannot create output directory " + config.outDir + ": " + why);
            return status;
        }
    }

    if (!config.outDir.empty()) {
        // Into a folder: the batch job names, merges and writes the files,
        // as the batch window does.
        batch::BatchRun run(config.outDir, config.encoding, config.files);
        const std::string separator = typeset ? batch::paragraphSeparator(config.options) : std::string("\r\n");
        for (std::size_t i = 0; i < config.files.size(); ++i) {
            const std::string& input = config.files[i];
            std::optional<TerminalProgress> progress;
            if (typeset && s.errIsTerminal) progress.emplace(s, displayName(input));
            const batch::FileResult r = run.processFile(
                i, config.merge,
                [&](std::string text, batch::BatchFileProgress* p) {
                    if (typeset) return batch::typesetForBatch(input, std::move(text), config.options, ctx, p);
                    return applyCommand(config, text, ctx, p);
                },
                separator, progress ? &*progress : nullptr);
            if (r.outcome == batch::FileOutcome::Failed) fail(r.error);
        }
        const batch::MergedClose closed = run.closeMerged();
        if (!closed.failed.empty()) fail(closed.error);
        return status;
    }

    std::vector<std::string> inputs = config.files;
    if (inputs.empty()) inputs.push_back("-");

    for (const std::string& input : inputs) {
        std::string bytes;
        std::string why;
        const bool ok = input == "-" ? s.readStdin(bytes) : text::readFile(input, bytes, &why);
        if (!ok) {
            fail("cannot read " + displayName(input) + (why.empty() ? "" : ": " + why));
            continue;
        }
        auto decoded = text::decodeText(bytes, config.encoding, &why);
        if (!decoded) {
            fail(displayName(input) + ": " + why);
            continue;
        }
        std::string().swap(bytes);

        std::optional<TerminalProgress> progress;
        if (typeset && s.errIsTerminal) progress.emplace(s, displayName(input));
        std::string result = applyCommand(config, decoded->text, ctx, progress ? &*progress : nullptr);
        std::string().swap(decoded->text);

        s.out(text::encodeText(result, decoded->format));
    }
    return status;
}

}  // namespace folvane::cli
