#include "lsp/framing.h"

#include <algorithm>
#include <charconv>

namespace folvane::lsp {
namespace {

constexpr std::string_view kLengthField = "content-length";
// A header longer than this is no header.
constexpr std::size_t kMaxHeader = 8192;

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// The body length a header gives, or nullopt with `why`.
std::optional<std::size_t> lengthOf(std::string_view header, std::string& why) {
    std::optional<std::size_t> length;
    while (!header.empty()) {
        const std::size_t eol = header.find("\r\n");
        const std::string_view line = header.substr(0, eol);
        header.remove_prefix(eol == std::string_view::npos ? header.size() : eol + 2);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            why = "header line without ':'";
            return std::nullopt;
        }
        if (!equalsIgnoringCase(trimmed(line.substr(0, colon)), kLengthField)) continue;
        const std::string_view value = trimmed(line.substr(colon + 1));
        std::size_t n = 0;
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
        if (ec != std::errc() || end != value.data() + value.size() || value.empty()) {
            why = "Content-Length is not a number";
            return std::nullopt;
        }
        length = n;
    }
    if (!length) why = "header without Content-Length";
    return length;
}

// Where the next header may begin: the next "Content-Length" in any case.
std::size_t nextHeaderStart(std::string_view s, std::size_t from) {
    for (std::size_t i = from; i + kLengthField.size() <= s.size(); ++i)
        if ((s[i] == 'C' || s[i] == 'c') && equalsIgnoringCase(s.substr(i, kLengthField.size()), kLengthField))
            return i;
    return std::string_view::npos;
}

}  // namespace

void FrameReader::feed(std::string_view bytes) {
    if (skip_ > 0) {
        const std::size_t n = std::min(skip_, bytes.size());
        skip_ -= n;
        bytes.remove_prefix(n);
    }
    buffer_.append(bytes);
}

void FrameReader::consume(std::size_t n) {
    start_ += n;
    // The taken bytes go once they are most of the buffer, so that many
    // small messages cost no more than their length.
    if (start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    } else if (start_ > (std::size_t{1} << 16) && start_ > buffer_.size() / 2) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
}

std::optional<FrameReader::Frame> FrameReader::next() {
    const std::string_view s = std::string_view(buffer_).substr(start_);
    if (body_) {
        if (s.size() < *body_) return std::nullopt;
        Frame f{std::string(s.substr(0, *body_)), {}};
        consume(*body_);
        body_.reset();
        return f;
    }
    // Blank lines between messages are tolerated.
    std::size_t lead = 0;
    while (lead < s.size() && (s[lead] == '\r' || s[lead] == '\n')) ++lead;
    if (lead > 0) {
        consume(lead);
        return next();
    }
    if (s.empty()) return std::nullopt;
    const std::size_t end = s.find("\r\n\r\n");
    if (end == std::string_view::npos) {
        if (s.size() <= kMaxHeader) return std::nullopt;
        // No end of a header in sight: drop up to the next one.
        const std::size_t next = nextHeaderStart(s, 1);
        const std::size_t drop = next == std::string_view::npos ? s.size() - kLengthField.size() : next;
        consume(drop);
        return Frame{{}, "header too long or without an end; " + std::to_string(drop) + " bytes skipped"};
    }
    std::string why;
    const std::optional<std::size_t> length =
        end > kMaxHeader ? std::nullopt : lengthOf(s.substr(0, end), why);
    if (!length) {
        if (why.empty()) why = "header too long";
        // The body of a broken header cannot be found: the stream goes on
        // at the next header.
        const std::size_t next = nextHeaderStart(s, 1);
        consume(next == std::string_view::npos ? end + 4 : next);
        return Frame{{}, why};
    }
    consume(end + 4);
    if (*length > maxBody_) {
        const std::size_t held = std::min(*length, buffered());
        consume(held);
        skip_ = *length - held;
        return Frame{{}, "message of " + std::to_string(*length) + " bytes refused (more than " +
                             std::to_string(maxBody_) + ")"};
    }
    body_ = *length;
    return next();
}

std::string frameMessage(std::string_view body) {
    std::string out = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    out.append(body);
    return out;
}

}  // namespace folvane::lsp
