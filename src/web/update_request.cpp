#include "web/update_request.h"

#include <fstream>

namespace folvane::web {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Up to two characters of `s` from the 1-based position `pos`.
std::string_view pairAt(std::string_view s, std::size_t pos) {
    if (pos - 1 >= s.size()) return {};
    return s.substr(pos - 1, 2);
}

std::string withoutChars(std::string_view s, std::string_view drop) {
    std::string out;
    out.reserve(s.size());
    for (char c : s)
        if (drop.find(c) == std::string_view::npos) out += c;
    return out;
}

bool isUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

void appendField(std::string& out, std::string_view field) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (unsigned char c : field) {
        if (isUnreserved(c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
}

std::string_view trimmed(std::string_view s) {
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; };
    while (!s.empty() && space(s.front())) s.remove_prefix(1);
    while (!s.empty() && space(s.back())) s.remove_suffix(1);
    return s;
}

std::string firstLine(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    std::string line;
    std::getline(in, line);
    if (in.bad()) return {};
    return std::string(trimmed(line));
}

}  // namespace

std::optional<std::uint32_t> machineNumber(std::string_view machineIdText) {
    if (machineIdText.size() < 8) return std::nullopt;
    std::uint32_t n = 0;
    for (char c : machineIdText.substr(0, 8)) {
        const int v = hexValue(c);
        if (v < 0) return std::nullopt;
        n = (n << 4) | static_cast<std::uint32_t>(v);
    }
    return n;
}

std::string machineId(std::uint32_t number) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string h;
    do {
        h.insert(h.begin(), kHex[number & 0xF]);
        number >>= 4;
    } while (number != 0);
    std::string id;
    id += pairAt(h, 5);
    id += pairAt(h, 3);
    id += pairAt(h, 1);
    if (id.size() < 6) id = (id + "000000").substr(0, 7);
    return id;
}

std::string hardwareId(const std::array<std::string, 4>& texts) {
    std::string candidate;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        candidate = withoutChars(texts[i], i == 0 ? "-" : "-/");
        if (candidate.size() >= 4) return candidate;
    }
    return candidate;
}

std::array<std::string, 4> readHardwareTexts(const std::filesystem::path& dir) {
    std::array<std::string, 4> texts;
    for (std::size_t i = 0; i < texts.size(); ++i) texts[i] = firstLine(dir / kHardwareFiles[i]);
    return texts;
}

std::string readMachineIdText(const std::filesystem::path& file) { return firstLine(file); }

std::string_view updateWishWord(bool wanted) { return wanted ? "true" : "false"; }

std::string updateQuery(const UpdateRequest& request) {
    std::string q;
    appendField(q, request.machineId);
    q += ',';
    appendField(q, kRequestVersion);
    q += ',';
    appendField(q, request.startCount);
    q += ',';
    appendField(q, request.hardwareId);
    q += ',';
    appendField(q, updateWishWord(request.updateWish));
    q += ",1";
    return q;
}

std::string updatePageAddress(std::string_view base, const UpdateRequest& request) {
    std::string address(base);
    address += '?';
    address += updateQuery(request);
    return address;
}

}  // namespace folvane::web
