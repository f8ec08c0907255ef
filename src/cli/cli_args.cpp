#include "cli/cli_args.h"

#include <CLI/CLI.hpp>

#include <algorithm>

#include "engine/document_typeset.h"
#include "engine/text_tools.h"
#include "engine/typeset_options.h"
#include "folvane_version.h"
#include "settings/settings_lifecycle.h"
#include "settings/settings_record.h"
#include "text/codec.h"

namespace folvane::cli {
namespace {

// The commands, in the order of the help: typeset, the text tools of the
// tool table, the reports.
struct CommandInfo {
    std::string_view name;
    std::string_view shown;  // as the help lists it
    Command command;
    engine::TextTool tool;
    std::string_view help;
};

const std::vector<CommandInfo>& commands() {
    static const std::vector<CommandInfo> table = [] {
        std::vector<CommandInfo> t{
            {"typeset", "typeset", Command::Typeset, {}, "Typeset with the switches of --set."}};
        for (const engine::TextToolRow& row : engine::textTools())
            t.push_back({row.name, row.shown, Command::Tool, row.tool, row.help});
        t.push_back({"stats", "stats", Command::Stats, {}, "Print the character statistics report."});
        t.push_back({"title", "title", Command::Title, {}, "Print the file name proposed for saving the text."});
        t.push_back({"lsp", "lsp", Command::Lsp, {},
                     "Serve the Language Server Protocol on standard input and output for text and Markdown "
                     "documents (diagnostics, code actions, formatting); takes no options and no FILE."});
        return t;
    }();
    return table;
}

const CommandInfo* findCommand(std::string_view name) {
    for (const CommandInfo& c : commands())
        if (c.name == name) return &c;
    return nullptr;
}

// The options, in the order of the help. `names` is the parser's spelling.
struct OptionInfo {
    std::string_view names;
    std::string_view shown;
    bool typesetOnly;
    std::string_view help;
};

enum OptionIndex {
    kSet, kSignature, kConfig, kHead, kTail, kNow, kEncoding, kStandard, kFormat, kOutDir, kMerge, kCheck, kNul, kDiff,
    kDiffEncoding, kReport, kNoRc, kHelp,
    kOptionCount
};

constexpr OptionInfo kOptions[kOptionCount] = {
    {"--set", "--set NAME=0|1", true,
     "Set one typesetting switch (repeatable). The starting point is the default configuration: "
     "the switches marked \"on by default\" on, the rest off; for a Markdown document it is fixPunctuation, "
     "spaceHanLatin and protectLinks. A .folvanerc sets its switches on top of it, --set wins over both. The "
     "names are listed under Switches."},
    {"--signature", "--signature", true,
     "Add the head and tail signatures (and take off those this run added to an earlier file)."},
    {"--config", "--config FILE", true,
     "Start from the settings file (config.ini) of the desktop program, as it starts: its switches "
     "(an absent key is off; exclusive pairs resolved as the program does), and its signatures: the flag "
     "首尾签名 switches them on, 首签名 and 尾签名 are the templates. A file whose stamp 版本 is not "
     FOLVANE_VERSION " gives the default switches and no signatures, with a notice. The file is never written. "
     "--set, --signature, --head and --tail win over it wherever they stand."},
    {"--head", "--head TEXT", true,
     "Head signature template; a newline in TEXT is a line break. Tokens #YYYY #MM #DD #HH #II #SS are "
     "replaced by the date and time."},
    {"--tail", "--tail TEXT", true, "Tail signature template."},
    {"--now", "--now \"YYYY-MM-DD HH:MM:SS\"", true, "The clock for the date templates (default: local time)."},
    {"--encoding", "--encoding auto|gb18030|gbk|utf-8", false,
     "gb18030 (alias gbk): bytes pass untouched, line breaks included. utf-8: UTF-8 in and out. auto "
     "(default): a byte-order mark decides (UTF-8, UTF-16), else valid UTF-8 is UTF-8 (unless it reads far "
     "better as GBK Chinese), else GB18030; the output (also the report of stats and title) is written in the "
     "input's encoding. With utf-8 and auto, lines ending in \"\\n\" alone are processed as \"\\r\\n\" and "
     "written back with \"\\n\"; a result with as many line breaks as its input keeps each line's own break "
     "(\"\\n\" or \"\\r\\n\")."},
    {"--standard", "--standard opencc|tw|twp|hk", false,
     "The standard of traditional characters for to-traditional, to-simplified and the conversions of "
     "toTraditional and toSimplified: opencc (default; the converter's own), tw (Taiwan's character forms), "
     "twp (Taiwan's forms and words: 软件 and 軟體; these words may change the length of the text), hk (Hong "
     "Kong's forms). Wins over the key 繁简标准 of --config."},
    {"--format", "--format auto|text|markdown", false,
     "The kind of document. auto (default): files named *.md, *.markdown and *.mdown are Markdown (or as the "
     "[format] patterns of a .folvanerc say), every other file and standard input text. In a Markdown "
     "document only the prose is corrected (the text of paragraphs, headings, list items, table cells, block "
     "quotes, emphasis, links, image descriptions and footnotes) by fixPunctuation, fixQuotes, spaceHanLatin, "
     "the width switches, toTraditional and toSimplified (with --standard) and protectLinks; every other byte "
     "stays as it is: code, link destinations, HTML, front matter, math ($...$, $$...$$), markers and "
     "indentation. The paragraph switches (trimParagraphEnds, addIndent, indentFullWidth, lineBreakFix, "
     "doubleBreak, tripleBreak, joinNonParagraphBreaks, smartJoin, stripHeadNoise, stripTailNoise, "
     "fillBlankLines) and --signature do not apply to it. Quotes pair within one block. Between "
     "\"<!-- folvane-disable -->\" and \"<!-- folvane-enable -->\", and on the line after \"<!-- "
     "folvane-disable-next-line -->\", nothing is corrected."},
    {"-o,--output-dir", "-o DIR", false,
     "Write each FILE's result to DIR/<name up to its last \".\">txt (a.b.html gives a.b.txt) instead of "
     "standard output, exactly as the batch window does: typeset turns .htm and .html files into text "
     "first. A Markdown file keeps its name (a.md gives a.md). DIR is created when missing. Empty files are skipped. A result that would replace an input not "
     "yet read is not written: that FILE fails with a message naming both paths (exit status 1), and the "
     "input is processed in its turn. When FILEs share an output name, the later result replaces the earlier, "
     "with a warning on standard error. Not for stats, title."},
    {"--merge", "--merge", false,
     "With -o: write all results, one after another, into the file named after the first non-empty FILE, in "
     "the encoding and line breaks of that FILE; non-empty results are separated by the paragraph break of the "
     "switches (one line break, plus the blank lines of doubleBreak or tripleBreak; one line break for the "
     "other commands). The file is put in place when the last FILE is done."},
    {"--check", "--check", false,
     "Write nothing: list on standard output the FILEs the command would change, one a line; exit status 1 "
     "when there is one, 0 when none would change. For a pre-commit hook or CI. A name that holds a control "
     "character (a line break, a tab), '\"', '\\' or bytes that are no UTF-8 is written as git writes it: in "
     "double quotes, with \\n, \\t, \\\", \\\\ and the like, and \\ooo (three octal digits) for any other such byte; "
     "other names, Chinese and spaces included, stand as they are."},
    {"-z", "-z", false,
     "With --check: end each name with a NUL byte instead of a line break, and write every name as it is, "
     "without quotes (for xargs -0)."},
    {"--diff", "--diff", false,
     "Write nothing: print a unified diff of the changes the command would make to each FILE; exit status 1 "
     "when there is one, 0 when none would change. With --check, the list comes first. The diff is made of "
     "the FILE's own bytes, whatever its encoding (GB18030, UTF-8 with or without a byte-order mark, UTF-16), "
     "each line with its own line break (\"\\r\\n\" stays), so that patch -p1 and git apply, run where "
     "folvane-cli ran, give the very bytes the command writes. A name is quoted as --check quotes it."},
    {"--diff-encoding", "--diff-encoding file|utf-8", false,
     "The bytes of --diff. file (default): the FILE's own, which apply. utf-8: the lines of a GB18030 or UTF-16 "
     "FILE in UTF-8, without a byte-order mark, to be read on a UTF-8 terminal; such a diff does not apply to "
     "that FILE. A UTF-8 FILE's diff is the same either way."},
    {"--report", "--report list|diff|json|github", false,
     "Write nothing: report what the command would change; exit status 1 when there is a change, 0 when none "
     "would. list is --check, diff is --diff; json prints one JSON array with a record per change (file, line, "
     "column, end {line, column}, rule, before, after; lines and columns from 1, columns in characters, of the "
     "file as it is; rule is the switch's name, or \"typeset\" where a text's paragraphs were rebuilt); github "
     "prints one annotation per change in the workflow-command format of GitHub Actions. Under --check, --diff "
     "and --report each FILE starts afresh: no quote left open and no signature from the FILE before."},
    {"--no-rc", "--no-rc", false,
     "Do not read .folvanerc files. Without it, each FILE's switches, standard and format come also from the "
     "nearest .folvanerc from its folder upward to the root of its repository (the folder that holds .git); "
     "standard input's from the working directory's. UTF-8 INI: NAME = 0|1 with the names of --set, standard = "
     "opencc|tw|twp|hk, and a section [format] of PATTERN = text|markdown (a pattern without \"/\" is matched "
     "against the file's name, else against its path from the .folvanerc's folder). The command line wins."},
    {"-h,--help", "-h, --help", false, "Show this help."},
};

constexpr std::string_view kHelpHead = R"(Usage: folvane-cli [typeset] [OPTIONS] [FILE...]
  or:  folvane-cli COMMAND [OPTIONS] [FILE...]
  or:  folvane-cli replace [OPTIONS] FIND REPLACEMENT [FILE...]

Typesets Chinese articles: rebuilds the paragraphs (indentation, joined
lines, blank lines between paragraphs), corrects punctuation and quotation
marks, converts scripts and widths, cleans line ends and adds signatures.
Each FILE (standard input when there is none, or for "-") is processed and
the result written to standard output. Several files are processed one after
another with one run context: quote pairing and signatures continue from file
to file, as in the batch mode (not under --check, --diff and --report, where
each file starts afresh). Their non-empty results are separated by the
paragraph break of the switches (one line break, plus the blank lines of
doubleBreak or tripleBreak); after a result that ends with a line break of
its own only the blank lines follow. A typeset result ends with a line break
exactly when its input did: the file's last break is part of its format. Only the first argument can name a
command.
Options take their value as the next argument or after "=" (--set=NAME=1).
)";

constexpr std::string_view kHelpTail = R"(
Output files are written atomically: a hidden temporary file beside the
target, then a rename. On SIGINT, SIGTERM, SIGHUP or any other signal that
ends the program the temporary file is removed and the target stays as it
was; temporary files that a killed run left behind go with the next run into
the same folder. An output that is a symbolic link is written through to its
target; an existing output keeps its hard links, owner and permission bits
(never set-user-ID, set-group-ID or sticky), with a warning for what cannot
be kept. An output that exists but is no regular file is not written.

Each FILE fails on its own, with a message naming it, and the other files
are still processed: a file that cannot be read, one larger than half the
machine's memory (refused before it is read; standard input too), one there
is not enough memory to process, one not in the encoding asked for, and an
output that cannot be written or would replace an input not yet read.

Exit status: 0 on success; 1 when a file failed so, or with --check or
--diff when a file would change; 2 on a usage error.
)";

constexpr std::size_t kHelpIndent = 22;
constexpr std::size_t kHelpWidth = 78;

// Display width of UTF-8 text: Chinese characters take two columns.
std::size_t displayWidth(std::string_view s) {
    std::size_t w = 0;
    for (unsigned char c : s) {
        if ((c & 0xC0) == 0x80) continue;
        w += c >= 0xE1 ? 2 : 1;
    }
    return w;
}

// One entry of the help: the name at column 2, the text wrapped from column
// kHelpIndent (a name too long for its column gets a line of its own).
void appendEntry(std::string& out, std::string_view shown, std::string_view help) {
    std::string line = "  " + std::string(shown);
    if (displayWidth(line) + 2 > kHelpIndent) {
        out += line + "\n";
        line.clear();
    }
    auto pad = [&] { line.append(kHelpIndent - std::min(kHelpIndent, displayWidth(line)), ' '); };
    pad();
    std::size_t used = kHelpIndent;
    std::size_t i = 0;
    bool first = true;
    while (i < help.size()) {
        std::size_t j = help.find(' ', i);
        if (j == std::string_view::npos) j = help.size();
        const std::string_view word = help.substr(i, j - i);
        i = j + 1;
        if (word.empty()) continue;
        if (!first && used + 1 + displayWidth(word) > kHelpWidth) {
            out += line + "\n";
            line.assign(kHelpIndent, ' ');
            used = kHelpIndent;
            first = true;
        }
        if (!first) {
            line += ' ';
            ++used;
        }
        line += word;
        used += displayWidth(word);
        first = false;
    }
    out += line + "\n";
}

std::string argumentText(std::string_view arg) {
    // Arguments come from a UTF-8 terminal; anything else is taken as GB18030.
    std::string s = text::isValidUtf8(arg) ? text::gb(arg) : std::string(arg);
    return text::lfToCrLf(s);
}

struct EncodingName {
    std::string_view name;
    text::EncodingChoice choice;
};
constexpr EncodingName kEncodings[] = {
    {"auto", text::EncodingChoice::Auto},     {"gb18030", text::EncodingChoice::Gb18030},
    {"gbk", text::EncodingChoice::Gb18030},   {"GB18030", text::EncodingChoice::Gb18030},
    {"GBK", text::EncodingChoice::Gb18030},   {"utf-8", text::EncodingChoice::Utf8},
    {"utf8", text::EncodingChoice::Utf8},     {"UTF-8", text::EncodingChoice::Utf8},
};

const EncodingName* findEncoding(std::string_view name) {
    for (const EncodingName& e : kEncodings)
        if (e.name == name) return &e;
    return nullptr;
}

// The values as the parser collects them; turned into a CliConfig after it.
struct Collected {
    bool help = false;
    std::vector<std::string> sets;
    bool signature = false;
    std::string config;
    std::string head, tail, now, encoding, outDir, standard, format, report;
    std::string diffEncoding;
    bool merge = false, check = false, nul = false, diff = false, noRc = false;
    std::vector<std::string> positional;
};

// Checks of single values, each naming what is wrong; the parser puts the
// option's name in front.
std::string checkSwitch(const std::string& v) {
    const std::size_t eq = v.find('=');
    const std::string name = v.substr(0, eq);
    if (!engine::findTypesetOptionField(name)) return "unknown switch '" + name + "' (see --help for the names)";
    const std::string value = eq == std::string::npos ? "" : v.substr(eq + 1);
    if (value != "0" && value != "1") return name + " needs the value 0 or 1, as in --set " + name + "=1";
    return {};
}

std::string checkEncoding(const std::string& v) {
    return findEncoding(v) ? std::string() : "unknown encoding '" + v + "' (auto, gb18030, gbk, utf-8)";
}

std::string checkNow(const std::string& v) {
    corrections::DateTime d;
    return corrections::parseDateTime(v, d) ? std::string() : "needs \"YYYY-MM-DD HH:MM:SS\", not '" + v + "'";
}

std::string checkStandard(const std::string& v) {
    return corrections::scriptStandardNamed(v) ? std::string()
                                               : "unknown standard '" + v + "' (opencc, tw, twp, hk)";
}

std::string checkFormat(const std::string& v) {
    return v == "auto" || engine::documentFormatNamed(v) ? std::string()
                                                          : "unknown format '" + v + "' (auto, text, markdown)";
}

std::string checkReport(const std::string& v) {
    return v == "list" || v == "diff" || v == "json" || v == "github"
               ? std::string()
               : "unknown report '" + v + "' (list, diff, json, github)";
}

std::string checkDiffEncoding(const std::string& v) {
    return v == "file" || v == "utf-8" ? std::string() : "unknown diff encoding '" + v + "' (file, utf-8)";
}

std::string checkDirectory(const std::string& v) { return v.empty() ? "needs a directory" : std::string(); }

CLI::Option* addOption(CLI::App& app, OptionIndex index, Collected& c) {
    const std::string names(kOptions[index].names);
    switch (index) {
        case kSet:
            // One value per occurrence, so that a FILE after it stays a FILE.
            return app.add_option(names, c.sets)->expected(1)->allow_extra_args(false)->take_all();
        case kSignature: return app.add_flag(names, c.signature);
        case kHelp: return app.add_flag(names, c.help);
        case kMerge: return app.add_flag(names, c.merge);
        case kCheck: return app.add_flag(names, c.check);
        case kNoRc: return app.add_flag(names, c.noRc);
        case kFormat:
            return app.add_option(names, c.format)->take_last()->check(CLI::Validator(checkFormat, ""));
        case kReport:
            return app.add_option(names, c.report)->take_last()->check(CLI::Validator(checkReport, ""));
        case kNul: return app.add_flag(names, c.nul);
        case kDiff: return app.add_flag(names, c.diff);
        case kDiffEncoding:
            return app.add_option(names, c.diffEncoding)->take_last()->check(CLI::Validator(checkDiffEncoding, ""));
        case kStandard:
            return app.add_option(names, c.standard)->take_last()->check(CLI::Validator(checkStandard, ""));
        case kConfig: return app.add_option(names, c.config)->take_last();
        case kHead: return app.add_option(names, c.head)->take_last();
        case kTail: return app.add_option(names, c.tail)->take_last();
        case kNow: return app.add_option(names, c.now)->take_last();
        case kEncoding:
            return app.add_option(names, c.encoding)->take_last()->check(CLI::Validator(checkEncoding, ""));
        case kOutDir: return app.add_option(names, c.outDir)->take_last()->check(CLI::Validator(checkDirectory, ""));
        case kOptionCount: break;
    }
    return nullptr;
}

// The parser's own messages, with the option's name in front where it has
// one, spelled as the help shows it ("-o", not "--output-dir").
std::string usageMessage(const CLI::ParseError& e, CLI::Option* const (&opts)[kOptionCount]) {
    std::string m = e.what();
    for (int i = 0; i < kOptionCount; ++i) {
        const std::string parserName = opts[i]->get_name() + ":";
        const std::string_view names = kOptions[i].names;
        const std::string shown(names.substr(0, names.find(',')));
        if (m.starts_with(parserName)) m = shown + ":" + m.substr(parserName.size());
    }
    // "--set: 1 required NAME=0|1 missing" and the like: say it plainly.
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&e)) {
        const std::size_t colon = m.find(':');
        if (colon != std::string::npos && m.starts_with("-")) return "option " + m.substr(0, colon) + " needs a value";
    }
    if (dynamic_cast<const CLI::ExtrasError*>(&e)) {
        // "The following argument was not expected: --bogus"
        const std::size_t colon = m.rfind(": ");
        if (colon != std::string::npos) return "unknown option '" + m.substr(colon + 2) + "'";
    }
    return m;
}

}  // namespace

std::optional<Command> commandNamed(std::string_view name) {
    if (const CommandInfo* c = findCommand(name)) return c->command;
    return std::nullopt;
}

std::vector<std::string_view> commandNames() {
    std::vector<std::string_view> names;
    for (const CommandInfo& c : commands()) names.push_back(c.name);
    return names;
}

std::string helpText() {
    std::string out(kHelpHead);
    out += "\nCommands (the default is typeset):\n";
    for (const CommandInfo& c : commands()) appendEntry(out, c.shown, c.help);
    out += "\nOptions:\n";
    for (const OptionInfo& o : kOptions) {
        std::string help = (o.typesetOnly ? "(typeset) " : "") + std::string(o.help);
        appendEntry(out, o.shown, help);
    }
    appendEntry(out, "--", "End of options: every later argument is a FILE.");
    out += "\nSwitches (for --set, with their keys in config.ini):\n";
    for (const auto& f : engine::typesetOptionFields()) {
        std::string help(f.help);
        if (f.defaultValue) help += " On by default.";
        help += " Key: " + std::string(f.configKeyUtf8) + ".";
        appendEntry(out, f.name, help);
    }
    out += kHelpTail;
    out += "\nfolvane-cli " FOLVANE_VERSION "\n";
    return out;
}

std::string diagnosticsText(const ParseResult& parsed) {
    if (!parsed.error.empty()) return "folvane-cli: " + parsed.error + "\nTry 'folvane-cli --help'.\n";
    std::string out;
    for (const std::string& n : parsed.notices) out += "folvane-cli: " + n + "\n";
    return out;
}

ParseResult parseCommandLine(const std::vector<std::string>& args) {
    ParseResult r;
    CliConfig& c = r.config;

    // Only the first argument names a command; without one it is typeset.
    // Exactly one subcommand is allowed, so a command name further on is a FILE.
    std::vector<std::string> argv = args;
    if (argv.empty() || !commandNamed(argv.front())) argv.insert(argv.begin(), "typeset");

    Collected got;
    CLI::App app("folvane-cli", "folvane-cli");
    app.set_help_flag();
    app.require_subcommand(1);
    CLI::Option* opts[kOptionCount] = {};
    for (int i = 0; i < kOptionCount; ++i) {
        opts[i] = addOption(app, static_cast<OptionIndex>(i), got);
        opts[i]->description(std::string(kOptions[i].help));
    }
    for (const CommandInfo& info : commands()) {
        CLI::App* sub = app.add_subcommand(std::string(info.name), std::string(info.help));
        sub->set_help_flag();
        sub->fallthrough();  // the options are the program's, before or after FILEs
        sub->add_option("FILE", got.positional);
    }

    std::reverse(argv.begin(), argv.end());  // the parser takes them last first
    try {
        app.parse(argv);
    } catch (const CLI::ParseError& e) {
        r.error = usageMessage(e, opts);
        return r;
    }

    const CommandInfo& chosen = *findCommand(app.get_subcommands().front()->get_name());
    c.command = chosen.command;
    c.tool = chosen.tool;
    if (got.help) {
        c.help = true;
        return r;
    }
    if (c.command == Command::Lsp) {
        for (int i = 0; i < kOptionCount; ++i)
            if (opts[i]->count() > 0) {
                r.error = "option " + opts[i]->get_name() + " is not for lsp: the editor's settings choose the switches";
                return r;
            }
        if (!got.positional.empty()) r.error = "lsp takes no FILE: the editor sends the documents";
        return r;
    }
    const bool typeset = c.command == Command::Typeset;
    for (int i = 0; i < kOptionCount; ++i) {
        if (!typeset && kOptions[i].typesetOnly && opts[i]->count() > 0) {
            r.error = "option " + opts[i]->get_name() + " applies to typeset only";
            return r;
        }
    }
    // The values of the typesetting options are checked once it is clear
    // that they apply.
    for (const std::string& s : got.sets) {
        if (std::string why = checkSwitch(s); !why.empty()) {
            r.error = "--set: " + why;
            return r;
        }
    }
    if (opts[kNow]->count() > 0) {
        if (std::string why = checkNow(got.now); !why.empty()) {
            r.error = "--now: " + why;
            return r;
        }
    }

    // The settings file first, then what the command line sets on top of it.
    bool fromFileSignature = false;
    if (opts[kConfig]->count() > 0) {
        std::string why;
        const auto stored = settings::readSettingsFile(got.config, &why);
        if (!stored) {
            r.error = "--config: cannot read settings file " + got.config + ": " + why;
            return r;
        }
        const settings::StartupTypesetting start = settings::startupTypesetting(*stored);
        if (start.defaultsRestored)
            r.notices.push_back("settings file " + got.config + " is not stamped " FOLVANE_VERSION
                                ": starting from the default switches without signatures, as the program does");
        c.options = start.options;
        c.configOptions = start.options;
        c.fromSettingsFile = true;
        c.standardGiven = true;
        fromFileSignature = start.signatureEnabled;
        c.headTemplate = start.headSignatureTemplate;
        c.tailTemplate = start.tailSignatureTemplate;
        c.standard = start.scriptStandard;
    }
    for (const std::string& s : got.sets) {
        const std::size_t eq = s.find('=');
        c.options.*(engine::findTypesetOptionField(s.substr(0, eq))->member) = s.substr(eq + 1) == "1";
        c.sets.emplace_back(s.substr(0, eq), s.substr(eq + 1) == "1");
    }
    c.signature = got.signature || fromFileSignature;
    if (opts[kHead]->count() > 0) c.headTemplate = argumentText(got.head);
    if (opts[kTail]->count() > 0) c.tailTemplate = argumentText(got.tail);
    if (opts[kNow]->count() > 0) {
        corrections::DateTime d;
        corrections::parseDateTime(got.now, d);
        c.now = d;
    }
    if (opts[kEncoding]->count() > 0) c.encoding = findEncoding(got.encoding)->choice;
    if (opts[kStandard]->count() > 0) {
        c.standard = *corrections::scriptStandardNamed(got.standard);
        c.standardGiven = true;
    }
    if (opts[kFormat]->count() > 0 && got.format != "auto") c.format = engine::documentFormatNamed(got.format);
    c.repositoryConfig = !got.noRc;
    c.check = got.check || got.report == "list";
    c.diff = got.diff || got.report == "diff";
    if (got.report == "json") c.report = CliConfig::Report::Json;
    else if (got.report == "github") c.report = CliConfig::Report::Github;
    c.nulSeparated = got.nul;
    c.diffUtf8 = got.diffEncoding == "utf-8";
    c.outDir = got.outDir;
    c.merge = got.merge;

    std::size_t firstFile = 0;
    if (c.command == Command::Tool && c.tool == engine::TextTool::Replace) {
        if (got.positional.size() < 2) {
            r.error = "replace needs FIND and REPLACEMENT";
            return r;
        }
        c.find = argumentText(got.positional[0]);
        c.replacement = argumentText(got.positional[1]);
        firstFile = 2;
    }
    c.files.assign(got.positional.begin() + static_cast<std::ptrdiff_t>(firstFile), got.positional.end());
    if (c.merge && c.outDir.empty()) r.error = "--merge needs -o DIR";
    const bool reportOnly = c.check || c.diff || c.report != CliConfig::Report::None;
    if (reportOnly && !c.outDir.empty()) r.error = "--check, --diff and --report write nothing: not with -o";
    if (reportOnly && (c.command == Command::Stats || c.command == Command::Title))
        r.error = "--check, --diff and --report are not for stats and title: they print a report";
    if (!c.outDir.empty() && r.error.empty()) {
        if (c.command == Command::Stats || c.command == Command::Title)
            r.error = "-o is not for stats and title: they print a report";
        else if (c.files.empty() || std::find(c.files.begin(), c.files.end(), "-") != c.files.end())
            r.error = "-o needs FILE arguments: standard input has no name";
    }
    return r;
}

}  // namespace folvane::cli
