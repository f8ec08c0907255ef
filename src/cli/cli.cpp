#include "cli/cli.h"

#include <filesystem>

#include "batch/batch_job.h"
#include "cli/cli_args.h"
#include "cli/unified_diff.h"
#include "batch/output_plan.h"
#include "corrections/case_forms.h"
#include "corrections/dictionary_converter.h"
#include "corrections/title.h"
#include "editor/statistics.h"
#include "engine/paragraph_tools.h"
#include "engine/typeset.h"
#include "text/file_io.h"
#include "text/search.h"

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

// The result of the command on one decoded input, which it takes over: a
// long text is held once where the command can work in place, else at most
// twice (input and result). Scripts are converted in place.
std::string applyCommand(const CliConfig& c, std::string&& text, const text::TextFormat& format,
                         engine::RunContext& ctx, const corrections::DictionaryConverter& converter,
                         engine::TypesetProgress* progress) {
    auto consume = [&text](auto&& fn) {
        std::string result = fn(std::string_view(text));
        std::string().swap(text);
        return result;
    };
    switch (c.command) {
        case Command::Typeset: return engine::typesetOwnedText(std::move(text), false, c.options, ctx, progress);
        case Command::Tool: {
            engine::TextToolArguments arguments;
            arguments.converter = &converter;
            arguments.standard = c.standard;
            arguments.find = c.find;
            arguments.replacement = c.replacement;
            arguments.lfOnly = format.lfOnly;
            return engine::applyTextTool(c.tool, std::move(text), arguments);
        }
        case Command::Stats:
            return consume([](std::string_view t) { return editor::statisticsReport(editor::countText(t)) + "\r\n"; });
        case Command::Title:
            return consume([](std::string_view t) { return corrections::proposedSaveName(t) + "\r\n"; });
    }
    return std::move(text);
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

    // One converter for all inputs; its tables are built on first use.
    const bool typeset = config.command == Command::Typeset;
    const corrections::DictionaryConverter converter;
    ctx.scriptConverter = &converter;
    ctx.scriptStandard = config.standard;

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
        run.setReadLimit(config.maxFileSize);
        const std::string separator = typeset ? batch::paragraphSeparator(config.options) : std::string("\r\n");
        for (std::size_t i = 0; i < config.files.size(); ++i) {
            const std::string& input = config.files[i];
            std::optional<TerminalProgress> progress;
            if (typeset && s.errIsTerminal) progress.emplace(s, displayName(input));
            try {
                const batch::FileResult r = run.processFile(
                    i, config.merge,
                    [&](std::string text, batch::BatchFileProgress* p) {
                        if (typeset) return batch::typesetForBatch(input, std::move(text), run.currentFormat(), config.options,
                                                      ctx, p);
                        return applyCommand(config, std::move(text), run.currentFormat(), ctx, converter, p);
                    },
                    separator, progress ? &*progress : nullptr);
                if (r.outcome == batch::FileOutcome::Failed) fail(r.error);
                if (!r.notice.empty()) s.err("folvane-cli: warning: " + r.notice + "\n");
                if (r.outcome != batch::FileOutcome::Failed && r.replacedOutputOf)
                    s.err("folvane-cli: warning: " +
                          batch::duplicateOutputWarning(r.outputPath, input, config.files[*r.replacedOutputOf]) + "\n");
            } catch (const std::bad_alloc&) {
                fail(displayName(input) + ": not enough memory to process it");
            } catch (const std::length_error&) {
                fail(displayName(input) + ": too large to process");
            }
        }
        const batch::MergedClose closed = run.closeMerged();
        if (!closed.failed.empty()) fail(closed.error);
        if (!closed.notice.empty()) s.err("folvane-cli: warning: " + closed.notice + "\n");
        return status;
    }

    std::vector<std::string> inputs = config.files;
    if (inputs.empty()) inputs.push_back("-");
    // A result that ends with a line break of its own (a report, a tool's
    // text) needs only the blank lines of the separator.
    const std::string separator = batch::resultSeparator(config.options);
    auto separatorAfter = [&separator](bool endsWithBreak) {
        return std::string_view(separator).substr(endsWithBreak ? 2 : 0);
    };

    // Standard output is a stream of results; a separator goes between
    // non-empty ones.
    bool stdoutHasResult = false, stdoutEndsWithBreak = false;
    text::TextFormat stdoutFormat;
    // --check and --diff: what would change, reported after the last input.
    const bool reportOnly = config.check || config.diff;
    std::string changedList, diffs;
    bool anyChanged = false;

    for (std::size_t index = 0; index < inputs.size(); ++index) {
        const std::string& input = inputs[index];
        try {
            std::string bytes;
            std::string why;
            bool ok = false;
            if (input == "-") {
                ok = s.readStdin(bytes);
                if (ok && bytes.size() > config.maxFileSize) {
                    ok = false;
                    why = "too large (more than " + std::to_string(config.maxFileSize) + " bytes)";
                    std::string().swap(bytes);
                }
            } else {
                ok = text::readFile(input, bytes, &why, config.maxFileSize);
            }
            if (!ok) {
                fail("cannot read " + displayName(input) + (why.empty() ? "" : ": " + why));
                continue;
            }
            auto decoded = text::decodeTakingBytes(std::move(bytes), config.encoding, &why);
            if (!decoded) {
                fail(displayName(input) + ": " + why);
                continue;
            }
            if (const std::string w = batch::lfOnlyWarning(decoded->text, config.encoding); !w.empty())
                s.err("folvane-cli: warning: " + displayName(input) + ": " + w + "\n");

            std::optional<TerminalProgress> progress;
            if (typeset && s.errIsTerminal) progress.emplace(s, displayName(input));
            // The output is written in the input's own format, so the file
            // changes exactly when the text does.
            const std::string before = reportOnly ? decoded->text : std::string();
            const std::string result = applyCommand(config, std::move(decoded->text), decoded->format, ctx, converter,
                                                    progress ? &*progress : nullptr);

            if (reportOnly) {
                if (result == before) continue;
                anyChanged = true;
                changedList += input + "\n";
                if (config.diff)
                    diffs += unifiedDiff(input, text::gb18030ToUtf8(before), text::gb18030ToUtf8(result));
                continue;
            }
            if (result.empty()) continue;
            // One stream, one encoding: that of the first result, whose
            // byte-order mark (if any) opens it; each result keeps its own
            // line breaks.
            text::TextFormat f = decoded->format;
            if (stdoutHasResult) {
                f.encoding = stdoutFormat.encoding;
                f.bom = false;
                text::TextFormat between = stdoutFormat;
                between.bom = false;
                text::encodeTextTo(separatorAfter(stdoutEndsWithBreak), between, s.out);
            }
            text::encodeTextTo(result, f, s.out);
            if (!stdoutHasResult) stdoutFormat = decoded->format;
            stdoutHasResult = true;
            stdoutEndsWithBreak = result.ends_with("\r\n");
        } catch (const std::bad_alloc&) {
            fail(displayName(input) + ": not enough memory to process it");
        } catch (const std::length_error&) {
            fail(displayName(input) + ": too large to process");
        }
    }
    if (reportOnly) {
        if (config.check) s.out(changedList);
        if (config.diff) s.out(diffs);
        if (anyChanged) status = Exit::FileError;
    }
    return status;
}

}  // namespace folvane::cli
