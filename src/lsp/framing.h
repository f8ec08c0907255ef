// The base protocol's framing: each message is a header ("Content-Length:
// N", other fields ignored, each line ended by "\r\n", an empty line after
// them) followed by N bytes of JSON.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace folvane::lsp {

// Cuts a byte stream into messages. A broken header (no length, a length
// that is no number) is reported and skipped up to the next header; a body
// larger than the limit is reported and its bytes dropped as they come, so
// the stream stays in step and memory stays bounded.
class FrameReader {
public:
    static constexpr std::size_t kDefaultMaxBody = std::size_t{512} << 20;
    explicit FrameReader(std::size_t maxBody = kDefaultMaxBody) : maxBody_(maxBody) {}

    void feed(std::string_view bytes);

    struct Frame {
        std::string body;   // the JSON text, when `error` is empty
        std::string error;  // what was wrong with the stream here
    };
    // The next message or error, or nullopt until more bytes come.
    std::optional<Frame> next();

    // Bytes held, waiting for the rest of a message.
    std::size_t buffered() const { return buffer_.size() - start_; }

private:
    void consume(std::size_t n);

    std::size_t maxBody_;
    std::string buffer_;
    std::size_t start_ = 0;            // bytes of buffer_ already taken
    std::optional<std::size_t> body_;  // the length of the header just read
    std::size_t skip_ = 0;             // bytes of a refused body still to drop
};

// A message framed for the stream.
std::string frameMessage(std::string_view body);

}  // namespace folvane::lsp
