// Build-time tool: compiles the converter's text dictionaries (UTF-8, as the
// converter ships them) into GB18030 tables embedded in the library, and
// derives the tables its configurations build from them: the reversed
// variant tables, the extra characters of "@tofu-risk" entries and the
// simplified keys of the regional phrases.
//
//   folvane-dictionary-compiler DICTIONARY_DIR OUTPUT.cpp
#include <iconv.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "corrections/script_matcher.h"

namespace {

using folvane::corrections::script::Chain;
using folvane::corrections::script::Dictionary;
using folvane::corrections::script::Group;

struct Entry {
    std::string key;
    std::vector<std::string> values;
};

struct TextDictionary {
    std::vector<Entry> entries;
    std::vector<std::pair<std::string, std::string>> reversePreferences;  // key, preferred value
    std::vector<Entry> tofuRisk;  // the entries after "@tofu-risk" lines, own key dropped
};

[[noreturn]] void die(const std::string& message) {
    std::fprintf(stderr, "folvane-dictionary-compiler: %s\n", message.c_str());
    std::exit(1);
}

std::string toGb18030(const std::string& utf8) {
    static iconv_t cd = iconv_open("GB18030", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) die("iconv cannot convert UTF-8 to GB18030");
    std::string out(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* o = out.data();
    std::size_t outLeft = out.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &in, &inLeft, &o, &outLeft) == static_cast<std::size_t>(-1)) die("not UTF-8: " + utf8);
    out.resize(out.size() - outLeft);
    return out;
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(s);
    while (std::getline(in, part, sep))
        if (!part.empty()) parts.push_back(part);
    return parts;
}

TextDictionary load(const std::string& dir, const std::string& name) {
    std::ifstream in(dir + "/" + name + ".txt");
    if (!in) die("cannot read " + dir + "/" + name + ".txt");
    TextDictionary d;
    std::string line;
    bool tofu = false;
    const std::string preferTag = "# @reverse-prefer:", tofuTag = "# @tofu-risk:";
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.starts_with(preferTag)) {
            const auto fields = split(line.substr(preferTag.size()), ' ');
            if (!fields.empty()) d.reversePreferences.emplace_back(toGb18030(fields.front()), toGb18030(fields.back()));
            continue;
        }
        if (line.starts_with(tofuTag)) {
            tofu = true;
            continue;
        }
        if (line.empty() || line[0] == '#') continue;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) die(name + ": line without a tab: " + line);
        Entry e{toGb18030(line.substr(0, tab)), {}};
        for (const std::string& v : split(line.substr(tab + 1), ' ')) e.values.push_back(toGb18030(v));
        if (e.values.empty()) die(name + ": entry without a value: " + line);
        if (tofu) {
            Entry extra{e.key, {}};
            for (const std::string& v : e.values)
                if (v != e.key) extra.values.push_back(v);
            if (!extra.values.empty()) d.tofuRisk.push_back(extra);
            tofu = false;
        }
        d.entries.push_back(std::move(e));
    }
    return d;
}

// Every value becomes a key whose values are the keys that had it; a
// "@reverse-prefer" line puts its value first.
std::vector<Entry> reversed(const TextDictionary& d) {
    std::map<std::string, std::vector<std::string>> byValue;
    std::vector<std::string> order;
    for (const Entry& e : d.entries)
        for (const std::string& v : e.values) {
            auto& keys = byValue[v];
            if (keys.empty()) order.push_back(v);
            keys.push_back(e.key);
        }
    for (const auto& [key, preferred] : d.reversePreferences) {
        auto it = byValue.find(key);
        if (it == byValue.end()) continue;
        auto& keys = it->second;
        auto p = std::find(keys.begin(), keys.end(), preferred);
        if (p != keys.end()) std::rotate(keys.begin(), p, p + 1);
    }
    std::vector<Entry> out;
    for (const std::string& v : order) out.push_back({v, byValue[v]});
    return out;
}

Dictionary indexOf(const std::vector<Entry>& entries) {
    Dictionary dict;
    for (const Entry& e : entries) dict.add(e.key, e.values.front());
    return dict;
}

// Simplified keys of regional phrases: each key converted to simplified
// characters becomes a key whose value is the original (traditional) key, so
// that a simplified text keeps these words whole for the regional passes.
// Keys of fewer than three characters are left out: they would cut longer
// words apart.
std::vector<Entry> simplifiedRegionalKeys(const std::vector<const TextDictionary*>& regional,
                                          const Chain& toSimplified) {
    std::vector<Entry> out;
    std::map<std::string, bool> seen;
    for (const TextDictionary* d : regional) {
        for (const Entry& e : d->entries) {
            std::string simplified;
            folvane::corrections::script::convert(e.key, toSimplified, false, simplified);
            if (folvane::corrections::script::charCount(simplified) < 3) continue;
            if (seen.emplace(simplified, true).second) out.push_back({simplified, {e.key}});
        }
    }
    return out;
}

void writeTable(std::ostream& out, std::size_t index, const std::vector<Entry>& entries) {
    out << "const char kTable" << index << "[] =\n    \"";
    std::size_t column = 0;
    auto put = [&](unsigned char c) {
        if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"' && c != '?') {
            out << static_cast<char>(c);
            ++column;
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\%03o", c);
            out << buf;
            column += 4;
        }
    };
    for (const Entry& e : entries) {
        for (unsigned char c : e.key) put(c);
        put('\t');
        for (unsigned char c : e.values.front()) put(c);
        put('\n');
        if (column > 100) {
            out << "\"\n    \"";
            column = 0;
        }
    }
    out << "\";\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) die("usage: folvane-dictionary-compiler DICTIONARY_DIR OUTPUT.cpp");
    const std::string dir = argv[1];
    const char* plain[] = {"CJK_Compatibility_Ideographs", "STCharacters", "STPhrases", "TSCharacters",
                           "TSPhrases", "TWPhrases", "TWPhrasesRev", "TWVariants", "TWVariantsPhrases",
                           "TWVariantsRevPhrases", "HKVariants", "HKVariantsPhrases", "HKVariantsRevPhrases"};
    std::map<std::string, TextDictionary> text;
    for (const char* name : plain) text[name] = load(dir, name);
    const TextDictionary hkPhrases = load(dir, "HKPhrases");

    std::vector<std::pair<std::string, std::vector<Entry>>> tables;
    for (const char* name : plain) tables.emplace_back(name, text[name].entries);
    tables.emplace_back("TWVariantsRev", reversed(text["TWVariants"]));
    tables.emplace_back("HKVariantsRev", reversed(text["HKVariants"]));
    tables.emplace_back("TSCharactersExt", text["TSCharacters"].tofuRisk);

    // The simplified conversion of the converter's standard, exactly (no
    // byte-length rule), for the simplified keys of the regional phrases.
    const Dictionary compat = indexOf(text["CJK_Compatibility_Ideographs"].entries);
    const Dictionary tsPhrases = indexOf(text["TSPhrases"].entries);
    const Dictionary tsExt = indexOf(text["TSCharacters"].tofuRisk);
    const Dictionary tsChars = indexOf(text["TSCharacters"].entries);
    Chain t2s;
    t2s.normalization.dicts = {&compat};
    t2s.passes.push_back(Group{{&tsPhrases, &tsExt, &tsChars}, true});
    tables.emplace_back("STPhrasesRegional", simplifiedRegionalKeys({&hkPhrases, &text["TWPhrases"]}, t2s));

    std::ofstream out(argv[2]);
    out << "// Generated by folvane-dictionary-compiler from data/dictionaries; do not edit.\n"
           "#include \"corrections/script_tables_data.h\"\n\n"
           "namespace folvane::corrections::script {\nnamespace {\n\n";
    for (std::size_t i = 0; i < tables.size(); ++i) writeTable(out, i, tables[i].second);
    out << "\n}  // namespace\n\nconst TableData kTables[] = {\n";
    for (std::size_t i = 0; i < tables.size(); ++i)
        out << "    {\"" << tables[i].first << "\", {kTable" << i << ", sizeof kTable" << i << " - 1}},\n";
    out << "};\nconst std::size_t kTableCount = " << tables.size() << ";\n\n}  // namespace folvane::corrections::script\n";
    if (!out.flush()) die(std::string("cannot write ") + argv[2]);
    return 0;
}
