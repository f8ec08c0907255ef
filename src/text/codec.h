// Conversion between GB18030 (the core's text model) and the encodings that
// files, terminals and the desktop use, and detection of a file's encoding.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace folvane::text {

enum class Encoding { Gb18030, Utf8, Utf16LE, Utf16BE };

// What was learnt about a file when it was read; writing with the same format
// gives back a file of the same encoding, byte-order mark and line breaks.
struct TextFormat {
    Encoding encoding = Encoding::Gb18030;
    bool bom = false;     // the file started with a byte-order mark
    bool lfOnly = false;  // lines ended in "\n" alone; the text holds "\r\n"
    // With lfOnly: the file's line breaks counted from 0, and those of them
    // that were "\r\n" after all. A text with as many breaks gets each
    // break back in its own form; any other text gets "\n" throughout.
    std::size_t lineBreaks = 0;
    std::vector<std::size_t> crLfBreaks;
    // The break the text ended with ("\r\n", or "\n" or "\r" where the
    // bytes passed as they were); empty when its last line had none. Part
    // of the file's format: keepFinalBreak gives a result the same end.
    std::string finalBreak;
};

// The line break a text ends with ("\r\n", "\n", "\r"), or "".
std::string_view finalBreakOf(std::string_view text);

// Puts the file's last line break back on `result` where a run took it off
// (a typeset text never ends with a break; one that a command made, such
// as a replacement's, stays).
void keepFinalBreak(std::string& result, const TextFormat& format);

enum class EncodingChoice {
    Auto,     // BOM, else valid UTF-8, UTF-16 by its zero bytes, UTF-8 with stray bytes, GB18030
    Gb18030,  // bytes passed through untouched, line breaks included
    Utf8,     // UTF-8 (an optional BOM is kept)
};

// Name of an encoding for messages: "GB18030", "UTF-8", "UTF-16LE", "UTF-16BE".
std::string_view encodingName(Encoding e);

// True when `s` is well-formed UTF-8; otherwise `badOffset` receives the
// offset of the first byte that is not.
bool isValidUtf8(std::string_view s, std::size_t* badOffset = nullptr);

// UTF-8 to GB18030. Every Unicode character has a GB18030 form, so this fails
// only on malformed UTF-8 (nullopt, `badOffset` set). The 24 private-use
// characters whose old two-byte codes now stand for standard characters
// take the four-byte codes those characters left free, as the current
// GB18030 table assigns them, so they come back unchanged.
std::optional<std::string> utf8ToGb18030(std::string_view utf8, std::size_t* badOffset = nullptr);
// The two ways utf8ToGb18030 takes: by iconv, and by a table of the BMP
// (what long texts take). The table's way gives nullopt for what it
// declines: malformed UTF-8 and characters without a form.
std::optional<std::string> utf8ToGb18030ByIconv(std::string_view utf8, std::size_t* badOffset = nullptr);
std::optional<std::string> utf8ToGb18030ByTable(std::string_view utf8);

// GB18030 to UTF-8. Never fails: a byte that is no character is copied
// unchanged, so nothing is dropped.
std::string gb18030ToUtf8(std::string_view gb);
// Appends the UTF-8 bytes of the code point `cp` to `out`.
void appendUtf8(char32_t cp, std::string& out);
// Its two ways: by iconv, and by a table of the two-byte codes (what long
// texts take; other characters still go to iconv).
std::string gb18030ToUtf8ByIconv(std::string_view gb);
std::string gb18030ToUtf8ByTable(std::string_view gb);

// True when `bytes`, valid UTF-8, are much more likely a GB18030 (GBK)
// text (never when its letters are those of one alphabet, three at least): every byte belongs to a GB18030 character, mostly common Han
// characters and Chinese punctuation, while the UTF-8 reading holds no
// Chinese at all but mostly rare letters and combining marks. Short GBK
// texts such as "同学" (CD AC D1 A7) are also valid UTF-8. Safe to ask of any bytes; the answer
// means something for valid UTF-8 only.
bool readsBetterAsGb18030(std::string_view bytes);

// GB18030 to UTF-16 for a text widget. A byte that is no character becomes
// the lone surrogate U+DC00 + byte (only bytes 0x80-0xFF ever need it), so
// that gb18030FromUtf16 gives back the very same bytes: an editor may show
// the text without ever losing a byte.
// With `editorLineBreaks`, every "\r\n" becomes "\n" as it is decoded (an
// editor's line end; gb18030FromUtf16 with editorLineBreaks turns it back).
std::u16string gb18030ToUtf16(std::string_view gb, bool editorLineBreaks = false);
// The same, by way of a table of the two-byte codes: what gb18030ToUtf16
// does for long texts.
std::u16string gb18030ToUtf16ByTable(std::string_view gb, bool editorLineBreaks = false);

// UTF-16 to GB18030; lone surrogates U+DC00-U+DCFF become the byte they
// stand for, other lone surrogates the replacement character. With
// `editorLineBreaks`, "\n", "\r\n" and U+2029 (an editor's line and
// paragraph ends) all become "\r\n".
std::string gb18030FromUtf16(std::u16string_view utf16, bool editorLineBreaks = false);

// A GB18030 text for a UTF-8 literal of the program's own (captions,
// markers). The literal must be valid UTF-8.
std::string gb(std::string_view utf8Literal);

struct DecodedText {
    std::string text;  // GB18030 with "\r\n" line breaks where the file had them
    TextFormat format;
};

// Reads a file's bytes as the core's text. Fails (nullopt, `error` set to a
// message naming the byte offset in the file) only when the bytes are not in
// the encoding asked for or found by a byte-order mark. Under Auto a text
// that is valid UTF-8 is UTF-8 unless readsBetterAsGb18030. Otherwise: text
// with the zero bytes of UTF-16 that reads as UTF-16 is UTF-16 (no mark);
// UTF-8 whose characters outnumber its stray bytes at least twice is UTF-8,
// each stray byte kept as a character of its own that is written back as
// that byte; text whose UTF-8 characters outnumber its stray bytes less than
// that is refused ("mixed encodings"); anything else is GB18030.
std::optional<DecodedText> decodeText(std::string_view bytes, EncodingChoice choice,
                                      std::string* error = nullptr);
// The same, taking over `bytes` (left empty) so that a GB18030 file is not
// copied at all and a large file is held at most twice.
std::optional<DecodedText> decodeTakingBytes(std::string&& bytes, EncodingChoice choice,
                                      std::string* error = nullptr);

// Bytes of `text` in `format`: the inverse of decodeText.
std::string encodeText(std::string_view text, const TextFormat& format);
// The same bytes handed to `sink` piece by piece (a piece is at most about
// a megabyte), so that a long text is never copied whole.
void encodeTextTo(std::string_view text, const TextFormat& format,
                  const std::function<void(std::string_view)>& sink);

// "\n" not preceded by "\r" becomes "\r\n"; and back.
std::string lfToCrLf(std::string_view s);
// lfToCrLf in place (no second copy of a long text). `crLfBreaks`, when
// given, receives the indices of the breaks that were "\r\n" already and
// `lineBreaks` the number of all breaks.
void lfToCrLfInPlace(std::string& s, std::vector<std::size_t>* crLfBreaks = nullptr,
                     std::size_t* lineBreaks = nullptr);
std::string crLfToLf(std::string_view s);

// True when lines end mostly in "\n" alone rather than in "\r\n".
bool mostlyLfOnly(std::string_view s);

}  // namespace folvane::text
