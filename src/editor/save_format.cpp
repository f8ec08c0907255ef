#include "editor/save_format.h"

#include <algorithm>

namespace folvane::editor {

using text::Encoding;

const std::array<SaveEncoding, kSaveEncodingCount>& saveEncodings() {
    static const std::array<SaveEncoding, kSaveEncodingCount> list = {{
        {"GB18030", Encoding::Gb18030, false},
        {"UTF-8", Encoding::Utf8, false},
        {"UTF-8 BOM", Encoding::Utf8, true},
        {"UTF-16 LE", Encoding::Utf16LE, true},
    }};
    return list;
}

std::size_t saveEncodingIndex(const text::TextFormat& format) {
    switch (format.encoding) {
    case Encoding::Gb18030: return 0;
    case Encoding::Utf8: return format.bom ? 2 : 1;
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: return 3;
    }
    return 0;
}

std::size_t lineBreakIndex(const text::TextFormat& format) { return format.lfOnly ? 1 : 0; }

text::TextFormat saveAsFormat(std::size_t encodingIndex, std::size_t lineBreakIndex) {
    const SaveEncoding& e = saveEncodings()[std::min(encodingIndex, kSaveEncodingCount - 1)];
    text::TextFormat f;
    f.encoding = e.encoding;
    f.bom = e.bom;
    f.lfOnly = lineBreakIndex == 1;
    return f;
}

std::string formatStatus(const text::TextFormat& format) {
    std::string name;
    switch (format.encoding) {
    case Encoding::Gb18030: name = "GB18030"; break;
    case Encoding::Utf8: name = format.bom ? "UTF-8 BOM" : "UTF-8"; break;
    case Encoding::Utf16LE: name = "UTF-16 LE"; break;
    case Encoding::Utf16BE: name = "UTF-16 BE"; break;
    }
    return name + (format.lfOnly ? "  LF" : "  CRLF");
}

std::string formatStatus(const text::TextFormat& format, engine::DocumentFormat documentFormat) {
    const std::string status = formatStatus(format);
    return documentFormat == engine::DocumentFormat::Markdown ? "Markdown  " + status : status;
}

std::size_t documentFormatIndex(engine::DocumentFormat format) {
    return format == engine::DocumentFormat::Markdown ? 1 : 0;
}

engine::DocumentFormat documentFormatAt(std::size_t index) {
    return index == 1 ? engine::DocumentFormat::Markdown : engine::DocumentFormat::Text;
}

}  // namespace folvane::editor
