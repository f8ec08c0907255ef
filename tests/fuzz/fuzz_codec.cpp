// The codec: a file that decodes is written back byte for byte in its own
// format; the editor's bridge gives back every byte string unchanged, and
// decodes a long text as it decodes its pieces.
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
    if (choiceByte % 8 == 7) {
        // A long text is decoded another way than a short one; copies of the
        // input parted by line feeds (which always start a character) must
        // decode as copies of the short decoding.
        std::string longText;
        std::u16string expected;
        const std::u16string one = text::gb18030ToUtf16(bytes) + u'\n';
        while (longText.size() < 70000) {
            longText.append(bytes).push_back('\n');
            expected += one;
        }
        fuzz::require(text::gb18030ToUtf16(longText) == expected, "a long text decodes unlike its pieces");
    }
    if (const auto gb = text::utf8ToGb18030(bytes))
        fuzz::require(text::gb18030ToUtf8(*gb) == bytes, "UTF-8 does not survive GB18030");
    return 0;
}
