#include "cli/cli.h"

#include <filesystem>
#include <map>

#include <nlohmann/json.hpp>

#include "batch/batch_job.h"
#include "cli/cli_args.h"
#include "cli/quoted_name.h"
#include "cli/unified_diff.h"
#include "batch/output_plan.h"
#include "corrections/case_forms.h"
#include "corrections/dictionary_converter.h"
#include "corrections/title.h"
#include "editor/statistics.h"
#include "engine/document_typeset.h"
#include "engine/paragraph_tools.h"
#include "engine/typeset.h"
#include "settings/repository_config.h"
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

// What one input is typeset with: its format and switches (see CliConfig).
struct FileSetup {
    engine::DocumentFormat format = engine::DocumentFormat::Text;
    engine::TypesetOptions options;
    corrections::ScriptStandard standard = corrections::ScriptStandard::OpenCC;
};

// The ".folvanerc" of each folder, read once.
class RepositoryConfigs {
public:
    // nullptr when there is none; `error` set when the one there is broken.
    const settings::RepositoryConfig* forFile(const std::string& input, std::string& error) {
        const std::string file = input == "-" ? std::string("./-") : input;
        const std::string folder = settings::folderOfFile(file);
        auto it = byFolder_.find(folder);
        if (it == byFolder_.end()) {
            Entry e;
            bool found = false;
            auto c = settings::findRepositoryConfig(file, found, &e.error);
            if (c && found) e.config = std::move(*c);
            it = byFolder_.emplace(folder, std::move(e)).first;
        }
        error = it->second.error;
        return it->second.config ? &*it->second.config : nullptr;
    }

private:
    struct Entry {
        std::optional<settings::RepositoryConfig> config;
        std::string error;
    };
    std::map<std::string, Entry> byFolder_;
};

std::optional<FileSetup> setupFor(const CliConfig& c, const std::string& input, RepositoryConfigs& configs,
                                  std::string& error) {
    FileSetup f;
    const settings::RepositoryConfig* rc = c.repositoryConfig ? configs.forFile(input, error) : nullptr;
    if (!error.empty()) return std::nullopt;
    if (c.format) f.format = *c.format;
    else if (const auto byPattern = rc ? rc->formatFor(input) : std::nullopt) f.format = *byPattern;
    else f.format = input == "-" ? engine::DocumentFormat::Text : engine::documentFormatOfPath(input);
    if (c.fromSettingsFile) f.options = c.configOptions;
    else f.options = f.format == engine::DocumentFormat::Markdown ? engine::markdownDefaults()
                                                                 : engine::TypesetOptions::defaults();
    if (rc) rc->applySwitches(f.options);
    for (const auto& [name, on] : c.sets)
        if (const engine::TypesetOptionField* field = engine::findTypesetOptionField(name)) f.options.*(field->member) = on;
    f.standard = c.standardGiven || !rc || !rc->standard ? c.standard : *rc->standard;
    return f;
}

// The name a tool's changes are recorded under: the tool's command.
std::string_view commandNameOf(const CliConfig& c) {
    for (const engine::TextToolRow& row : engine::textTools())
        if (row.tool == c.tool) return row.name;
    return "typeset";
}

// GitHub's workflow commands: "%", line breaks (and in properties ":" and
// ",") are escaped.
std::string workflowEscape(std::string_view s, bool property) {
    std::string out;
    for (char ch : s) {
        if (ch == '%') out += "%25";
        else if (ch == '\r') out += "%0D";
        else if (ch == '\n') out += "%0A";
        else if (property && ch == ':') out += "%3A";
        else if (property && ch == ',') out += "%2C";
        else out += ch;
    }
    return out;
}

// One change as shown to a person: the text before and after, quoted.
std::string changeMessage(const engine::Change& ch) {
    return ch.rule + ": \"" + text::gb18030ToUtf8(ch.before) + "\" \xE2\x86\x92 \"" + text::gb18030ToUtf8(ch.after) + "\"";
}

nlohmann::json changeRecord(const std::string& file, const engine::Change& ch) {
    return nlohmann::json{{"file", file},
                          {"line", ch.line},
                          {"column", ch.column},
                          {"end", {{"line", ch.endLine}, {"column", ch.endColumn}}},
                          {"rule", ch.rule},
                          {"before", text::gb18030ToUtf8(ch.before)},
                          {"after", text::gb18030ToUtf8(ch.after)}};
}

std::string annotation(const std::string& file, const engine::Change& ch) {
    return "::error file=" + workflowEscape(file, true) + ",line=" + std::to_string(ch.line) +
           ",col=" + std::to_string(ch.column) + ",endLine=" + std::to_string(ch.endLine) +
           ",endColumn=" + std::to_string(ch.endColumn) + ",title=" + workflowEscape("folvane " + ch.rule, true) +
           "::" + workflowEscape(changeMessage(ch), false) + "\n";
}


// The diff of one input: of its bytes and those the command writes, or of
// both texts in UTF-8 (the same for a UTF-8 file).
std::string fileDiff(const CliConfig& c, const std::string& input, const std::string& original,
                     const std::string& before, const std::string& result, const text::TextFormat& format) {
    if (!c.diffUtf8) return unifiedDiff(input, original, text::encodeText(result, format));
    text::TextFormat view = format;
    if (view.encoding != text::Encoding::Utf8) {
        view.encoding = text::Encoding::Utf8;
        view.bom = false;
    }
    return unifiedDiff(input, text::encodeText(before, view), text::encodeText(result, view));
}

// The result of the command on one decoded input, which it takes over: a
// long text is held once where the command can work in place, else at most
// twice (input and result). Scripts are converted in place.
std::string applyCommand(const CliConfig& c, const FileSetup& setup, std::string&& text,
                         const text::TextFormat& format, engine::RunContext& ctx,
                         const corrections::DictionaryConverter& converter, engine::TypesetProgress* progress,
                         std::vector<engine::Change>* changes = nullptr) {
    auto consume = [&text](auto&& fn) {
        std::string result = fn(std::string_view(text));
        std::string().swap(text);
        return result;
    };
    switch (c.command) {
        case Command::Typeset:
            return engine::typesetDocument(std::move(text), setup.format, false, setup.options, ctx, progress, changes);
        case Command::Tool: {
            engine::TextToolArguments arguments;
            arguments.converter = &converter;
            arguments.standard = setup.standard;
            arguments.find = c.find;
            arguments.replacement = c.replacement;
            arguments.lfOnly = format.lfOnly;
            return engine::applyTextTool(c.tool, std::move(text), arguments);
        }
        case Command::Stats:
            return consume([](std::string_view t) { return editor::statisticsReport(editor::countText(t)) + "\r\n"; });
        case Command::Title:
            return consume([](std::string_view t) { return corrections::proposedSaveName(t) + "\r\n"; });
        case Command::Lsp:
            break;
    }
    return std::move(text);
}

}  // namespace

Exit runCli(const CliConfig& config, CliStreams& s) {
    if (config.help) {
        s.out(helpText());
        return Exit::Ok;
    }
    if (config.command == Command::Lsp) {
        s.err("folvane-cli: lsp runs on the process's own standard input and output\n");
        return Exit::Usage;
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

    RepositoryConfigs configs;
    if (!config.outDir.empty()) {
        // Into a folder: the batch job names, merges and writes the files,
        // as the batch window does.
        batch::BatchRun run(config.outDir, config.encoding, config.files);
        run.setReadLimit(config.maxFileSize);
        run.setKeepFinalBreak(typeset);
        const std::string separator = typeset ? batch::paragraphSeparator(config.options) : std::string("\r\n");
        for (std::size_t i = 0; i < config.files.size(); ++i) {
            const std::string& input = config.files[i];
            std::string why;
            const std::optional<FileSetup> setup = setupFor(config, input, configs, why);
            if (!setup) {
                fail(why);
                continue;
            }
            ctx.scriptStandard = setup->standard;
            std::optional<TerminalProgress> progress;
            if (typeset && s.errIsTerminal) progress.emplace(s, displayName(input));
            try {
                const batch::FileResult r = run.processFile(
                    i, config.merge,
                    [&](std::string text, batch::BatchFileProgress* p) {
                        if (typeset)
                            return batch::typesetForBatch(input, std::move(text), run.currentFormat(), setup->format,
                                                          setup->options, ctx, p);
                        return applyCommand(config, *setup, std::move(text), run.currentFormat(), ctx, converter, p);
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
    const bool records = config.report != CliConfig::Report::None;
    const bool reportOnly = config.check || config.diff || records;
    std::string changedList, diffs, annotations;
    nlohmann::json jsonRecords = nlohmann::json::array();
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
            // A diff is made of the file's very bytes, so that it applies.
            const std::string original = config.diff && !config.diffUtf8 ? bytes : std::string();
            auto decoded = text::decodeTakingBytes(std::move(bytes), config.encoding, &why);
            if (!decoded) {
                fail(displayName(input) + ": " + why);
                continue;
            }
            if (const std::string w = batch::lfOnlyWarning(decoded->text, config.encoding); !w.empty())
                s.err("folvane-cli: warning: " + displayName(input) + ": " + w + "\n");

            const std::optional<FileSetup> setup = setupFor(config, input, configs, why);
            if (!setup) {
                fail(why);
                continue;
            }
            ctx.scriptStandard = setup->standard;
            if (reportOnly) {
                // A check's verdict on a file never depends on the files
                // checked with it: each starts with no quote open and no
                // signature of an earlier one.
                ctx.quotes.reset();
                ctx.signature.lastHeadSignature.clear();
                ctx.signature.lastTailSignature.clear();
            }
            std::optional<TerminalProgress> progress;
            if (typeset && s.errIsTerminal) progress.emplace(s, displayName(input));
            // The output is written in the input's own format, so the file
            // changes exactly when the text does; its last line break is
            // part of that format.
            const std::string before = reportOnly ? decoded->text : std::string();
            std::vector<engine::Change> changes;
            std::string result = applyCommand(config, *setup, std::move(decoded->text), decoded->format, ctx,
                                              converter, progress ? &*progress : nullptr,
                                              records && typeset ? &changes : nullptr);
            if (typeset) text::keepFinalBreak(result, decoded->format);

            if (reportOnly) {
                if (result == before) continue;
                anyChanged = true;
                changedList += config.nulSeparated ? input + '\0' : quotedName(input) + "\n";
                if (config.diff) diffs += fileDiff(config, input, original, before, result, decoded->format);
                if (records && !typeset) changes = engine::changesBetween(before, result, std::string(commandNameOf(config)));
                for (const engine::Change& ch : changes) {
                    if (config.report == CliConfig::Report::Json) jsonRecords.push_back(changeRecord(input, ch));
                    else if (config.report == CliConfig::Report::Github) annotations += annotation(input, ch);
                }
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
        if (config.report == CliConfig::Report::Json)
            s.out(jsonRecords.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
        if (config.report == CliConfig::Report::Github) s.out(annotations);
        if (anyChanged) status = Exit::FileError;
    }
    return status;
}

}  // namespace folvane::cli
