// The request that loads the update page: which installation, version and
// machine is asking, and whether the user wants to hear of new versions.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace folvane::web {

inline constexpr std::string_view kRequestVersion = "3.0.7.3";

// The machine number: the first eight hexadecimal digits of the text of
// /etc/machine-id (either letter case); nullopt when the text does not
// start with eight of them.
std::optional<std::uint32_t> machineNumber(std::string_view machineIdText);

// The installation identifier: the number's upper-case hexadecimal digits
// without leading zeros, its third pair, then its second, then its first
// (a pair beyond the end gives what is there); a result shorter than six
// characters is padded with "0" to seven.
std::string machineId(std::uint32_t number);

// The first of the four hardware texts that still has at least four bytes
// once "-" (all four) and "/" (the last three) are removed; when none has,
// the fourth, cleaned in the same way.
std::string hardwareId(const std::array<std::string, 4>& texts);

// The four hardware texts, read from a directory laid out like
// /sys/class/dmi/id: the first line of each file, without surrounding
// white space; a file that cannot be read gives "".
inline constexpr std::array<std::string_view, 4> kHardwareFiles = {"product_name", "board_name", "board_vendor",
                                                                   "bios_version"};
std::array<std::string, 4> readHardwareTexts(const std::filesystem::path& dir);

// The first line of a machine-id file, or "" when it cannot be read.
std::string readMachineIdText(const std::filesystem::path& file);

// The update wish as its word in the request.
std::string_view updateWishWord(bool wanted);

struct UpdateRequest {
    std::string machineId;
    std::string startCount;  // as stored under "CONFIG1", after this start's increment
    std::string hardwareId;
    bool updateWish = true;  // check mark of "联网时检查新版本"
};

// The six comma-separated fields, without names. Bytes of a field other
// than letters, digits and "-._~" are percent-encoded, so that a comma,
// "#", "&", "+" or a space inside a hardware text can neither split a
// field nor cut the address short; the separators stay plain commas.
std::string updateQuery(const UpdateRequest& request);

// base + "?" + updateQuery(request).
std::string updatePageAddress(std::string_view base, const UpdateRequest& request);

}  // namespace folvane::web
