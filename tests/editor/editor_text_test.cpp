#include "editor/editor_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "text/codec.h"

namespace folvane::editor {
namespace {

TEST(EditorText, EncodesAsThePlainTextWould) {
    struct Case {
        std::u16string units;
        std::string gb;
    };
    const std::vector<Case> cases = {
        {u"", ""},
        {u"a\nb", "a\r\nb"},
        {u"a\u2029b", "a\r\nb"},            // paragraph separator of the document
        {u"a\u2028b", "a\r\nb"},            // line separator (Shift+Enter)
        {u"a\u00A0b", "a b"},               // the plain text spells a no-break space as a space
        {u"\u554A", "\xB0\xA1"},
        {u"\xD840\xDC00", "\x95\x32\x82\x36"},  // above the BMP: four bytes
        {u"\xDC81", "\x81"},                // an escaped byte gives back the byte
        {u"\xD840", "\x84\x31\xA4\x37"},    // a lone high surrogate: replacement character
    };
    for (const Case& c : cases) EXPECT_EQ(encodeEditorUnits(c.units), c.gb) << c.gb;
}

TEST(EditorText, DecodesWithOneUnitALineBreak) {
    EXPECT_EQ(decodeForEditor("a\r\nb"), u"a\nb");
    EXPECT_EQ(decodeForEditor("a\rb"), u"a\rb");
    EXPECT_EQ(decodeForEditor("\xB0\xA1\x80"), u"\u554A\xDC80");
    EXPECT_EQ(EditorText::fromBytes("a\r\n\xB0\xA1").unitCount(), 3u);
}

TEST(EditorText, EmptyTextAndEditsAtItsEnds) {
    EditorText t;
    EXPECT_TRUE(t.empty());
    EXPECT_EQ(t.str(), "");
    EXPECT_EQ(t.substr(3, 4), "");
    EditorText::Region r = t.regionForUnits(0, 0);
    ByteChange c = t.replaceRegion(r, u"ab");
    EXPECT_EQ(t.str(), "ab");
    EXPECT_EQ(c.pos, 0u);
    EXPECT_EQ(c.addedLength, 2u);
    r = t.regionForUnits(2, 0);  // typing at the very end
    c = t.replaceRegion(r, u"ab\u554A");
    EXPECT_EQ(t.str(), "ab\xB0\xA1");
    EXPECT_EQ(c.pos, 2u);
    EXPECT_EQ(c.removed, "");
    EXPECT_EQ(c.addedLength, 2u);
    r = t.regionForUnits(0, 3);  // everything goes
    c = t.replaceRegion(r, u"");
    EXPECT_TRUE(t.empty());
    EXPECT_EQ(c.removed, "ab\xB0\xA1");
    EXPECT_EQ(t.unitCount(), 0u);
}

// Random units of an editor: Chinese, ASCII, line ends of every kind, a
// character above the BMP, and now and then an escaped byte.
std::u16string randomUnits(std::mt19937& rng, std::size_t n, bool withEscapes) {
    static const std::vector<std::u16string> pieces = {
        u"\u554A", u"\u4E2D\u6587", u"a", u"0", u"\u2029", u"\n", u"\uFF0C", u" ", u"\u00A0", u"\xD840\xDC00", u"\u3000"};
    std::u16string s;
    while (s.size() < n) {
        if (withEscapes && rng() % 50 == 0) s += static_cast<char16_t>(0xDC80 + rng() % 0x80);
        else s += pieces[rng() % pieces.size()];
    }
    return s;
}

// Edits of every size at random places, on texts of many chunks: the text
// is always the encoding of the editor's units, and the reported byte change
// leads from the old bytes to the new ones.
TEST(EditorText, StaysTheEncodingOfTheEditorUnderRandomEdits) {
    std::mt19937 rng(1312);
    for (int round = 0; round < 12; ++round) {
        const bool escapes = round % 2 == 1;
        std::u16string editor = randomUnits(rng, 1000 + rng() % 60000, escapes);
        EditorText t = EditorText::fromUnits(editor);
        ASSERT_EQ(t.str(), encodeEditorUnits(editor));
        for (int step = 0; step < 200; ++step) {
            const std::size_t pos = editor.empty() ? 0 : rng() % (editor.size() + 1);
            std::size_t removed = rng() % 3 == 0 ? rng() % 40 : 0;
            if (rng() % 40 == 0) removed = rng() % 20000;  // a large selection
            removed = std::min(removed, editor.size() - pos);
            const std::u16string added = randomUnits(rng, rng() % 4 == 0 ? 0 : (rng() % 20 == 0 ? rng() % 30000 : 1 + rng() % 3), escapes);
            // A character above the BMP is never split by the editor's own caret.
            const auto splits = [&](std::size_t at) {
                return at > 0 && at < editor.size() && editor[at - 1] >= 0xD800 && editor[at - 1] <= 0xDBFF;
            };
            if (splits(pos) || splits(pos + removed)) continue;

            const std::string before = t.str();
            const EditorText::Region region = t.regionForUnits(pos, removed);
            editor.replace(pos, removed, added);
            ASSERT_LE(region.unitBegin, pos);
            const std::size_t regionEnd = region.unitEnd - removed + added.size();
            const ByteChange c = t.replaceRegion(region, std::u16string_view(editor).substr(region.unitBegin, regionEnd - region.unitBegin));
            const std::string after = t.str();
            if (step % 10 == 0) {
                ASSERT_EQ(after, encodeEditorUnits(editor)) << round << "/" << step;
            }
            ASSERT_EQ(t.unitCount(), editor.size());
            ASSERT_EQ(t.size(), after.size());
            std::string back = after;
            back.replace(c.pos, c.addedLength, c.removed);
            ASSERT_EQ(back, before);
            ASSERT_EQ(c.changed(), before != after);
        }
        EXPECT_EQ(t.str(), encodeEditorUnits(editor));
        EXPECT_GT(t.chunkCount(), 1u);
    }
}

// Byte replacements (the way undo and redo change the text): the text holds
// the new bytes, and the change it reports turns what the editor showed
// into the decoding of the new text.
TEST(EditorText, ByteReplacementsTellTheEditorWhatToShow) {
    std::mt19937 rng(77);
    for (int round = 0; round < 20; ++round) {
        std::string bytes = encodeEditorUnits(randomUnits(rng, 500 + rng() % 50000, false));
        EditorText t = EditorText::fromBytes(bytes);
        std::u16string editor = decodeForEditor(bytes);
        ASSERT_EQ(t.unitCount(), editor.size());
        for (int step = 0; step < 100; ++step) {
            const std::size_t pos = rng() % (bytes.size() + 1);
            const std::size_t len = std::min<std::size_t>(rng() % 3 == 0 ? rng() % 5000 : rng() % 8, bytes.size() - pos);
            // Byte-wise differences may start inside a character.
            const std::string with = rng() % 3 == 0 ? std::string() : encodeEditorUnits(randomUnits(rng, 1 + rng() % 30, false)).substr(rng() % 2);
            bytes.replace(pos, len, with);
            const EditorChange c = t.replaceBytes(pos, len, with);
            ASSERT_EQ(t.str(), bytes) << round << "/" << step;
            ASSERT_LE(c.pos + c.removed, editor.size());
            editor.replace(c.pos, c.removed, c.added);
            if (step % 10 == 0) {
                ASSERT_EQ(editor, decodeForEditor(bytes)) << round << "/" << step;
            }
            ASSERT_EQ(t.unitCount(), editor.size());
        }
        EXPECT_EQ(editor, decodeForEditor(bytes));
    }
}

// A long stretch without a byte after which a chunk may end is cut at a
// character boundary; a "\r\n" there, one unit in the editor, stays whole.
TEST(EditorText, LongStretchesAreCutOutsideALineEnd) {
    for (const std::size_t lead : {std::size_t{0}, std::size_t{1}, std::size_t{2}}) {
        std::string text(lead, 'a');
        while (text.size() < 2 * EditorText::kChunkBytes - 1) text += "\xD6\xD0";  // 中
        text.resize(2 * EditorText::kChunkBytes - 1, 'a');
        text += "\r\n";
        text += std::string(3 * EditorText::kChunkBytes, 'b');
        const EditorText t = EditorText::fromBytes(text);
        EXPECT_EQ(t.str(), text);
        EXPECT_EQ(t.unitCount(), decodeForEditor(text).size()) << lead;
        EditorText u;
        const EditorChange c = u.replaceBytes(0, 0, text);
        EXPECT_EQ(c.added, decodeForEditor(text)) << lead;
        EXPECT_EQ(u.unitCount(), c.added.size()) << lead;
    }
}

TEST(EditorText, ComparesAndCopiesAcrossChunks) {
    std::mt19937 rng(5);
    const std::u16string units = randomUnits(rng, 40000, false);
    const EditorText a = EditorText::fromUnits(units);
    const std::string flat = a.str();
    ASSERT_GT(a.chunkCount(), 3u);
    EXPECT_TRUE(a == flat);
    EXPECT_FALSE(a == flat.substr(1));
    std::string other = flat;
    other[flat.size() / 2] ^= 1;
    EXPECT_EQ(a.commonPrefix(other), flat.size() / 2);
    EXPECT_EQ(a.commonSuffix(other, flat.size()), flat.size() - flat.size() / 2 - 1);
    EXPECT_EQ(a.commonSuffix(other, 10), 10u);
    const EditorText b = EditorText::fromBytes(other);
    EXPECT_EQ(a.commonPrefix(b), flat.size() / 2);
    EXPECT_EQ(a.commonSuffix(b, flat.size()), flat.size() - flat.size() / 2 - 1);
    for (std::size_t pos : {std::size_t{0}, std::size_t{1}, flat.size() / 3, flat.size() - 1})
        EXPECT_EQ(a.substr(pos, 9000), flat.substr(pos, 9000));
    // A stretch of the text against a string: from its start, from its end,
    // and never beyond the stretch itself.
    const std::size_t mid = flat.size() / 2;
    struct Stretch {
        std::size_t pos, len;
        std::string other;
        std::size_t prefix, suffix;
    };
    const Stretch stretches[] = {
        {0, flat.size(), other, mid, flat.size() - mid - 1},
        {mid - 9000, 18000, other.substr(mid - 9000, 18000), 9000, 8999},
        {mid + 1, 20000, flat.substr(mid + 1, 20000), 20000, 20000},
        {mid + 1, 20000, flat.substr(mid + 1, 20000) + static_cast<char>(flat[mid + 20000] ^ 1), 20000, 0},  // the string goes on
        {100, 0, flat.substr(100, 10), 0, 0},
        {flat.size() - 5, 100, flat.substr(flat.size() - 5), 5, 5},  // cut at the text's end
    };
    for (const Stretch& s : stretches) {
        EXPECT_EQ(a.commonPrefixAt(s.pos, s.len, s.other), s.prefix) << s.pos;
        EXPECT_EQ(a.commonSuffixAt(s.pos, s.len, s.other, flat.size()), s.suffix) << s.pos;
    }
    EXPECT_EQ(a.commonSuffixAt(mid + 1, 20000, flat.substr(mid + 1, 20000), 7), 7u);
    // Memory stays near the text's own size.
    EXPECT_LT(a.memoryUsage(), flat.size() + flat.size() / 2 + 4096);
}


// What the editor shows for a text read from a file: a lone "\r", U+FDD0
// and U+FDD1 become paragraph ends, line breaks may be line separators.
std::u16string shown(std::u16string units) {
    for (char16_t& u : units)
        if (u == u'\r' || u == u'\n' || u == 0xFDD0 || u == 0xFDD1) u = 0x2029;
    return units;
}

// Typing a character and deleting it again gives back the very bytes that
// were read, whatever the characters around it.
TEST(EditorText, UntouchedCharactersKeepTheirBytes) {
    struct Case {
        const char* name;
        std::u16string text;  // what was read, as units
    };
    const std::vector<Case> cases = {
        {"lone carriage returns", u"a\rb\rc"},
        {"one lone carriage return among line breaks", u"a\nb\rc\nd"},
        {"no-break space", u"a\u00A0b"},
        {"line and paragraph separators", u"a\u2028b\u2029c"},
        {"non-characters", u"a\uFDD0b\uFDD1c"},
        {"all of them, long", std::u16string(3000, u'\u554A') + u"\r\u00A0\u2028\uFDD0" + std::u16string(9000, u'x')},
    };
    for (const Case& c : cases) {
        EditorText t = EditorText::fromExactUnits(c.text);
        const std::string read = t.str();
        EXPECT_EQ(decodeForEditor(read), c.text) << c.name;
        for (const std::size_t at : {std::size_t{0}, std::size_t{2}, c.text.size()}) {
            std::u16string editor = shown(c.text);
            auto edit = [&](std::size_t pos, std::size_t removed, std::u16string_view added) {
                const EditorText::Region r = t.regionForUnits(pos, removed);
                editor.replace(pos, removed, added);
                const std::size_t end = r.unitEnd - removed + added.size();
                t.replaceRegion(r, std::u16string_view(editor).substr(r.unitBegin, end - r.unitBegin));
            };
            edit(at, 0, u"z");
            edit(at, 1, u"");
            EXPECT_EQ(t.str(), read) << c.name << " at " << at;
            EXPECT_EQ(t.unitCount(), c.text.size());
        }
    }
}

}  // namespace
}  // namespace folvane::editor
