#include "cli/cli.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "engine/typeset.h"
#include "settings/settings_record.h"
#include "text/file_io.h"

namespace folvane::cli {
namespace {

constexpr std::string_view kHelp = R"(Usage: folvane-cli [typeset] [OPTIONS] [FILE...]

Typesets Chinese articles: rebuilds the paragraphs (indentation, joined
lines, blank lines between paragraphs), cleans line ends and adds signatures.
Each FILE (standard input when there is none, or for "-") is typeset and the
result written to standard output. Several files are typeset one after
another with one run context: quote pairing and signatures continue from file
to file, as in the batch mode.

Options:
  --set NAME=0|1      Set one typesetting switch (repeatable). The starting
                      point is the default configuration: trimParagraphEnds,
                      addIndent, indentFullWidth and lineBreakFix on, the
                      rest off. Names: trimParagraphEnds addIndent
                      indentFullWidth lineBreakFix doubleBreak tripleBreak
                      joinNonParagraphBreaks toTraditional toSimplified
                      fullToHalfWidth halfToFullWidth fixPunctuation fixQuotes
                      stripHeadNoise stripTailNoise fillBlankLines copyAfter
                      cutAfter minimizeAfter
  --signature         Add the head and tail signatures (and take off those
                      this run added to an earlier file).
  --config FILE       Start from the settings file (config.ini) of the
                      desktop program: its nineteen switches (an absent key
                      is off; exclusive pairs resolved as the program does),
                      and its signatures: the flag 首尾签名 switches them on,
                      首签名 and 尾签名 are the templates. --set, --signature,
                      --head and --tail win over it wherever they stand.
  --head TEXT         Head signature template; a newline in TEXT is a line
                      break. Tokens #YYYY #MM #DD #HH #II #SS are replaced by
                      the date and time.
  --tail TEXT         Tail signature template.
  --now "YYYY-MM-DD HH:MM:SS"
                      The clock for the date templates (default: local time).
  --encoding auto|gb18030|gbk|utf-8
                      gb18030 (alias gbk): bytes pass untouched, line breaks
                      included. utf-8: UTF-8 in and out. auto (default): a
                      byte-order mark decides (UTF-8, UTF-16), else valid
                      UTF-8 is UTF-8, else GB18030; the output is written in
                      the input's encoding. With utf-8 and auto, lines ending
                      in "\n" alone are typeset as "\r\n" and written back
                      with "\n".
  -o DIR              Write each FILE's result to DIR/<name up to its last
                      ".">txt (a.b.html gives a.b.txt) instead of standard
                      output. DIR is created when missing. Empty files are
                      skipped, as in the batch mode.
  --merge             With -o: write all results, one after another, into
                      the file named after the first non-empty FILE.
  -h, --help          Show this help.
  --                  End of options.

Output files are written atomically (a temporary file, then a rename).

Exit status: 0 on success; 1 when a file could not be read, decoded or
written (a message on standard error names it; the other files are still
processed); 2 on a usage error.
)";

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

std::string outputNameFor(std::string_view inputPath) {
    const std::size_t slash = inputPath.find_last_of("/\\");
    std::string_view name = slash == std::string_view::npos ? inputPath : inputPath.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return std::string(name) + ".txt";
    return std::string(name.substr(0, dot + 1)) + "txt";
}

ParseResult parseCommandLine(const std::vector<std::string>& args) {
    ParseResult r;
    CliConfig& c = r.config;
    std::size_t i = 0;
    if (i < args.size() && args[i] == "typeset") ++i;
    bool optionsEnded = false;
    // What the command line sets itself; a settings file fills in the rest,
    // wherever --config stands.
    engine::TypesetOptions setByHand;
    bool signatureByHand = false, headByHand = false, tailByHand = false;
    auto need = [&](const std::string& opt) -> const std::string* {
        if (i + 1 >= args.size()) {
            r.error = "option " + opt + " needs a value";
            return nullptr;
        }
        return &args[++i];
    };
    for (; i < args.size() && r.error.empty(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a == "-" || !a.starts_with("-")) {
            c.files.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
        } else if (a == "-h" || a == "--help") {
            c.help = true;
        } else if (a == "--set") {
            const std::string* v = need(a);
            if (!v) break;
            const std::size_t eq = v->find('=');
            const std::string name = v->substr(0, eq);
            const auto* field = engine::findTypesetOptionField(name);
            const std::string value = eq == std::string::npos ? "" : v->substr(eq + 1);
            if (!field) r.error = "unknown switch '" + name + "' (see --help for the names)";
            else if (value != "0" && value != "1") r.error = "--set " + name + " needs the value 0 or 1";
            else c.options.*(field->member) = value == "1";
            if (field) setByHand.*(field->member) = true;
        } else if (a == "--signature") {
            c.signature = signatureByHand = true;
        } else if (a == "--config") {
            const std::string* v = need(a);
            if (!v) break;
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
            if (!v) break;
            (a == "--head" ? c.headTemplate : c.tailTemplate) = argumentText(*v);
            (a == "--head" ? headByHand : tailByHand) = true;
        } else if (a == "--now") {
            const std::string* v = need(a);
            if (!v) break;
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
    if (c.merge && c.outDir.empty()) r.error = "--merge needs -o DIR";
    if (!c.outDir.empty()) {
        if (c.files.empty()) r.error = "-o needs FILE arguments: standard input has no name";
        for (const auto& f : c.files)
            if (f == "-") r.error = "-o needs FILE arguments: standard input has no name";
    }
    return r;
}

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

    if (!config.outDir.empty()) {
        std::string why;
        if (!makeDirectories(config.outDir, why)) {
            fail("cannot create output directory " + config.outDir + ": " + why);
            return status;
        }
    }

    std::vector<std::string> inputs = config.files;
    if (inputs.empty()) inputs.push_back("-");
    std::string merged;
    std::string mergedPath;
    text::TextFormat mergedFormat;

    for (const std::string& input : inputs) {
        std::string bytes;
        std::string why;
        const bool ok = input == "-" ? s.readStdin(bytes) : text::readFile(input, bytes, &why);
        if (!ok) {
            fail("cannot read " + displayName(input) + (why.empty() ? "" : ": " + why));
            continue;
        }
        if (!config.outDir.empty() && bytes.empty()) continue;  // nothing to write, as in the batch
        auto decoded = text::decodeText(bytes, config.encoding, &why);
        if (!decoded) {
            fail(displayName(input) + ": " + why);
            continue;
        }
        std::string().swap(bytes);

        std::optional<TerminalProgress> progress;
        if (s.errIsTerminal) progress.emplace(s, displayName(input));
        std::string result = engine::typesetText(decoded->text, {}, false, config.options, ctx,
                                                 progress ? &*progress : nullptr);
        std::string().swap(decoded->text);

        if (config.outDir.empty()) {
            s.out(text::encodeText(result, decoded->format));
        } else if (config.merge) {
            if (mergedPath.empty()) {
                mergedPath = config.outDir + "/" + outputNameFor(input);
                mergedFormat = decoded->format;
            }
            merged += text::encodeText(result, mergedFormat);
        } else {
            const std::string path = config.outDir + "/" + outputNameFor(input);
            if (!text::writeFileAtomically(path, text::encodeText(result, decoded->format), &why))
                fail("cannot write " + path + ": " + why);
        }
    }
    if (!mergedPath.empty()) {
        std::string why;
        if (!text::writeFileAtomically(mergedPath, merged, &why)) fail("cannot write " + mergedPath + ": " + why);
    }
    return status;
}

}  // namespace folvane::cli
