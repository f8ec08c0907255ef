// Conversion between GB18030 (the core's text model) and the encodings that
// files, terminals and the desktop use, and detection of a file's encoding.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace folvane::text {

enum class Encoding { Gb18030, Utf8, Utf16LE, Utf16BE };

// What was learnt about a file when it was read; writing with the same format
// gives back a file of the same encoding, byte-order mark and line breaks.
struct TextFormat {
    Encoding encoding = Encoding::Gb18030;
    bool bom = false;     // the file started with a byte-order mark
    bool lfOnly = false;  // lines ended in "\n" alone; the text holds "\r\n"
};

enum class EncodingChoice {
    Auto,     // BOM, else valid UTF-8, else GB18030
    Gb18030,  // bytes passed through untouched, line breaks included
    Utf8,     // UTF-8 (an optional BOM is kept)
};

// Name of an encoding for messages: "GB18030", "UTF-8", "UTF-16LE", "UTF-16BE".
std::string_view encodingName(Encoding e);

// True when `s` is well-formed UTF-8; otherwise `badOffset` receives the
// offset of the first byte that is not.
bool isValidUtf8(std::string_view s, std::size_t* badOffset = nullptr);

// UTF-8 to GB18030. Every Unicode character has a GB18030 form, so this fails
// only on malformed UTF-8 (nullopt, `badOffset` set).
std::optional<std::string> utf8ToGb18030(std::string_view utf8, std::size_t* badOffset = nullptr);

// GB18030 to UTF-8. Never fails: a byte that is no character is copied
// unchanged, so nothing is dropped.
std::string gb18030ToUtf8(std::string_view gb);

// GB18030 to UTF-16 for a text widget. A byte that is no character becomes
// the lone surrogate U+DC00 + byte (only bytes 0x80-0xFF ever need it), so
// that gb18030FromUtf16 gives back the very same bytes: an editor may show
// the text without ever losing a byte.
std::u16string gb18030ToUtf16(std::string_view gb);

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
// message) only when the bytes are not in the encoding asked for or found by
// a byte-order mark.
std::optional<DecodedText> decodeText(std::string_view bytes, EncodingChoice choice,
                                      std::string* error = nullptr);

// Bytes of `text` in `format`: the inverse of decodeText.
std::string encodeText(std::string_view text, const TextFormat& format);

// "\n" not preceded by "\r" becomes "\r\n"; and back.
std::string lfToCrLf(std::string_view s);
std::string crLfToLf(std::string_view s);

// True when lines end mostly in "\n" alone rather than in "\r\n".
bool mostlyLfOnly(std::string_view s);

}  // namespace folvane::text
