// The editor's text as the core sees it (GB18030, "\r\n" line breaks), kept
// in step with the editor edit by edit.
//
// The text is a list of chunks of a few kilobytes. Each chunk holds its
// GB18030 bytes and the number of UTF-16 code units the editor holds for
// them, so a position in the editor maps to a chunk by a walk over the chunk
// sizes, and an edit re-encodes only the chunks it touches: one keystroke
// costs the same in a short article and in a long novel. The whole text is
// produced only when it is asked for (a run, a save, statistics).
//
// Every chunk but the last ends right after a byte below 0x30 other than
// "\r". Such a byte is a character of its own whatever surrounds it, and its
// code unit is one of its own too, so both encoding and decoding give the
// same result chunk by chunk as over the whole text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace folvane::editor {

// The editor's code units as the core's text: what its plain text would give
// (paragraph and line separators and a lone "\r" become "\r\n", a no-break
// space a space), encoded as GB18030.
std::string encodeEditorUnits(std::u16string_view units);
// The core's text as editor code units: GB18030 decoded, "\r\n" as "\n".
std::u16string decodeForEditor(std::string_view gb);
// The number of bytes of `gb` that decodeForEditor gives as its first
// `units` units (a boundary between characters).
std::size_t bytesOfUnits(std::string_view gb, std::size_t units);

// A change of the editor's text: units [pos, pos + removed) became `added`.
struct EditorChange {
    std::size_t pos = 0;
    std::size_t removed = 0;
    std::u16string added;
};

// The bytes [pos, pos + removed.size()) were replaced by `addedLength`
// bytes; the common beginning and end of the old and new bytes are left out.
struct ByteChange {
    std::size_t pos = 0;
    std::string removed;
    std::size_t addedLength = 0;
    bool changed() const { return !removed.empty() || addedLength != 0; }
};

class EditorText {
public:
    EditorText() = default;
    static EditorText fromUnits(std::u16string_view units);
    // The text whose editor units are exactly `units` (a text decoded for
    // the editor, before the editor saw it): every character is kept as it
    // is, "\n" alone becoming "\r\n"; a no-break space, U+2028, U+2029 and
    // a lone "\r" stay what they were.
    static EditorText fromExactUnits(std::u16string_view units);
    static EditorText fromBytes(std::string_view gb);

    std::size_t size() const { return bytes_; }
    std::size_t unitCount() const { return units_; }
    bool empty() const { return bytes_ == 0; }

    std::string str() const;
    std::string substr(std::size_t pos, std::size_t len) const;
    bool operator==(std::string_view other) const;

    // The whole chunks an edit of units [pos, pos + removed) touches, as a
    // range of the editor's units and of the text's bytes.
    struct Region {
        std::size_t firstChunk = 0, endChunk = 0;
        std::size_t unitBegin = 0, unitEnd = 0;
        std::size_t byteBegin = 0, byteEnd = 0;
    };
    Region regionForUnits(std::size_t pos, std::size_t removed) const;

    // The editor's edit is done: the units of `region` (as returned for it
    // before the edit) now read `units`. Returns what changed in bytes.
    ByteChange replaceRegion(const Region& region, std::u16string_view units);

    // Bytes [pos, pos + len) become `bytes` (undo and redo). Returns the
    // change the editor needs to show the same text: whole chunks, decoded.
    EditorChange replaceBytes(std::size_t pos, std::size_t len, std::string_view bytes);

    // Lengths of the beginning and end this text has in common with `other`;
    // the end is at most `limit` long.
    std::size_t commonPrefix(std::string_view other) const;
    std::size_t commonSuffix(std::string_view other, std::size_t limit) const;
    std::size_t commonPrefix(const EditorText& other) const;
    std::size_t commonSuffix(const EditorText& other, std::size_t limit) const;
    // The same for the bytes [pos, pos + len) of this text.
    std::size_t commonPrefixAt(std::size_t pos, std::size_t len, std::string_view other) const;
    std::size_t commonSuffixAt(std::size_t pos, std::size_t len, std::string_view other, std::size_t limit) const;

    std::size_t chunkCount() const { return chunks_.size(); }
    std::size_t memoryUsage() const;

    // Chunks are cut near this size and merged below a quarter of it.
    static constexpr std::size_t kChunkBytes = 8192;

private:
    struct Chunk {
        std::string bytes;
        std::size_t units = 0;
    };
    // Replaces chunks [first, end) by `pieces`, merging small ones with
    // their neighbours, and keeps the totals.
    void splice(std::size_t first, std::size_t end, std::vector<Chunk> pieces);
    // The chunk that holds byte `pos` (the last one for the end), with the
    // byte and unit offsets at which it starts.
    std::size_t chunkAtByte(std::size_t pos, std::size_t* byteStart, std::size_t* unitStart) const;
    // Cut into chunks; the editor's units of each are appended to `decoded`.
    static std::vector<Chunk> piecesFromBytes(std::string_view gb, std::u16string* decoded = nullptr);
    static std::vector<Chunk> piecesFromUnits(std::u16string_view units, bool exact);
    std::vector<std::string_view> spans() const;
    std::vector<std::string_view> spans(std::size_t pos, std::size_t len) const;

    std::vector<Chunk> chunks_;
    std::size_t bytes_ = 0;
    std::size_t units_ = 0;
};

}  // namespace folvane::editor
