// The encodings and line breaks Save As offers, and how the status bar
// names a document's format.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "engine/document_typeset.h"
#include "text/codec.h"

namespace folvane::editor {

struct SaveEncoding {
    const char* caption;  // UTF-8, as the save dialog lists it
    text::Encoding encoding;
    bool bom;
};

// GB18030, UTF-8, UTF-8 with a byte-order mark, UTF-16 LE. UTF-16 is always
// written with its byte-order mark: without one, no reader (ours included)
// can tell it from other bytes.
inline constexpr std::size_t kSaveEncodingCount = 4;
const std::array<SaveEncoding, kSaveEncodingCount>& saveEncodings();

// The line breaks offered: "\r\n" (index 0) and "\n" (index 1).
inline constexpr std::array<const char*, 2> kLineBreakCaptions = {"CRLF (Windows)", "LF (Unix)"};

// The entries that describe `format` best, for the dialog to start from
// (a UTF-16 BE file offers UTF-16 LE, the nearest it can write).
std::size_t saveEncodingIndex(const text::TextFormat& format);
std::size_t lineBreakIndex(const text::TextFormat& format);

// The format a text is written in for the chosen entries: one kind of line
// break throughout, whatever mix the file had.
text::TextFormat saveAsFormat(std::size_t encodingIndex, std::size_t lineBreakIndex);

// The status bar's note of a format (UTF-8 text): "GB18030  CRLF",
// "UTF-8 BOM  LF", "UTF-16 LE  CRLF".
std::string formatStatus(const text::TextFormat& format);
// The same with a Markdown document's format in front: "Markdown  UTF-8  LF"
// (a text document's note stays as above).
std::string formatStatus(const text::TextFormat& format, engine::DocumentFormat documentFormat);

// The document formats Save As offers, in its order: "纯文本" (Text, index 0)
// and "Markdown" (index 1).
inline constexpr std::array<const char*, 2> kDocumentFormatCaptions = {"纯文本", "Markdown"};
std::size_t documentFormatIndex(engine::DocumentFormat format);
engine::DocumentFormat documentFormatAt(std::size_t index);

}  // namespace folvane::editor
