#include "engine/line_noise.h"

#include "text/gb18030.h"

namespace folvane::engine {

std::string_view removeHeadNoise(std::string_view line) noexcept {
    std::size_t i = 0;
    while (i < line.size()) {
        const auto b = static_cast<unsigned char>(line[i]);
        if (b < 0x01 || b > 0x7F) break;
        ++i;
    }
    return line.substr(i);
}

std::string_view removeTailNoise(std::string_view line) noexcept {
    auto isNoise = [&](std::size_t pos, std::size_t len) {
        const auto b = static_cast<unsigned char>(line[pos]);
        return (len == 1 && b >= 0x01 && b <= 0x7F) ||
               (len == 2 && b == 0xA1 && static_cast<unsigned char>(line[pos + 1]) == 0xA1);
    };
    // Most line ends are told apart by their last one or two bytes; only an
    // ambiguous end needs a walk from the nearest certain boundary.
    std::size_t end = line.size();
    while (end > 0) {
        const auto b = static_cast<unsigned char>(line[end - 1]);
        const bool afterLead = end >= 2 && text::isLeadByte(static_cast<unsigned char>(line[end - 2]));
        if (text::isStandaloneByte(b) || (b < 0x80 && !afterLead)) {
            if (b == 0 || b > 0x7F) break;  // NUL and 0xFF are no noise
            --end;
            continue;
        }
        if (b >= 0x80 && (b != 0xA1 || !afterLead)) break;
        std::size_t j = end - 1;
        while (j > 0 && !text::isStandaloneByte(static_cast<unsigned char>(line[j - 1]))) --j;
        std::size_t keep = j;
        const std::string_view head = line.substr(0, end);
        for (std::size_t i = j; i < end;) {
            const std::size_t len = text::charLength(head, i);
            if (!isNoise(i, len)) keep = i + len;
            i += len;
        }
        if (keep > j) return line.substr(0, keep);
        end = j;  // all noise back to a standalone byte, which the loop looks at next
    }
    return line.substr(0, end);
}

}  // namespace folvane::engine
