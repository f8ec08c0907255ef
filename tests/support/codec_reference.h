// The UTF-8 ways in and out of the codec done one step at a time (iconv,
// then the line breaks), as they were first written: what the codec's
// one-pass ways by tables must give byte for byte.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "text/codec.h"

namespace folvane::testing {

// The body of a UTF-8 file (after any byte-order mark) read as decodeText
// reads it.
inline std::optional<text::DecodedText> referenceDecodeUtf8(std::string_view body) {
    auto gb = text::utf8ToGb18030ByIconv(body);
    if (!gb) return std::nullopt;
    text::DecodedText d;
    d.format.encoding = text::Encoding::Utf8;
    d.text = std::move(*gb);
    if (d.text.find('\n') == std::string::npos || text::mostlyLfOnly(d.text)) {
        d.format.lfOnly = true;
        text::lfToCrLfInPlace(d.text, &d.format.crLfBreaks, &d.format.lineBreaks);
    }
    return d;
}

// `text` written as UTF-8 in `format`, byte-order mark left out.
inline std::string referenceEncodeUtf8(std::string_view text, const text::TextFormat& format) {
    if (!format.lfOnly) return text::gb18030ToUtf8ByIconv(text);
    std::size_t breaks = 0;
    for (std::size_t p = text.find("\r\n"); p != std::string_view::npos; p = text.find("\r\n", p + 2)) ++breaks;
    const bool ownBreaks = !format.crLfBreaks.empty() && breaks == format.lineBreaks;
    std::string body;
    std::size_t copied = 0, index = 0, nextCrLf = 0;
    for (std::size_t p = text.find("\r\n"); p != std::string_view::npos; p = text.find("\r\n", p + 2), ++index) {
        const bool keepCr =
            ownBreaks && nextCrLf < format.crLfBreaks.size() && format.crLfBreaks[nextCrLf] == index;
        if (keepCr) ++nextCrLf;
        body.append(text, copied, p - copied);
        body += keepCr ? "\r\n" : "\n";
        copied = p + 2;
    }
    body.append(text, copied);
    return text::gb18030ToUtf8ByIconv(body);
}

}  // namespace folvane::testing
