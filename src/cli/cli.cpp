#include "cli/cli.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "batch/html_strip.h"
#include "batch/output_plan.h"
#include "corrections/case_forms.h"
#include "corrections/opencc_converter.h"
#include "corrections/title.h"
#include "editor/statistics.h"
#include "engine/paragraph_tools.h"
#include "engine/typeset.h"
#include "settings/settings_record.h"
#include "text/file_io.h"
#include "text/search.h"

namespace folvane::cli {
namespace {

constexpr std::string_view kHelp = R"(Usage: folvane-cli [typeset] [OPTIONS] [FILE...]
       folvane-cli COMMAND [OPTIONS] [FILE...]
       folvane-cli replace [OPTIONS] FIND REPLACEMENT [FILE...]

Typesets Chinese articles: rebuilds the paragraphs (indentation, joined
lines, blank lines between paragraphs), corrects punctuation and quotation
marks, converts scripts and widths, cleans line ends and adds signatures.
Each FILE (standard input when there is none, or for "-") is processed and
the result written to standard output. Several files are processed one after
another with one run context: quote pairing and signatures continue from file
to file, as in the batch mode.

Commands (the default is typeset):
  typeset             Typeset with the switches of --set.
  strip-html          HTML to text: script and style blocks, tags and
                      "-->" removed; <br> and </p>, </div> become line
                      breaks; &nbsp; and &gt; become " " and ">".
  strip-ubb           Remove forum codes: everything from "[" to "]".
  remove-blank-lines  Remove blank lines that are empty or hold exactly 1, 2
                      or 4 half-width or 1 or 2 full-width spaces.
  delete-head-spaces  Remove the spaces at the start of every line.
  replace FIND REPLACEMENT
                      Replace every FIND by REPLACEMENT, left to right;
                      ASCII letters match in any case. A newline in either
                      text is a line break. An empty FIND changes nothing.
  to-traditional      Convert to traditional characters (OpenCC s2t.json).
  to-simplified       Convert to simplified characters (OpenCC t2s.json).
                      Both keep the byte length of every GB18030 character.
  upper, lower        ASCII letters to upper or lower case.
  stats               Print the character statistics report.
  title               Print the file name proposed for saving the text.

Options:
  --set NAME=0|1      (typeset) Set one typesetting switch (repeatable).
                      The starting point is the default configuration:
                      trimParagraphEnds, addIndent, indentFullWidth and
                      lineBreakFix on, the rest off. Names: trimParagraphEnds
                      addIndent indentFullWidth lineBreakFix doubleBreak
                      tripleBreak joinNonParagraphBreaks toTraditional
                      toSimplified fullToHalfWidth halfToFullWidth
                      fixPunctuation fixQuotes stripHeadNoise stripTailNoise
                      fillBlankLines copyAfter cutAfter minimizeAfter
  --signature         (typeset) Add the head and tail signatures (and take
                      off those this run added to an earlier file).
  --config FILE       (typeset) Start from the settings file (config.ini)
                      of the desktop program: its nineteen switches (an
                      absent key is off; exclusive pairs resolved as the
                      program does), and its signatures: the flag 首尾签名
                      switches them on, 首签名 and 尾签名 are the templates.
                      --set, --signature, --head and --tail win over it
                      wherever they stand.
  --head TEXT         (typeset) Head signature template; a newline in TEXT
                      is a line break. Tokens #YYYY #MM #DD #HH #II #SS are
                      replaced by the date and time.
  --tail TEXT         (typeset) Tail signature template.
  --now "YYYY-MM-DD HH:MM:SS"
                      (typeset) The clock for the date templates (default:
                      local time).
  --encoding auto|gb18030|gbk|utf-8
                      gb18030 (alias gbk): bytes pass untouched, line breaks
                      included. utf-8: UTF-8 in and out. auto (default): a
                      byte-order mark decides (UTF-8, UTF-16), else valid
                      UTF-8 is UTF-8, else GB18030; the output (also the
                      report of stats and title) is written in the input's
                      encoding. With utf-8 and auto, lines ending in "\n"
                      alone are processed as "\r\n" and written back with
                      "\n".
  -o DIR              Write each FILE's result to DIR/<name up to its last
                      ".">txt (a.b.html gives a.b.txt) instead of standard
                      output. DIR is created when missing. Empty files are
                      skipped, as in the batch mode. Not for stats, title.
  --merge             With -o: write all results, one after another, into
                      the file named after the first non-empty FILE.
  -h, --help          Show this help.
  --                  End of options.

Output files are written atomically (a temporary file, then a rename).

Exit status: 0 on success; 1 when a file could not be read, decoded or
written, or the OpenCC configuration could not be loaded (a message on
standard error names it; the other files are still processed); 2 on a usage
error.
)";

struct CommandName {
    std::string_view name;
    Command command;
};

constexpr CommandName kCommands[] = {
    {"typeset", Command::Typeset},
    {"strip-html", Command::StripHtml},
    {"strip-ubb", Command::StripUbb},
    {"remove-blank-lines", Command::RemoveBlankLines},
    {"delete-head-spaces", Command::DeleteHeadSpaces},
    {"replace", Command::Replace},
    {"to-traditional", Command::ToTraditional},
    {"to-simplified", Command::ToSimplified},
    {"upper", Command::Upper},
    {"lower", Command::Lower},
    {"stats", Command::Stats},
    {"title", Command::Title},
};

std::string argumentText(std::string_view arg) {
    // Arguments come from a UTF-8 terminal; anything else is taken as GB18030.
    std::string s = text::isValidUtf8(arg) ? text::gb(arg) : std::string(arg);
    return text::lfToCrLf(s);
}

bool parseEncoding(std::string_view v, text::EncodingChoice& out) {
    if (v == "auto") out = text::EncodingChoice::Auto;
    else if (v == "gb18030" || v == "gbk" || v == "GB18030" || v == "GBK") out = text::EncodingChoice::Gb18030;
    else if (v == "utf-8" || v == "utf8" || v == "UTF-8") out = text::EncodingChoice::Utf8;
    else return false;
    return true;
}

bool makeDirectories(const std::string& dir, std::string& error) {
    std::string path;
    for (std::size_t i = 0; i <= dir.size(); ++i) {
        if (i < dir.size() && dir[i] != '/') continue;
        path = dir.substr(0, i);
        if (path.empty()) continue;
        if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
            error = std::strerror(errno);
            return false;
        }
    }
    struct stat st{};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = "not a directory";
        return false;
    }
    return true;
}

std::string displayName(const std::string& input) { return input == "-" ? "standard input" : input; }

// Progress on a terminal: one line, rewritten in place.
class TerminalProgress final : public engine::TypesetProgress {
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

std::string_view helpText() { return kHelp; }

std::string outputNameFor(std::string_view inputPath) { return batch::outputNameFor(inputPath); }

std::optional<Command> commandNamed(std::string_view name) {
    for (const CommandName& c : kCommands)
        if (c.name == name) return c.command;
    return std::nullopt;
}

ParseResult parseCommandLine(const std::vector<std::string>& args) {
    ParseResult r;
    CliConfig& c = r.config;
    std::size_t i = 0;
    if (i < args.size()) {
        if (const auto command = commandNamed(args[i])) {
            c.command = *command;
            ++i;
        }
    }
    const bool typeset = c.command == Command::Typeset;
    bool optionsEnded = false;
    // What the command line sets itself; a settings file fills in the rest,
    // wherever --config stands.
    engine::TypesetOptions setByHand;
    bool signatureByHand = false, headByHand = false, tailByHand = false;
    std::vector<std::string> positional;
    auto need = [&](const std::string& opt) -> const std::string* {
        if (i + 1 >= args.size()) {
            r.error = "option " + opt + " needs a value";
            return nullptr;
        }
        return &args[++i];
    };
    auto typesetOnly = [&](const std::string& opt) {
        if (!typeset) r.error = "option " + opt + " applies to typeset only";
        return typeset;
    };
    for (; i < args.size() && r.error.empty(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a == "-" || !a.starts_with("-")) {
            positional.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
        } else if (a == "-h" || a == "--help") {
            c.help = true;
        } else if (a == "--set") {
            const std::string* v = need(a);
            if (!v || !typesetOnly(a)) break;
            const std::size_t eq = v->find('=');
            const std::string name = v->substr(0, eq);
            const auto* field = engine::findTypesetOptionField(name);
            const std::string value = eq == std::string::npos ? "" : v->substr(eq + 1);
            if (!field) r.error = "unknown switch '" + name + "' (see --help for the names)";
            else if (value != "0" && value != "1") r.error = "--set " + name + " needs the value 0 or 1";
            else c.options.*(field->member) = value == "1";
            if (field) setByHand.*(field->member) = true;
        } else if (a == "--signature") {
            if (typesetOnly(a)) c.signature = signatureByHand = true;
        } else if (a == "--config") {
            const std::string* v = need(a);
            if (!v || !typesetOnly(a)) break;
            std::string why;
            const auto stored = settings::readSettingsFile(*v, &why);
            if (!stored) {
                r.error = "cannot read settings file " + *v + ": " + why;
                break;
            }
            for (const auto& f : engine::typesetOptionFields())
                if (!(setByHand.*(f.member))) c.options.*(f.member) = stored->options.*(f.member);
            if (!signatureByHand) c.signature = stored->signatureEnabled;
            if (!headByHand) c.headTemplate = stored->headSignatureTemplate;
            if (!tailByHand) c.tailTemplate = stored->tailSignatureTemplate;
        } else if (a == "--head" || a == "--tail") {
            const std::string* v = need(a);
            if (!v || !typesetOnly(a)) break;
            (a == "--head" ? c.headTemplate : c.tailTemplate) = argumentText(*v);
            (a == "--head" ? headByHand : tailByHand) = true;
        } else if (a == "--now") {
            const std::string* v = need(a);
            if (!v || !typesetOnly(a)) break;
            corrections::DateTime d;
            if (!corrections::parseDateTime(*v, d)) r.error = "--now needs \"YYYY-MM-DD HH:MM:SS\", not '" + *v + "'";
            else c.now = d;
        } else if (a == "--encoding") {
            const std::string* v = need(a);
            if (!v) break;
            if (!parseEncoding(*v, c.encoding)) r.error = "unknown encoding '" + *v + "' (auto, gb18030, gbk, utf-8)";
        } else if (a == "-o" || a == "--output-dir") {
            const std::string* v = need(a);
            if (!v) break;
            if (v->empty()) r.error = "-o needs a directory";
            c.outDir = *v;
        } else if (a == "--merge") {
            c.merge = true;
        } else {
            r.error = "unknown option '" + a + "'";
        }
    }
    if (!r.error.empty() || c.help) return r;
    std::size_t firstFile = 0;
    if (c.command == Command::Replace) {
        if (positional.size() < 2) {
            r.error = "replace needs FIND and REPLACEMENT";
            return r;
        }
        c.find = argumentText(positional[0]);
        c.replacement = argumentText(positional[1]);
        firstFile = 2;
    }
    c.files.assign(positional.begin() + static_cast<std::ptrdiff_t>(firstFile), positional.end());
    if (c.merge && c.outDir.empty()) r.error = "--merge needs -o DIR";
    if (!c.outDir.empty()) {
        if (c.command == Command::Stats || c.command == Command::Title)
            r.error = "-o is not for stats and title: they print a report";
        if (c.files.empty()) r.error = "-o needs FILE arguments: standard input has no name";
        for (const auto& f : c.files)
            if (f == "-") r.error = "-o needs FILE arguments: standard input has no name";
    }
    return r;
}

namespace {

// The result of the command on one decoded input, which it takes over: a
// long text is then held at most twice (input and result).
std::string applyCommand(const CliConfig& c, std::string&& text, const text::TextFormat& format,
                         engine::RunContext& ctx, engine::TypesetProgress* progress) {
    auto consume = [&text](auto&& fn) {
        std::string result = fn(std::string_view(text));
        std::string().swap(text);
        return result;
    };
    switch (c.command) {
        case Command::Typeset: return engine::typesetOwnedText(std::move(text), false, c.options, ctx, progress);
        case Command::StripHtml:
            // The line feeds of an HTML source are no breaks; in a file read
            // with "\n" breaks they stand as "\r\n" here and go whole, not
            // leaving their "\r" behind.
            if (format.lfOnly) text::replaceAllInPlace(text, "\r\n", "\n");
            return batch::htmlToTextTaking(std::move(text));
        case Command::StripUbb: return consume([](std::string_view t) { return batch::stripForumCodes(t); });
        case Command::RemoveBlankLines: return consume([](std::string_view t) { return engine::removeBlankLines(t); });
        case Command::DeleteHeadSpaces:
            return consume([](std::string_view t) { return engine::deleteParagraphHeadSpaces(t); });
        case Command::Replace:
            return consume([&](std::string_view t) { return engine::replaceAllInText(t, c.find, c.replacement); });
        case Command::ToTraditional:
            return consume([&](std::string_view t) { return ctx.scriptConverter->toTraditionalChinese(t); });
        case Command::ToSimplified:
            return consume([&](std::string_view t) { return ctx.scriptConverter->toSimplifiedChinese(t); });
        case Command::Upper: return consume([](std::string_view t) { return corrections::upperCaseForm(t); });
        case Command::Lower: return consume([](std::string_view t) { return corrections::lowerCaseForm(t); });
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
        s.out(kHelp);
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
        if (!makeDirectories(config.outDir, why)) {
            fail("cannot create output directory " + config.outDir + ": " + why);
            return status;
        }
    }

    std::vector<std::string> inputs = config.files;
    if (inputs.empty()) inputs.push_back("-");
    // Every output is known, and checked against the inputs, before the
    // first file is read.
    std::vector<batch::PlannedOutput> plan;
    if (!config.outDir.empty()) {
        plan = batch::planOutputs(inputs, config.outDir, config.merge);
        for (const auto& p : plan)
            if (!p.warning.empty()) s.err("folvane-cli: warning: " + p.warning + "\n");
    }
    // A result that ends with a line break of its own (a report, a tool's
    // text) needs only the blank lines of the separator.
    const std::string separator = batch::resultSeparator(config.options);
    auto separatorAfter = [&separator](bool endsWithBreak) {
        return std::string_view(separator).substr(endsWithBreak ? 2 : 0);
    };

    // Standard output and the merged file are streams of results; a
    // separator goes between non-empty ones.
    bool stdoutHasResult = false, stdoutEndsWithBreak = false;
    text::TextFormat stdoutFormat;
    std::optional<text::AtomicFileWriter> merged;
    bool mergedHasResult = false, mergedEndsWithBreak = false;
    text::TextFormat mergedFormat;
    std::string mergedError;

    for (std::size_t index = 0; index < inputs.size(); ++index) {
        const std::string& input = inputs[index];
        if (!plan.empty() && !plan[index].refusal.empty()) {
            fail(displayName(input) + ": not written: " + plan[index].refusal);
            continue;
        }
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
            if (!config.outDir.empty() && bytes.empty()) continue;  // nothing to write, as in the batch
            auto decoded = text::decodeTakingBytes(std::move(bytes), config.encoding, &why);
            if (!decoded) {
                fail(displayName(input) + ": " + why);
                continue;
            }

            std::optional<TerminalProgress> progress;
            if (typeset && s.errIsTerminal) progress.emplace(s, displayName(input));
            const std::string result = applyCommand(config, std::move(decoded->text), decoded->format, ctx,
                                                    progress ? &*progress : nullptr);

            if (config.outDir.empty()) {
                if (result.empty()) continue;
                if (stdoutHasResult) {
                    text::TextFormat f = stdoutFormat;
                    f.bom = false;
                    text::encodeTextTo(separatorAfter(stdoutEndsWithBreak), f, s.out);
                }
                text::encodeTextTo(result, decoded->format, s.out);
                stdoutHasResult = true;
                stdoutEndsWithBreak = result.ends_with("\r\n");
                stdoutFormat = decoded->format;
            } else if (config.merge) {
                if (!merged) {
                    merged.emplace(plan[index].path);
                    mergedFormat = decoded->format;
                    if (!merged->open(&mergedError)) continue;
                } else if (!merged->isOpen()) {
                    continue;  // the merged file could not be written; reported at the end
                }
                if (result.empty()) continue;
                text::TextFormat f = mergedFormat;
                std::function<void(std::string_view)> sink = [&](std::string_view piece) {
                    if (merged->isOpen()) merged->write(piece, &mergedError);
                };
                if (mergedHasResult) {
                    f.bom = false;  // a byte-order mark at the start of the file only
                    text::encodeTextTo(separatorAfter(mergedEndsWithBreak), f, sink);
                }
                text::encodeTextTo(result, f, sink);
                mergedHasResult = true;
                mergedEndsWithBreak = result.ends_with("\r\n");
            } else {
                const std::string& path = plan[index].path;
                text::AtomicFileWriter out(path);
                if (!out.open(&why)) {
                    fail("cannot write " + path + ": " + why);
                    continue;
                }
                text::encodeTextTo(result, decoded->format, [&](std::string_view piece) {
                    if (out.isOpen()) out.write(piece, &why);
                });
                if (!out.isOpen() || !out.commit(&why)) fail("cannot write " + path + ": " + why);
            }
        } catch (const std::bad_alloc&) {
            fail(displayName(input) + ": not enough memory to process it");
        } catch (const std::length_error&) {
            fail(displayName(input) + ": too large to process");
        }
    }
    if (merged) {
        if (!merged->isOpen() || !merged->commit(&mergedError))
            fail("cannot write " + merged->path() + ": " + mergedError);
    }
    return status;
}

}  // namespace folvane::cli
