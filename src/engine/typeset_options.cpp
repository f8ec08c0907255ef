#include "engine/typeset_options.h"

#include <array>

namespace folvane::engine {
namespace {

using O = TypesetOptions;

constexpr std::array<TypesetOptionField, 19> kFields{{
    {"trimParagraphEnds", &O::trimParagraphEnds, "删除首尾空格", true},
    {"addIndent", &O::addIndent, "修正空格", true},
    {"indentFullWidth", &O::indentFullWidth, "全角空格", true},
    {"lineBreakFix", &O::lineBreakFix, "修正换行", true},
    {"doubleBreak", &O::doubleBreak, "双换行", false},
    {"tripleBreak", &O::tripleBreak, "三换行", false},
    {"joinNonParagraphBreaks", &O::joinNonParagraphBreaks, "清除非段落换行", false},
    {"toTraditional", &O::toTraditional, "统一成繁体", false},
    {"toSimplified", &O::toSimplified, "统一成简体", false},
    {"fullToHalfWidth", &O::fullToHalfWidth, "全角转半角", false},
    // The width switch lives under the key "修正标点"; punctuation has "标点修正".
    {"halfToFullWidth", &O::halfToFullWidth, "修正标点", false},
    {"fixPunctuation", &O::fixPunctuation, "标点修正", false},
    {"fixQuotes", &O::fixQuotes, "引号修正", false},
    {"stripHeadNoise", &O::stripHeadNoise, "去段首干扰", false},
    {"stripTailNoise", &O::stripTailNoise, "去干扰符", false},
    {"fillBlankLines", &O::fillBlankLines, "空行补空格", false},
    {"copyAfter", &O::copyAfter, "自动拷贝", false},
    {"cutAfter", &O::cutAfter, "自动剪切", false},
    {"minimizeAfter", &O::minimizeAfter, "最小化", false},
}};

}  // namespace

TypesetOptions TypesetOptions::defaults() {
    TypesetOptions o;
    for (const auto& f : kFields) o.*(f.member) = f.defaultValue;
    return o;
}

std::span<const TypesetOptionField> typesetOptionFields() { return kFields; }

const TypesetOptionField* findTypesetOptionField(std::string_view name) {
    for (const auto& f : kFields)
        if (f.name == name) return &f;
    return nullptr;
}

std::string indentText(const TypesetOptions& options) {
    if (!options.addIndent) return {};
    return options.indentFullWidth ? std::string("\xA1\xA1\xA1\xA1") : std::string(4, ' ');
}

}  // namespace folvane::engine
