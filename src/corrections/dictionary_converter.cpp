#include "corrections/dictionary_converter.h"

#include <array>
#include <cstring>
#include <map>

#include "corrections/script_matcher.h"
#include "corrections/script_tables_data.h"

namespace folvane::corrections {

namespace {

constexpr std::array<std::string_view, 4> kStandardNames{"opencc", "tw", "twp", "hk"};

}  // namespace

std::string_view scriptStandardName(ScriptStandard standard) {
    return kStandardNames[static_cast<std::size_t>(standard)];
}

std::optional<ScriptStandard> scriptStandardNamed(std::string_view name) {
    for (std::size_t i = 0; i < kStandardNames.size(); ++i)
        if (kStandardNames[i] == name) return static_cast<ScriptStandard>(i);
    return std::nullopt;
}

struct DictionaryConverter::Tables {
    std::map<std::string_view, script::Dictionary> dicts;
    std::array<script::Chain, 8> chains;  // direction * 4 + standard

    const script::Dictionary* get(std::string_view name) const { return &dicts.at(name); }

    Tables() {
        for (std::size_t i = 0; i < script::kTableCount; ++i) {
            const script::TableData& t = script::kTables[i];
            // Taiwan's words may have another number of characters than the
            // words they stand for, and are used so.
            const bool changesCount = t.name == "TWPhrases" || t.name == "TWPhrasesRev";
            script::Dictionary& d = dicts.emplace(t.name, script::Dictionary(changesCount)).first->second;
            std::string_view rest = t.lines;
            while (!rest.empty()) {
                const std::size_t nl = rest.find('\n');
                const std::string_view line = rest.substr(0, nl);
                rest.remove_prefix(nl == std::string_view::npos ? rest.size() : nl + 1);
                const std::size_t tab = line.find('\t');
                if (tab != std::string_view::npos) d.add(line.substr(0, tab), line.substr(tab + 1));
            }
            d.seal();
        }
        const script::Group compat{{get("CJK_Compatibility_Ideographs")}, true};
        const script::Group stPhrases{{get("STPhrases"), get("STPhrasesRegional")}, false};
        const script::Group s2t{{get("STPhrases"), get("STPhrasesRegional"), get("STCharacters")}, false};
        const script::Group t2s{{get("TSPhrases"), get("TSCharactersExt"), get("TSCharacters")}, true};
        const script::Group tsPhrases{{get("TSPhrases")}, true};
        auto toTraditional = [&](ScriptStandard s) -> script::Chain& {
            return chains[static_cast<std::size_t>(s)];
        };
        auto toSimplified = [&](ScriptStandard s) -> script::Chain& {
            return chains[4 + static_cast<std::size_t>(s)];
        };
        toTraditional(ScriptStandard::OpenCC) = {compat, {}, {s2t}};
        toSimplified(ScriptStandard::OpenCC) = {compat, {}, {t2s}};
        toTraditional(ScriptStandard::Taiwan) = {
            compat, stPhrases, {s2t, {{get("TWVariantsPhrases"), get("TWVariants")}, true}}};
        toSimplified(ScriptStandard::Taiwan) = {
            compat, tsPhrases, {{{get("TWVariantsRevPhrases"), get("TWVariantsRev")}, true}, t2s}};
        toTraditional(ScriptStandard::TaiwanPhrases) = {
            compat, stPhrases, {s2t, {{get("TWPhrases"), get("TWVariantsPhrases"), get("TWVariants")}, true}}};
        toSimplified(ScriptStandard::TaiwanPhrases) = {
            compat,
            tsPhrases,
            {{{get("TWPhrasesRev"), get("TWVariantsRevPhrases"), get("TWVariantsRev")}, true}, t2s}};
        toTraditional(ScriptStandard::HongKong) = {
            compat, stPhrases, {s2t, {{get("HKVariantsPhrases"), get("HKVariants")}, true}}};
        toSimplified(ScriptStandard::HongKong) = {
            compat, tsPhrases, {{{get("HKVariantsRevPhrases"), get("HKVariantsRev")}, true}, t2s}};
    }

    const script::Chain& chain(ScriptDirection d, ScriptStandard s) const {
        return chains[(d == ScriptDirection::ToSimplified ? 4 : 0) + static_cast<std::size_t>(s)];
    }
};

DictionaryConverter::DictionaryConverter() = default;
DictionaryConverter::~DictionaryConverter() = default;

const DictionaryConverter::Tables& DictionaryConverter::tables() const {
    std::call_once(once_, [this] { tables_ = std::make_unique<Tables>(); });
    return *tables_;
}

void DictionaryConverter::load() const { tables(); }

namespace {

// Long texts are converted in pieces cut after a line break (no dictionary
// key holds one), so that the scratch space stays small.
constexpr std::size_t kPieceBytes = 64 * 1024;

std::size_t pieceEnd(std::string_view text, std::size_t start) {
    if (text.size() - start <= kPieceBytes) return text.size();
    const std::size_t nl = text.find('\n', start + kPieceBytes);
    return nl == std::string_view::npos ? text.size() : nl + 1;
}

}  // namespace

std::string DictionaryConverter::convert(std::string_view text, ScriptDirection direction,
                                         ScriptStandard standard) const {
    std::string out;
    out.reserve(text.size());
    const script::Chain& chain = tables().chain(direction, standard);
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = pieceEnd(text, start);
        script::convert(text.substr(start, end - start), chain, true, out);
        start = end;
    }
    return out;
}

void DictionaryConverter::convertInPlace(std::string& text, ScriptDirection direction,
                                         ScriptStandard standard) const {
    const script::Chain& chain = tables().chain(direction, standard);
    std::string piece;
    std::string grown;  // used from the first piece that changes its length on
    bool growing = false;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = pieceEnd(text, start);
        piece.clear();
        script::convert(std::string_view(text).substr(start, end - start), chain, true, piece);
        if (!growing && piece.size() == end - start) {
            std::memcpy(text.data() + start, piece.data(), piece.size());
        } else {
            if (!growing) {
                grown.reserve(text.size() + text.size() / 16);
                grown.assign(text, 0, start);
                growing = true;
            }
            grown += piece;
        }
        start = end;
    }
    if (growing) text = std::move(grown);
}

}  // namespace folvane::corrections
