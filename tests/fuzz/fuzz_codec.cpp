// The codec: a file that decodes is written back byte for byte in its own
// format; the editor's bridge gives back every byte string unchanged, and
// decodes long texts (by a table) as short ones.
#include "fuzz_input.h"
#include "text/codec.h"

using namespace folvane;

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
    return 0;
}
