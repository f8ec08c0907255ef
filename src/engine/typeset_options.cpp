#include "engine/typeset_options.h"

#include <array>

namespace folvane::engine {
namespace {

using O = TypesetOptions;
using G = OptionsGroup;
constexpr auto kCheck = OptionsControl::Check;
constexpr auto kComposite = OptionsControl::Composite;
constexpr auto kNoBar = QuickBarPlace::None;

// clang-format off
constexpr std::array kFields{
    TypesetOptionField{"trimParagraphEnds", &O::trimParagraphEnds, "删除首尾空格", true, 2, G::Spaces, 0, kComposite, "",
        kNoBar, "", "Remove the spaces at both ends of every paragraph."},
    TypesetOptionField{"addIndent", &O::addIndent, "修正空格", true, 1, G::Spaces, 1, kComposite, "",
        kNoBar, "", "Indent every paragraph."},
    TypesetOptionField{"indentFullWidth", &O::indentFullWidth, "全角空格", true, 0, G::Spaces, 2, kComposite, "",
        kNoBar, "", "Indent with two full-width spaces instead of four half-width ones."},
    TypesetOptionField{"lineBreakFix", &O::lineBreakFix, "修正换行", true, 3, G::Paragraphs, 0, kComposite, "",
        kNoBar, "", "Drop blank lines and rebuild the spacing between paragraphs."},
    TypesetOptionField{"doubleBreak", &O::doubleBreak, "双换行", false, 4, G::Paragraphs, 1, kComposite, "",
        kNoBar, "", "One blank line between paragraphs."},
    TypesetOptionField{"tripleBreak", &O::tripleBreak, "三换行", false, 5, G::Paragraphs, 2, kComposite, "",
        kNoBar, "", "Two blank lines between paragraphs."},
    TypesetOptionField{"joinNonParagraphBreaks", &O::joinNonParagraphBreaks, "清除非段落换行", false, 6,
        G::Paragraphs, 3, kComposite, "", QuickBarPlace::Upper, "删除非段落换行",
        "Join the lines that do not end a paragraph."},
    TypesetOptionField{"toTraditional", &O::toTraditional, "统一成繁体", false, 7, G::Script, 0, kComposite, "",
        kNoBar, "", "Convert to traditional characters."},
    TypesetOptionField{"toSimplified", &O::toSimplified, "统一成简体", false, 8, G::Script, 1, kComposite, "",
        kNoBar, "", "Convert to simplified characters."},
    TypesetOptionField{"fullToHalfWidth", &O::fullToHalfWidth, "全角转半角", false, 9, G::Width, 1, kComposite, "",
        kNoBar, "", "Full-width letters, digits and signs to half-width."},
    // The width switch lives under the key "修正标点"; punctuation has "标点修正".
    TypesetOptionField{"halfToFullWidth", &O::halfToFullWidth, "修正标点", false, 10, G::Width, 0, kComposite, "",
        kNoBar, "", "Half-width letters, digits and signs to full-width."},
    TypesetOptionField{"fixPunctuation", &O::fixPunctuation, "标点修正", false, 11, G::Punctuation, 0, kCheck,
        "标点修正", kNoBar, "", "ASCII punctuation after a character that is not half-width becomes the Chinese mark; dots and ellipses are normalised."},
    TypesetOptionField{"fixQuotes", &O::fixQuotes, "引号修正", false, 12, G::Punctuation, 1, kCheck, "引号修正",
        kNoBar, "", "Quotation marks become Chinese ones, opening and closing in turn (continued from file to file)."},
    TypesetOptionField{"stripHeadNoise", &O::stripHeadNoise, "去段首干扰", false, 13, G::Special, 0, kCheck,
        "去段首干扰符(仅半角字符)", kNoBar, "", "Remove the half-width characters at the head of every line."},
    TypesetOptionField{"stripTailNoise", &O::stripTailNoise, "去干扰符", false, 14, G::Special, 1, kCheck,
        "去段尾干扰符(仅半角字符)", kNoBar, "", "Remove the half-width characters and full-width spaces at the end of every line."},
    TypesetOptionField{"fillBlankLines", &O::fillBlankLines, "空行补空格", false, 15, G::Special, 2, kCheck,
        "在空行中增加空格", kNoBar, "", "Put the indentation into the blank lines between paragraphs."},
    TypesetOptionField{"copyAfter", &O::copyAfter, "自动拷贝", false, 16, G::Special, 3, kCheck, "排版后拷贝全文",
        QuickBarPlace::Lower, "排版后拷贝", "Desktop program: copy the whole text after a run."},
    TypesetOptionField{"cutAfter", &O::cutAfter, "自动剪切", false, 17, G::Special, 4, kCheck, "排版后剪切全文",
        QuickBarPlace::Lower, "排版后剪切", "Desktop program: cut the whole text after a run."},
    TypesetOptionField{"minimizeAfter", &O::minimizeAfter, "最小化", false, 18, G::Special, 5, kCheck,
        "排版后最小化窗口", QuickBarPlace::Lower, "排版后最小化窗口",
        "Desktop program: minimise the main window after a run."},
    TypesetOptionField{"protectLinks", &O::protectLinks, "保护网址和代码", true, 19, G::Punctuation, 2, kCheck,
        "保护网址和代码", kNoBar, "", "Links, e-mail addresses, code between backticks and ticker suffixes (.US) pass the width, punctuation and quote corrections unchanged, and a line ending in one is not joined into the next."},
    TypesetOptionField{"spaceHanLatin", &O::spaceHanLatin, "中英文间加空格", false, 20, G::Punctuation, 3, kCheck,
        "中英文间加空格", kNoBar, "", "One half-width space between a Chinese character and an ASCII letter or digit (none inside links and code, none where a space is)."},
    TypesetOptionField{"smartJoin", &O::smartJoin, "智能合并换行", false, 21, G::Paragraphs, 4, kCheck, "智能合并换行",
        kNoBar, "", "With joinNonParagraphBreaks: headings (short lines before a blank line, 第…章) stay paragraphs of their own, and a paragraph also ends after an ellipsis or a dash."},
    TypesetOptionField{"mixedPunctuation", &O::mixedPunctuation, "中英混排标点", false, 22, G::Punctuation, 4, kCheck,
        "中英混排标点", kNoBar, "", "With fixPunctuation: a comma or full stop after Latin text inside a Chinese clause becomes the Chinese mark (iPhone,好 gives iPhone，好), English and Korean sentences keep their marks, parentheses become full-width only around Chinese text (computed() stays) and \"..\" stays outside Chinese text (cd ..)."},
};
// clang-format on

constexpr std::string_view kGroupCaptions[kOptionsGroupCount] = {"空格", "段落", "繁简转换",
                                                                  "半角/全角", "标点", "特殊功能(选用)"};

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

std::string_view optionsGroupCaptionUtf8(OptionsGroup group) { return kGroupCaptions[static_cast<int>(group)]; }

std::string indentText(const TypesetOptions& options) {
    if (!options.addIndent) return {};
    return options.indentFullWidth ? std::string("\xA1\xA1\xA1\xA1") : std::string(4, ' ');
}

}  // namespace folvane::engine
