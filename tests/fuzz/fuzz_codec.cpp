// The codec: a file that decodes is written back byte for byte in its own
// format; the editor's bridge gives back every byte string unchanged, and
// decodes long texts (by a table) as short ones; the UTF-8 ways by tables
// give what the ways by iconv give, line breaks included.
#include "codec_reference.h"
#include "fuzz_input.h"
#include "text/codec.h"

using namespace folvane;

namespace {

// Long UTF-8 texts (from this length on) are read and written by tables.
constexpr std::size_t kLong = 64 * 1024;

void checkLongUtf8(std::string_view bytes, std::uint8_t shape) {
    // The input behind a long run of a short piece of it, so that the
    // table's way reads and writes it; ASCII when that piece is no UTF-8.
    std::string piece(bytes.substr(0, shape % 8 + 1));
    if (piece.empty() || !text::isValidUtf8(piece)) piece = shape & 8 ? "\r\n" : "a\n";
    // A piece that starts with a byte-order mark would make one of the
    // file (read apart from the text); the reference reads it as a character.
    std::string body = piece.starts_with("\xEF\xBB\xBF") ? "a" : "";
    body.reserve(kLong + bytes.size() + piece.size());
    while (body.size() < kLong) body += piece;
    body += bytes;
    const auto expected = testing::referenceDecodeUtf8(body);
    const auto d = text::decodeText(body, text::EncodingChoice::Utf8);
    fuzz::require(d.has_value() == expected.has_value(), "the table reads UTF-8 unlike iconv");
    if (!d) return;
    fuzz::require(d->text == expected->text && d->format.lfOnly == expected->format.lfOnly &&
                      d->format.lineBreaks == expected->format.lineBreaks &&
                      d->format.crLfBreaks == expected->format.crLfBreaks,
                  "the table reads UTF-8 or its breaks unlike iconv");
    fuzz::require(text::encodeText(d->text, d->format) == body, "a long UTF-8 file is not written back");
    std::string changed = d->text;
    changed.insert(changed.size() / 2, bytes);  // any bytes, line breaks changed
    fuzz::require(text::encodeText(changed, d->format) == testing::referenceEncodeUtf8(changed, d->format),
                  "the table writes UTF-8 unlike iconv");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t choiceByte = in.byte();
    const std::string_view bytes = in.rest();
    const text::EncodingChoice choice = choiceByte % 3 == 0   ? text::EncodingChoice::Auto
                                        : choiceByte % 3 == 1 ? text::EncodingChoice::Utf8
                                                              : text::EncodingChoice::Gb18030;
    std::string error;
    if (const auto d = text::decodeText(bytes, choice, &error)) {
        fuzz::require(text::encodeText(d->text, d->format) == bytes, "decoding and encoding changes the file");
        fuzz::require(text::gb18030FromUtf16(text::gb18030ToUtf16(d->text)) == d->text,
                      "the editor changes a decoded text");
    } else {
        fuzz::require(!error.empty(), "a refusal without a message");
    }
    fuzz::require(text::gb18030FromUtf16(text::gb18030ToUtf16(bytes)) == bytes, "the editor changes bytes");
    fuzz::require(text::gb18030ToUtf16ByTable(bytes) == text::gb18030ToUtf16(bytes),
                  "the table decodes unlike iconv");
    if (const auto gb = text::utf8ToGb18030(bytes))
        fuzz::require(text::gb18030ToUtf8(*gb) == bytes, "UTF-8 does not survive GB18030");
    fuzz::require(text::utf8ToGb18030ByTable(bytes) == text::utf8ToGb18030ByIconv(bytes),
                  "the table encodes UTF-8 unlike iconv");
    fuzz::require(text::gb18030ToUtf8ByTable(bytes) == text::gb18030ToUtf8ByIconv(bytes),
                  "the table decodes GB18030 unlike iconv");
    // One input in four also as a long file (it costs a long text's work).
    if ((choiceByte & 0x30) == 0)
        checkLongUtf8(bytes, static_cast<std::uint8_t>((choiceByte >> 2 & 0x3) | (choiceByte >> 4 & 0xC)));
    return 0;
}
